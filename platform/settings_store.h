// The persistent store of the five settings: one key of 32-bit values.
#pragma once

#include <cstdint>
#include <string>

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
    // Reads a text value (the weather station); false when it is missing,
    // malformed or the store keeps no text. The program never writes one
    // at exit: a text value is the user's to set.
    virtual bool ReadText(const char* name, std::string* value) {
        (void)name;
        (void)value;
        return false;
    }
    // Sets a text value (REG_SZ) while open for writing; a store that keeps
    // no text ignores it. Only what the user chose in a dialog is written
    // this way.
    virtual void WriteText(const char* name, const std::string& value) {
        (void)name;
        (void)value;
    }
    // Closes the key; after writing, this is when the values become durable.
    virtual void Close() = 0;
};

// The store of this platform: the registry key, or a file in the user's
// configuration folder.
SettingsStore& SystemSettingsStore();

}  // namespace tickwell
