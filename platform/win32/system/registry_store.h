// The registry settings store, open for tests that use a key of their own.
#pragma once

#include "platform/settings_store.h"

namespace tickwell {

// The program's key under HKEY_CURRENT_USER.
constexpr const char* kSettingsKeyPath = "Software\\Quillfen\\Tickwell";

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
    void Close() override;

private:
    const char* keyPath_;
    void* key_ = nullptr;  // the open HKEY, or null
};

}  // namespace tickwell
