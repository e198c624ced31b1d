// A folder of a test's own under /tmp, removed with everything in it when
// the object goes, and whole-file reads and writes for the files a test
// puts there. POSIX only.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace tickwell::fakes {

class TemporaryFolder {
public:
    // `name` goes into the folder's name, to tell whose it is.
    explicit TemporaryFolder(const std::string& name) {
        std::string pattern = "/tmp/tickwell-" + name + "-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TemporaryFolder() {
        if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // Empty when the folder could not be made.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace tickwell::fakes
