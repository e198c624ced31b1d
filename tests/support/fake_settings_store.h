// A settings store on a map of named 32-bit values that records every call
// in order, and can be told to fail opening or to refuse single values.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/settings_store.h"

namespace tickwell::fakes {

class FakeSettingsStore : public SettingsStore {
public:
    bool OpenForReading() override;
    bool Read(const char* name, std::uint32_t* value) override;
    bool OpenForWriting() override;
    void Write(const char* name, std::uint32_t value) override;
    void Close() override;
    bool ReadText(const char* name, std::string* value) override;
    void WriteText(const char* name, const std::string& value) override;

    // The writes since the last ClearLog, in order.
    std::vector<std::pair<std::string, std::uint32_t>> Writes() const;
    void ClearLog() { calls.clear(); }

    std::map<std::string, std::uint32_t> values;
    // The text values (REG_SZ).
    std::map<std::string, std::string> texts;
    // Names whose value is there but can't be read (malformed).
    std::set<std::string> unreadable;
    bool readingFails = false;
    bool writingFails = false;
    // Every call, e.g. "OpenForReading", "Read Interval", "Write WinX=5", "Close".
    std::vector<std::string> calls;
};

}  // namespace tickwell::fakes
