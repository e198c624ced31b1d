#include "platform/linux/system/settings_file.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "platform/linux/system/durable_write.h"
#include "platform/linux/system/user_folders.h"
#include "platform/message_log.h"

namespace tickwell::platform {

namespace {

// A settings file is a few dozen bytes; anything read beyond this is ignored
// rather than kept in memory.
constexpr std::size_t kMaxFileBytes = 64 * 1024;

// The folder below the configuration folder, named after the registry key
// "Software\Quillfen\Tickwell".
constexpr const char* kFolder = "Quillfen/Tickwell";
constexpr const char* kFileName = "settings";

std::string Trim(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r'))
        --end;
    return text.substr(begin, end - begin);
}

// Where writing goes: the path itself or, when it is a symbolic link (as
// dotfile managers make them), the file the links lead to, so that the link
// stays and its target gets the settings. Empty when the links go round in
// a loop or deeper than the system would follow them.
std::string ResolveLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::vector<char> target(4096);
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return {};
        const std::string next(target.data(), static_cast<std::size_t>(length));
        path = next[0] == '/' ? next : ParentFolder(path) + "/" + next;
    }
    return {};
}

// Why an existing file must not be replaced, or empty when it may be (or
// does not exist). A file the user cannot read would lose its values, and a
// read-only one was made so on purpose; a rename would replace either.
std::string WhyLeftAlone(const std::string& target) {
    struct stat info {};
    if (stat(target.c_str(), &info) != 0) {
        return errno == ENOENT ? std::string() : std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) return "it is not a regular file";
    const int fd = open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::string("it cannot be read: ") + std::strerror(errno);
    close(fd);
    const bool writable =
        (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && access(target.c_str(), W_OK) == 0;
    return writable ? std::string() : "it is read-only";
}

// Notes that the settings file at `path` is not written,
// and why. The program tries to write it at every save (a station chosen,
// the Preferences, the exit), so each reason is told only the first time
// in a run, not again with every save. Only the user-interface thread
// saves.
void TellNotSaved(const std::string& path, const std::string& why) {
    static std::set<std::string> told;
    if (!told.insert(path + '\n' + why).second) return;
    LogMessage("the settings file " + path + " is left as it is (" + why +
               "); the settings are not saved.");
}

}  // namespace

std::string DefaultSettingsPath() {
    return ConfigFolder() + "/" + kFolder + "/" + kFileName;
}

std::optional<std::uint32_t> ParseStoredNumber(const std::string& text) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) i = 1;
    if (i == text.size()) return std::nullopt;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        // Stop before the number could overflow; it is out of range anyway.
        if (magnitude > 2147483648LL) return std::nullopt;
    }
    const std::int64_t number = negative ? -magnitude : magnitude;
    if (number > 2147483647LL) return std::nullopt;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(number));
}

bool SettingsFile::NameLess::operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {}

bool SettingsFile::LoadLines(Values* values) const {
    const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    std::string data;
    std::vector<char> chunk(4096);
    bool ok = true;
    while (data.size() < kMaxFileBytes) {
        const ssize_t n = read(fd, chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        data.append(chunk.data(), static_cast<std::size_t>(n));
    }
    close(fd);
    if (!ok) return false;
    if (data.size() >= kMaxFileBytes) {
        // The file goes on past what is read: its last line may be cut in
        // the middle of a number, so only whole lines count.
        data.resize(kMaxFileBytes);
        const std::size_t lastBreak = data.rfind('\n');
        data.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    }

    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = data.find('\n', start);
        if (end == std::string::npos) end = data.size();
        const std::string line = Trim(data.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string name = Trim(line.substr(0, equals));
        if (name.empty() || name.find('\0') != std::string::npos) continue;
        (*values)[name] = Trim(line.substr(equals + 1));
    }
    return true;
}

bool SettingsFile::OpenForReading() {
    values_.clear();
    writing_ = false;
    return LoadLines(&values_);
}

bool SettingsFile::Read(const char* name, std::uint32_t* value) {
    const auto found = values_.find(name);
    if (found == values_.end()) return false;
    const std::optional<std::uint32_t> number = ParseStoredNumber(found->second);
    if (!number) return false;
    *value = *number;
    return true;
}

bool SettingsFile::OpenForWriting() {
    values_.clear();
    writing_ = false;
    target_ = ResolveLinks(path_);
    const std::string why =
        target_.empty() ? "its symbolic links go round in a loop" : WhyLeftAlone(target_);
    if (!why.empty()) {
        TellNotSaved(path_, why);
        return false;
    }
    std::string error;
    if (!MakeFolders(ParentFolder(target_), 0700, &error)) {
        TellNotSaved(path_, error);
        return false;
    }
    // Values the program does not write itself are carried over, as the
    // other values of a registry key would be.
    LoadLines(&values_);
    writing_ = true;
    return true;
}

void SettingsFile::Write(const char* name, std::uint32_t value) {
    if (!writing_) return;
    values_[name] = std::to_string(static_cast<std::int32_t>(value));
}

bool SettingsFile::ReadText(const char* name, std::string* value) {
    const auto found = values_.find(name);
    if (found == values_.end() || found->second.empty()) return false;
    *value = found->second;
    return true;
}

void SettingsFile::WriteText(const char* name, const std::string& value) {
    // A line break or NUL would split or end the line it is written on.
    if (!writing_ || value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return;
    values_[name] = value;
}

bool SettingsFile::Commit() const {
    std::string text = "# Tickwell settings\n";
    for (const auto& [name, value] : values_) text += name + "=" + value + "\n";

    // The new file replaces the link's target (the link stays) and keeps
    // the old file's permissions; a new one is the user's alone.
    struct stat old {};
    const mode_t mode = stat(target_.c_str(), &old) == 0 ? old.st_mode & 07777 : 0600;
    std::string error;
    if (!ReplaceFile(target_, text, mode, &error)) {
        TellNotSaved(path_, error);
        return false;
    }
    return true;
}

void SettingsFile::Close() {
    if (writing_) Commit();
    writing_ = false;
    values_.clear();
}

}  // namespace tickwell::platform

namespace tickwell {

SettingsStore& SystemSettingsStore() {
    static platform::SettingsFile store(platform::DefaultSettingsPath());
    return store;
}

}  // namespace tickwell
