#include "platform/linux/system/autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/linux/system/durable_write.h"
#include "platform/linux/system/user_folders.h"

namespace tickwell::platform {

namespace {

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Creates `folder` and any missing folders above it.
bool MakeFolders(const std::string& folder, std::string* error) {
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return true;
        errno = ENOTDIR;
        *error = SystemError("cannot use", folder);
        return false;
    }
    const std::string parent = ParentFolder(folder);
    if (parent != folder && !MakeFolders(parent, error)) return false;
    if (mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST) return true;
    *error = SystemError("cannot create", folder);
    return false;
}

// Quotes one argument of an Exec line as freedesktop.org's desktop entry format
// asks: inside double quotes, `"`, `` ` ``, `$` and `\` take a backslash;
// then the whole value is escaped as a desktop entry string, where a
// backslash is written twice; `%` is written `%%` because it starts a field
// code.
std::string ExecArgument(const std::string& argument) {
    static constexpr const char* kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string quoted;
    const bool needsQuotes = argument.find_first_of(kReserved) != std::string::npos;
    if (needsQuotes) quoted += '"';
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += "\\\\";
        if (c == '\\') {
            quoted += "\\\\";
        } else if (c == '%') {
            quoted += "%%";
        } else {
            quoted += c;
        }
    }
    if (needsQuotes) quoted += '"';
    return quoted;
}

// Writes `text` to a new file beside `path`, flushes it to disk and renames
// it over `path`.
bool ReplaceFile(const std::string& path, const std::string& text, std::string* error) {
    std::vector<char> temporary(path.begin(), path.end());
    for (const char c : std::string(".XXXXXX")) temporary.push_back(c);
    temporary.push_back('\0');
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = SystemError("cannot create a file beside", path);
        return false;
    }
    bool written = fchmod(fd, 0644) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
    if (close(fd) != 0) written = false;
    if (!written || rename(temporary.data(), path.c_str()) != 0) {
        *error = SystemError("cannot write", path);
        unlink(temporary.data());
        return false;
    }
    // The rename itself survives a crash once the folder is flushed.
    SyncFolder(ParentFolder(path));
    return true;
}

}  // namespace

std::string AutostartEntryPath() {
    return ConfigFolder() + "/autostart/tickwell.desktop";
}

std::string RunningProgramPath() {
    std::vector<char> buffer(4096);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return "";
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string AutostartEntryText(const std::string& programPath) {
    if (programPath.empty() || programPath[0] != '/') return "";
    for (const char c : programPath) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return "";
    }
    // TryExec is the plain path, escaped only as a desktop entry string: a
    // session skips the entry once the program is uninstalled.
    std::string tryExec;
    for (const char c : programPath) {
        if (c == '\\') tryExec += '\\';
        tryExec += c;
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Tickwell\n"
           "Comment=Weather ticker, started at login\n"
           "Icon=tickwell\n"
           "TryExec=" +
           tryExec + "\nExec=" + ExecArgument(programPath) + " " + kAtLoginOption +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool SetAutostart(bool enable, const std::string& entryPath, const std::string& programPath,
                  std::string* error) {
    if (!enable) {
        if (unlink(entryPath.c_str()) == 0 || errno == ENOENT) return true;
        *error = SystemError("cannot remove", entryPath);
        return false;
    }
    const std::string text = AutostartEntryText(programPath);
    if (text.empty()) {
        *error = "cannot name the program in a desktop entry: '" + programPath + "'";
        return false;
    }
    return MakeFolders(ParentFolder(entryPath), error) && ReplaceFile(entryPath, text, error);
}

}  // namespace tickwell::platform
