// The settings store in the registry: REG_DWORD values under one key of the
// current user, and text values (REG_SZ) the program only reads.
#include <windows.h>

#include "platform/settings_store.h"
#include "platform/win32/system/registry_store.h"

namespace tickwell {

RegistrySettingsStore::RegistrySettingsStore(const char* keyPath) : keyPath_(keyPath) {}

RegistrySettingsStore::~RegistrySettingsStore() {
    Close();
}

bool RegistrySettingsStore::OpenForReading() {
    Close();
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    key_ = key;
    return true;
}

bool RegistrySettingsStore::Read(const char* name, std::uint32_t* value) {
    if (key_ == nullptr) return false;
    BYTE buffer[4] = {};
    DWORD size = sizeof buffer;
    DWORD type = REG_NONE;
    const LONG result =
        ::RegQueryValueExA(static_cast<HKEY>(key_), name, nullptr, &type, buffer, &size);
    // Only a whole 32-bit number counts; a value of another type or size
    // (which the registry may hold after a manual edit) leaves the default.
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof buffer) return false;
    *value = static_cast<std::uint32_t>(buffer[0]) | (static_cast<std::uint32_t>(buffer[1]) << 8) |
             (static_cast<std::uint32_t>(buffer[2]) << 16) |
             (static_cast<std::uint32_t>(buffer[3]) << 24);
    return true;
}

bool RegistrySettingsStore::ReadText(const char* name, std::string* value) {
    if (key_ == nullptr) return false;
    // One byte more than the longest text taken, so that a longer value
    // fails with ERROR_MORE_DATA instead of being cut.
    char buffer[kMaxTextBytes + 1] = {};
    DWORD size = sizeof buffer;
    DWORD type = REG_NONE;
    const LONG result = ::RegQueryValueExA(static_cast<HKEY>(key_), name, nullptr, &type,
                                           reinterpret_cast<BYTE*>(buffer), &size);
    if (result != ERROR_SUCCESS || type != REG_SZ || size > kMaxTextBytes) return false;
    // The registry does not promise a terminating NUL (a value written as
    // raw bytes may lack one, or hold several): the text ends at the first
    // NUL or at the value's end, whichever comes first.
    std::size_t length = 0;
    while (length < size && buffer[length] != '\0') ++length;
    if (length == 0) return false;
    value->assign(buffer, length);
    return true;
}

bool RegistrySettingsStore::OpenForWriting() {
    Close();
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    key_ = key;
    return true;
}

void RegistrySettingsStore::Write(const char* name, std::uint32_t value) {
    if (key_ == nullptr) return;
    const DWORD data = value;
    ::RegSetValueExA(static_cast<HKEY>(key_), name, 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&data), sizeof data);
}

void RegistrySettingsStore::WriteText(const char* name, const std::string& value) {
    if (key_ == nullptr || value.size() + 1 > kMaxTextBytes) return;
    ::RegSetValueExA(static_cast<HKEY>(key_), name, 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
}

void RegistrySettingsStore::Close() {
    if (key_ == nullptr) return;
    ::RegCloseKey(static_cast<HKEY>(key_));
    key_ = nullptr;
}

SettingsStore& SystemSettingsStore() {
    static RegistrySettingsStore store(kSettingsKeyPath);
    return store;
}

}  // namespace tickwell
