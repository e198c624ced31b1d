// Helpers that turn a raster canvas's pixels into text, so tests can
// compare a drawn area with a small picture.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "tests/raster/raster_canvas.h"

namespace tickwell::rastertest {

using Legend = std::initializer_list<std::pair<Color, char>>;

// One line per row of `area`, joined by '\n', one character per pixel: the
// legend's character for its colour, '?' for any other colour.
std::string Picture(const RasterCanvas& canvas, const Rect& area, Legend legend);

// How many pixels of `area` have `color`, or differ from it.
int CountPixels(const RasterCanvas& canvas, const Rect& area, Color color);
int CountOtherThan(const RasterCanvas& canvas, const Rect& area, Color color);

}  // namespace tickwell::rastertest
