#include "support/fake_settings_store.h"

namespace tickwell::fakes {

bool FakeSettingsStore::OpenForReading() {
    calls.push_back("OpenForReading");
    return !readingFails;
}

bool FakeSettingsStore::Read(const char* name, std::uint32_t* value) {
    calls.push_back(std::string("Read ") + name);
    const auto found = values.find(name);
    if (found == values.end() || unreadable.count(name) != 0) {
        return false;
    }
    *value = found->second;
    return true;
}

bool FakeSettingsStore::OpenForWriting() {
    calls.push_back("OpenForWriting");
    return !writingFails;
}

void FakeSettingsStore::Write(const char* name, std::uint32_t value) {
    calls.push_back(std::string("Write ") + name + "=" + std::to_string(value));
    values[name] = value;
}

bool FakeSettingsStore::ReadText(const char* name, std::string* value) {
    calls.push_back(std::string("ReadText ") + name);
    const auto found = texts.find(name);
    if (found == texts.end() || unreadable.count(name) != 0) {
        return false;
    }
    *value = found->second;
    return true;
}

void FakeSettingsStore::WriteText(const char* name, const std::string& value) {
    calls.push_back(std::string("WriteText ") + name + "=" + value);
    texts[name] = value;
}

void FakeSettingsStore::Close() {
    calls.push_back("Close");
}

std::vector<std::pair<std::string, std::uint32_t>> FakeSettingsStore::Writes() const {
    std::vector<std::pair<std::string, std::uint32_t>> result;
    for (const std::string& call : calls) {
        if (call.rfind("Write ", 0) == 0) {
            const std::size_t equals = call.find('=');
            result.emplace_back(call.substr(6, equals - 6),
                                static_cast<std::uint32_t>(std::stoul(call.substr(equals + 1))));
        }
    }
    return result;
}

}  // namespace tickwell::fakes
