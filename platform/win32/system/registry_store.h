// The registry settings store, open for tests that use a key of their own.
#pragma once

#include "platform/settings_store.h"

namespace tickwell {

// The program's key under HKEY_CURRENT_USER.
constexpr const char* kSettingsKeyPath = "Software\\Quillfen\\Tickwell";

// The longest text value read, in bytes with its terminating NUL; a
// station id needs a handful.
constexpr unsigned kMaxTextBytes = 256;

class RegistrySettingsStore : public SettingsStore {
public:
    // `keyPath` names a key under HKEY_CURRENT_USER and must outlive the store.
    explicit RegistrySettingsStore(const char* keyPath);
    ~RegistrySettingsStore() override;
    RegistrySettingsStore(const RegistrySettingsStore&) = delete;
    RegistrySettingsStore& operator=(const RegistrySettingsStore&) = delete;

    bool OpenForReading() override;
    bool Read(const char* name, std::uint32_t* value) override;
    bool OpenForWriting() override;
    void Write(const char* name, std::uint32_t value) override;
    // A REG_SZ value of at most kMaxTextBytes bytes; anything else is
    // treated as missing.
    bool ReadText(const char* name, std::string* value) override;
    // A REG_SZ value, with its terminating NUL.
    void WriteText(const char* name, const std::string& value) override;
    void Close() override;

private:
    const char* keyPath_;
    void* key_ = nullptr;  // the open HKEY, or null
};

}  // namespace tickwell
