#include "platform/win32/system/log_file.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

namespace tickwell::platform {

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) ::CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::string TimeStamp() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

std::wstring DefaultLogPath() {
    wchar_t folder[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(folder, length) + L"\\Tickwell\\tickwell.log";
}

LogFile::LogFile(std::wstring path, std::size_t maxBytes)
    : path_(std::move(path)), maxBytes_(maxBytes) {}

void LogFile::Append(const std::string& text) {
    if (path_.empty()) return;
    const std::string line = TimeStamp() + text + "\r\n";
    std::lock_guard<std::mutex> hold(mutex_);
    const std::wstring folder = FolderOf(path_);
    if (!folder.empty()) ::CreateDirectoryW(folder.c_str(), nullptr);
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (::GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &attributes)) {
        const ULONGLONG size =
            (static_cast<ULONGLONG>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
        if (size + line.size() > maxBytes_) DropOlderHalf(static_cast<std::size_t>(size));
    }
    // FILE_APPEND_DATA alone: every write lands at the end, even with
    // another process appending too.
    FileHandle file(::CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) WriteAll(file.get(), line);
}

void LogFile::DropOlderHalf(std::size_t size) {
    std::string kept;
    {
        FileHandle file(::CreateFileW(path_.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return;
        const std::size_t half = size / 2;
        LARGE_INTEGER start{};
        start.QuadPart = static_cast<LONGLONG>(half);
        if (!::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN)) return;
        kept.resize(size - half);
        DWORD read = 0;
        if (!::ReadFile(file.get(), kept.data(), static_cast<DWORD>(kept.size()), &read, nullptr)) {
            return;
        }
        kept.resize(read);
    }
    // From the first whole line of the newer half on; a half that is one
    // line goes whole.
    const std::size_t lineEnd = kept.find('\n');
    kept.erase(0, lineEnd == std::string::npos ? kept.size() : lineEnd + 1);
    const std::wstring fresh = path_ + L".new";
    {
        FileHandle file(::CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid() || !WriteAll(file.get(), kept)) {
            ::DeleteFileW(fresh.c_str());
            return;
        }
    }
    if (!::MoveFileExW(fresh.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileW(fresh.c_str());
    }
}

}  // namespace tickwell::platform
