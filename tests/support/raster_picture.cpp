#include "raster_picture.h"

namespace tickwell::rastertest {

std::string Picture(const RasterCanvas& canvas, const Rect& area, Legend legend) {
    std::string picture;
    for (int y = area.top; y < area.bottom; ++y) {
        if (y != area.top) picture += '\n';
        for (int x = area.left; x < area.right; ++x) {
            char shown = '?';
            for (const auto& [color, character] : legend) {
                if (canvas.GetPixel(x, y) == color) shown = character;
            }
            picture += shown;
        }
    }
    return picture;
}

int CountPixels(const RasterCanvas& canvas, const Rect& area, Color color) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) count += canvas.GetPixel(x, y) == color;
    }
    return count;
}

int CountOtherThan(const RasterCanvas& canvas, const Rect& area, Color color) {
    return area.Width() * area.Height() - CountPixels(canvas, area, color);
}

}  // namespace tickwell::rastertest
