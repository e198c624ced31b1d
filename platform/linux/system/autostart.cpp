#include "platform/linux/system/autostart.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/linux/system/durable_write.h"
#include "platform/linux/system/user_folders.h"

namespace tickwell::platform {

namespace {

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
        *error = "cannot remove " + entryPath + ": " + std::strerror(errno);
        return false;
    }
    const std::string text = AutostartEntryText(programPath);
    if (text.empty()) {
        *error = "cannot name the program in a desktop entry: '" + programPath + "'";
        return false;
    }
    return MakeFolders(ParentFolder(entryPath), 0755, error) &&
           ReplaceFile(entryPath, text, 0644, error);
}

}  // namespace tickwell::platform
