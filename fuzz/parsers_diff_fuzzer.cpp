// Runs the program's page parsers beside the plain reference versions on
// the same input and stops at the first difference: a return value, a
// position, or the weather state seen at the end of any DataMutex hold.
//
// DataMutex is replaced here by a recording mutex: every release takes a
// snapshot of the weather state, so two parsers agree only when they make
// the same stores, in the same holds, in the same order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/weather_state.h"
#include "fetch/forecast_parser.h"
#include "fetch/roundup_parser.h"
#include "fuzz/page_input.h"
#include "fuzz/reference_parsers.h"

namespace tickwell {
namespace {

struct Snapshot {
    std::int32_t temperature;
    std::int32_t relativeHumidity;
    std::int32_t dewPoint;
    std::uint64_t pressureBits;  // compared bit for bit, so NaN equals NaN
    bool busy;
    bool hasReadings;
    std::int32_t todayLength, todayPosition, outlookLength, outlookPosition;
    std::string today, outlook;  // up to the terminator

    bool operator==(const Snapshot&) const = default;
};

Snapshot TakeSnapshot() {
    Snapshot s{};
    s.temperature = weatherState.temperature.load();
    s.relativeHumidity = weatherState.relativeHumidity.load();
    s.dewPoint = weatherState.dewPoint.load();
    const double pressure = weatherState.pressure.load();
    std::memcpy(&s.pressureBits, &pressure, sizeof pressure);
    s.busy = weatherState.busy.load();
    s.hasReadings = weatherState.hasReadings.load();
    s.todayLength = weatherState.today.length;
    s.todayPosition = weatherState.today.position;
    s.outlookLength = weatherState.outlook.length;
    s.outlookPosition = weatherState.outlook.position;
    s.today = weatherState.today.text;
    s.outlook = weatherState.outlook.text;
    return s;
}

std::vector<Snapshot> holds;
bool held = false;

// The state every parser run starts from: old texts and readings that no
// page gives, so that any store shows.
void SetOldState() {
    std::strcpy(weatherState.today.text, "OLD TODAY. KEPT");
    weatherState.today.length = 15;
    weatherState.today.position = 7;
    std::strcpy(weatherState.outlook.text, "OLD OUTLOOK");
    weatherState.outlook.length = 11;
    weatherState.outlook.position = -3;
    weatherState.temperature = -111;
    weatherState.relativeHumidity = -222;
    weatherState.dewPoint = -333;
    weatherState.pressure = -4.5;
    weatherState.busy = true;
    weatherState.hasReadings = false;
    holds.clear();
}

struct Run {
    bool result;
    std::vector<Snapshot> holds;
    Snapshot end;
    bool operator==(const Run&) const = default;
};

Run RunParser(bool (*parser)(const char*), const char* page) {
    SetOldState();
    Run run{};
    run.result = parser(page);
    run.holds = holds;
    run.end = TakeSnapshot();
    return run;
}

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

// The helpers, at a spread of positions in the page and at its terminator.
void CompareHelpers(const std::vector<char>& page) {
    const std::size_t length = page.size() - 1;
    const std::size_t stride = std::max<std::size_t>(1, length / 64);
    auto compareAt = [](const char* p) {
        Require(NextLine(p) == reference::NextLine(p));
        Require(IsDayName(p) == reference::IsDayName(p));
    };
    for (std::size_t i = 0; i < length; i += stride) compareAt(page.data() + i);
    if (length > 0) compareAt(page.data() + length - 1);
    compareAt(page.data() + length);
    Require(NextLine(nullptr) == nullptr);

    std::vector<char> mine = page;
    std::vector<char> theirs = page;
    ToSentenceCase(mine.data());
    reference::ToSentenceCase(theirs.data());
    Require(mine == theirs);
}

}  // namespace

// The recording mutex that stands in for the platform's one.
namespace platform {

struct Mutex {};

Mutex* NewMutex() {
    static Mutex mutex;
    return &mutex;
}

void WaitForMutex(Mutex*) {
    Require(!held);  // the parsers never nest holds
    held = true;
}

void ReleaseMutex(Mutex*) {
    Require(held);
    holds.push_back(TakeSnapshot());
    held = false;
}

void CloseMutex(Mutex*) {}

}  // namespace platform
}  // namespace tickwell

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tickwell;
    fuzzing::PrepareWeatherState();
    const auto page = fuzzing::PageText(data, size);
    Require(RunParser(ExtractForecast, page.data()) ==
            RunParser(reference::ExtractForecast, page.data()));
    Require(RunParser(ParseRoundup, page.data()) ==
            RunParser(reference::ParseRoundup, page.data()));
    CompareHelpers(page);
    return 0;
}
