// The integer scale (1, 2 or 3) the Linux program draws its window at.
#pragma once

#include <cstdint>
#include <optional>

namespace tickwell::linux_gui {

// The scale to draw at, decided once at start-up by the desktop: the
// environment variable TICKWELL_SCALE, else `stored` (the settings file's
// Scale value, read with the other settings), else 2 or 3 when the X
// resource Xft.dpi says the screen is dense (from 144 and from 240 dpi),
// else 1. A value that is not 1, 2 or 3 is passed over with a warning on
// standard error. Needs an open display for the last choice; without one
// it is 1. The settings store is not opened again.
int DecideDisplayScale(std::optional<std::uint32_t> stored);

}  // namespace tickwell::linux_gui
