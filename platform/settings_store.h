// The persistent store of the five settings: one key of 32-bit values.
#pragma once

#include <cstdint>

namespace tickwell {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Opens the key for reading; false when it does not exist or can't be read.
    virtual bool OpenForReading() = 0;
    // Reads one value; false when it is missing or malformed.
    virtual bool Read(const char* name, std::uint32_t* value) = 0;
    // Creates or opens the key for writing; false when that fails.
    virtual bool OpenForWriting() = 0;
    virtual void Write(const char* name, std::uint32_t value) = 0;
    // Closes the key; after writing, this is when the values become durable.
    virtual void Close() = 0;
};

// The store of this platform: the registry key, or a file in the user's
// configuration folder.
SettingsStore& SystemSettingsStore();

}  // namespace tickwell
