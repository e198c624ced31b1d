// The settings store of the Linux program: a small text file of name=value
// lines in the user's configuration folder, standing in for the registry key
// "Software\Quillfen\Tickwell".
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/settings_store.h"

namespace tickwell::platform {

// The file this user's settings live in:
// $XDG_CONFIG_HOME/Quillfen/Tickwell/settings, or ~/.config/... when that
// variable is unset, empty or not an absolute path.
std::string DefaultSettingsPath();

// One value of the file as the program stores it: a signed 32-bit decimal
// number, read back as the same 32 bits. Anything else (empty, signs or
// digits out of place, beyond 32 bits) has no value.
std::optional<std::uint32_t> ParseStoredNumber(const std::string& text);

// Reads and writes one settings file.
//
// Reading is tolerant: a missing or unreadable file, a folder in its place,
// malformed lines and out-of-range numbers all read as missing values, so
// the caller keeps its defaults. Writing is atomic: Close() writes a
// temporary file in the same folder, flushes it to disk and renames it over
// the old one, so a crash leaves either the old or the new file, never a
// torn one. Lines the program does not know are kept. A symbolic link is
// written through (its target replaced, the link kept); a file that cannot
// be read or is read-only is left alone, with a note on standard error.
class SettingsFile : public SettingsStore {
public:
    explicit SettingsFile(std::string path);

    bool OpenForReading() override;
    bool Read(const char* name, std::uint32_t* value) override;
    bool OpenForWriting() override;
    void Write(const char* name, std::uint32_t value) override;
    bool ReadText(const char* name, std::string* value) override;
    // Sets a text value (the station, the units); kept like the others
    // until Close.
    void WriteText(const char* name, const std::string& value) override;
    void Close() override;

    const std::string& path() const { return path_; }

private:
    // Case-insensitive, as registry value names are.
    struct NameLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using Values = std::map<std::string, std::string, NameLess>;

    bool LoadLines(Values* values) const;
    bool Commit() const;

    std::string path_;
    // The file writing replaces: path_ with its symbolic links followed.
    std::string target_;
    Values values_;
    bool writing_ = false;
};

}  // namespace tickwell::platform
