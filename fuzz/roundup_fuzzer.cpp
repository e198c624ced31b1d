// Feeds arbitrary bytes to the roundup page parser and draws the readings
// it stores.
#include <cstddef>
#include <cstdint>

#include "fetch/roundup_parser.h"
#include "fuzz/page_input.h"
#include "fuzz/screen.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tickwell;
    fuzzing::PrepareWeatherState();
    weatherState.busy = true;
    const auto page = fuzzing::PageText(data, size);
    const bool stored = ParseRoundup(page.data());
    // A successful parse ends the busy period; a failed one leaves it alone.
    if (stored == weatherState.busy.load()) __builtin_trap();
    // Whatever was stored must draw: odd numbers, NaN, huge values.
    if (stored) fuzzing::Screen::Get().DrawReadings();
    return 0;
}
