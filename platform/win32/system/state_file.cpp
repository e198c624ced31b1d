#include "platform/win32/system/state_file.h"

#include <windows.h>

#include <vector>

namespace tickwell::win32 {

namespace {

constexpr DWORD kMaxStateBytes = 256 * 1024;

// %LOCALAPPDATA%\Tickwell, made when missing; empty without LOCALAPPDATA.
std::wstring StateFolder() {
    wchar_t base[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring folder = std::wstring(base) + L"\\Tickwell";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace

std::string ReadStateFile(const std::string& name) {
    const std::wstring folder = StateFolder();
    if (folder.empty()) return {};
    HANDLE file =
        ::CreateFileW((folder + L"\\" + Wide(name)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::vector<char> buffer(kMaxStateBytes);
    DWORD read = 0;
    const BOOL ok = ::ReadFile(file, buffer.data(), kMaxStateBytes, &read, nullptr);
    ::CloseHandle(file);
    return ok ? std::string(buffer.data(), read) : std::string();
}

void WriteStateFile(const std::string& name, const std::string& text) {
    const std::wstring folder = StateFolder();
    if (folder.empty()) return;
    const std::wstring path = folder + L"\\" + Wide(name);
    const std::wstring temporary = path + L".new";
    HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size() && ::FlushFileBuffers(file);
    ::CloseHandle(file);
    if (!ok || !::MoveFileExW(temporary.c_str(), path.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temporary.c_str());
    }
}

}  // namespace tickwell::win32
