#include "platform/linux/system/state_file.h"

#include <cstdio>
#include <fstream>

#include "platform/linux/system/durable_write.h"
#include "platform/linux/system/user_folders.h"
#include "platform/message_log.h"

namespace tickwell::platform {

namespace {

constexpr std::size_t kMaxStateBytes = 256 * 1024;

}  // namespace

std::string StateFilePath(const std::string& name) {
    return StateFolder() + "/tickwell/" + name;
}

std::string ReadStateFile(const std::string& name) {
    std::ifstream file(StateFilePath(name), std::ios::binary);
    std::string text(kMaxStateBytes, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(file.bad() ? 0 : static_cast<std::size_t>(file.gcount()));
    return text;
}

void WriteStateFile(const std::string& name, const std::string& text) {
    static bool reported = false;
    const std::string path = StateFilePath(name);
    std::string error;
    if (MakeFolders(ParentFolder(path), 0700, &error) && ReplaceFile(path, text, 0600, &error)) {
        return;
    }
    if (!reported) {
        reported = true;
        LogMessage("cannot keep the warnings notified: " + error);
    }
}

}  // namespace tickwell::platform
