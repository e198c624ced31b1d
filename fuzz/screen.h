// The part of the window the fuzz targets draw what a parser stored into:
// the ticker and the readouts on the software canvas, set up once.
#pragma once

#include <cstring>
#include <memory>

#include "display/readout_panel.h"
#include "display/ticker.h"
#include "tests/raster/raster_canvas.h"

namespace tickwell::fuzzing {

class Screen {
public:
    static Screen& Get() {
        static Screen screen;
        return screen;
    }

    // A few ticker frames of `scroll` from wherever its position stands;
    // the position carries over from the previous input, as it does when a
    // fetch replaces a text while it scrolls.
    void ScrollAndDraw(ScrollText& scroll) {
        for (int step = 0; step < 3; ++step) {
            TickerStep(scroll);
            if (std::strlen(TickerWindow) > static_cast<std::size_t>(visibleChars)) std::abort();
        }
        DrawTicker(*client_);
    }

    void DrawReadings() { DrawReadouts(*client_); }

private:
    Screen() {
        CreateTickerResources(graphics_, CreateLabelFont);
        CreateReadouts(graphics_);
        client_ = graphics_.CreateWindowCanvas(198, 43, 0xC0C0C0);
    }

    RasterGraphics graphics_;
    std::unique_ptr<RasterCanvas> client_;
};

}  // namespace tickwell::fuzzing
