// The user-interface thread's recurring work on the software canvas: one
// ticker frame (TickerStep plus DrawTicker) and one whole paint of the
// window as the paint handler does it (readouts, ticker, lamp, captions).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "app/main_window.h"
#include "app/weather_state.h"
#include "bench/bench_pages.h"
#include "display/readout_panel.h"
#include "display/ticker.h"
#include "fetch/forecast_parser.h"
#include "fetch/roundup_parser.h"
#include "tests/raster/raster_canvas.h"

namespace tickwell::bench {
namespace {

constexpr int kClientWidth = kWindowWidth - 2;
constexpr int kClientHeight = kWindowHeight - 2;
constexpr Color kStockGray = 0xC0C0C0;

// The paint handler's store is only used by the Preferences dialog.
class NoStore : public SettingsStore {
public:
    bool OpenForReading() override { return false; }
    bool Read(const char*, std::uint32_t*) override { return false; }
    bool OpenForWriting() override { return false; }
    void Write(const char*, std::uint32_t) override {}
    void Close() override {}
};

// What start-up and window creation set up before the first paint, with
// the sample pages' data in the weather state.
class PaintedWindow {
public:
    PaintedWindow() {
        AllocateWeatherBuffers();
        ExtractForecast(FullSizeForecastPage().c_str());
        ParseRoundup(FullSizeRoundupPage().c_str());
        CreateTickerResources(graphics_, CreateLabelFont);
        CreateReadouts(graphics_);
        lampBusyBrush = graphics_.CreateSolidBrush(kLampBusyColor);
        lampIdleBrush = graphics_.CreateSolidBrush(kLampIdleColor);
        client_ = graphics_.CreateWindowCanvas(kClientWidth, kClientHeight, kStockGray);
    }
    ~PaintedWindow() {
        client_.reset();
        delete lampBusyBrush;
        delete lampIdleBrush;
        lampBusyBrush = lampIdleBrush = nullptr;
        DestroyReadouts();
        DeleteLabelFont();
        ReleaseTickerResources();
    }
    PaintedWindow(const PaintedWindow&) = delete;
    PaintedWindow& operator=(const PaintedWindow&) = delete;

    RasterCanvas& client() { return *client_; }
    MainWindowLogic& logic() { return logic_; }

private:
    RasterGraphics graphics_;
    NoStore store_;
    MainWindowLogic logic_{graphics_, store_};
    std::unique_ptr<RasterCanvas> client_;
};

void BM_TickerFrame(benchmark::State& state) {
    PaintedWindow window;
    for (auto _ : state) {
        TickerStep(weatherState.outlook);
        DrawTicker(window.client());
    }
    benchmark::DoNotOptimize(window.client().GetPixel(tickerRect.left + 2, tickerRect.top + 7));
}
BENCHMARK(BM_TickerFrame);

void BM_WholePaint(benchmark::State& state) {
    PaintedWindow window;
    for (auto _ : state) window.logic().OnPaint(window.client());
    benchmark::DoNotOptimize(window.client().GetPixel(lampRect.left, lampRect.top));
}
BENCHMARK(BM_WholePaint);

}  // namespace
}  // namespace tickwell::bench
