// The books shared by one RasterGraphics, its objects and its canvases: the
// stock objects, the live canvases, and the counts tests read.
#pragma once

#include <algorithm>
#include <vector>

#include "tests/raster/raster_canvas.h"

namespace tickwell {

struct RasterRegistry {
    int liveObjects = 0;
    int faults = 0;
    int fontCharWidth = kDefaultFontCharWidth;
    std::vector<RasterCanvas*> canvases;

    // Stock objects carry no registry, so deleting them is never counted.
    RasterPen blackPen{nullptr, 0x000000, false};
    RasterPen nullPen{nullptr, 0x000000, true};
    RasterBrush whiteBrush{nullptr, 0xFFFFFF};
    RasterFont systemFont{nullptr, {16, FontWeight::Regular, FontQuality::Draft, "System", 7}};
    RasterBitmap defaultBitmap{nullptr, 1, 1, 0x000000};

    void Created() { ++liveObjects; }

    // A canvas still holding the deleted object counts a fault and falls
    // back to its default, so it never draws with freed memory.
    void Deleted(const GraphicsObject* object) {
        --liveObjects;
        for (RasterCanvas* canvas : canvases) {
            if (canvas->HasSelected(object)) {
                ++faults;
                canvas->ForgetObject(object);
            }
        }
    }

    void AddCanvas(RasterCanvas* canvas) { canvases.push_back(canvas); }
    void RemoveCanvas(RasterCanvas* canvas) {
        canvases.erase(std::remove(canvases.begin(), canvases.end(), canvas), canvases.end());
    }
};

}  // namespace tickwell
