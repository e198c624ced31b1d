// The Windows program's notes: time-stamped lines appended to a file,
// %LOCALAPPDATA%\Tickwell\tickwell.log. The program has no console, so this
// file is where what it did and could not do can be read afterwards.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace tickwell::platform {

// The most a log file holds; when a line would take it past, the older
// half of it goes first.
constexpr std::size_t kMaxLogBytes = 1024 * 1024;

// %LOCALAPPDATA%\Tickwell\tickwell.log, or empty when LOCALAPPDATA is not
// set.
std::wstring DefaultLogPath();

class LogFile {
public:
    explicit LogFile(std::wstring path, std::size_t maxBytes = kMaxLogBytes);

    // Appends "YYYY-MM-DD hh:mm:ss text" and a line break (local time),
    // making the file's folder when it is missing. A file that cannot be
    // written loses the line: a note never stops the program. Safe from
    // any thread; several processes may append to one file.
    void Append(const std::string& text);

private:
    // Keeps the newer half of the file, from a line's start on.
    void DropOlderHalf(std::size_t size);

    std::wstring path_;
    std::size_t maxBytes_;
    std::mutex mutex_;
};

}  // namespace tickwell::platform
