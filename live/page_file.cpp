#include "live/page_file.h"

#include <cstdio>

namespace tickwell::live {

bool WritePageFile(const std::string& folder, const std::string& fileName,
                   const std::string& text) {
    const std::string path = folder + "/" + fileName;
    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        std::remove(temporary.c_str());
        return false;
    }
    // Windows does not rename over an existing file.
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(path.c_str());
        if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace tickwell::live
