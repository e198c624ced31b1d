// Feeds arbitrary bytes to the forecast page parser and scrolls the texts
// it stores through the ticker.
#include <cstddef>
#include <cstdint>

#include "fetch/forecast_parser.h"
#include "fuzz/page_input.h"
#include "fuzz/screen.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tickwell;
    fuzzing::PrepareWeatherState();
    const auto page = fuzzing::PageText(data, size);
    ExtractForecast(page.data());
    fuzzing::CheckScrollText(weatherState.today);
    fuzzing::CheckScrollText(weatherState.outlook);
    fuzzing::Screen::Get().ScrollAndDraw(weatherState.today);
    fuzzing::Screen::Get().ScrollAndDraw(weatherState.outlook);
    return 0;
}
