#include "platform/linux/system/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace tickwell::platform {

namespace {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    const passwd* entry = getpwuid(getuid());
    if (entry != nullptr && entry->pw_dir != nullptr) return entry->pw_dir;
    return "/tmp";
}

// $`variable` when it is an absolute path, else `fallback` in the home
// folder.
std::string XdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    std::string base = value != nullptr && value[0] == '/' ? value : HomeFolder() + fallback;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base;
}

}  // namespace

std::string ConfigFolder() {
    return XdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::string StateFolder() {
    return XdgFolder("XDG_STATE_HOME", "/.local/state");
}

std::string ParentFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace tickwell::platform
