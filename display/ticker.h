// The one-line strip in which the chosen forecast text scrolls.
#pragma once

#include <cstdint>

#include "app/weather_state.h"
#include "platform/canvas.h"

namespace tickwell {

constexpr Rect tickerRect{25, 5, 195, 20};
constexpr Color kTickerBackground = 0x2D2D2D;
constexpr Color tickerTextColor = 0x00FFDC;

extern Font* tickerFont;
extern Bitmap* tickerBitmap;
extern Brush* tickerBackgroundBrush;
extern std::int32_t visibleChars;
extern char* TickerWindow;  // visibleChars + 1 bytes

// Creates the ticker's resources; `betweenFonts` runs right after the ticker
// font is made (start-up creates the label font there).
void CreateTickerResources(Graphics& graphics, void (*betweenFonts)(Graphics&));
// Frees TickerWindow and deletes the ticker's objects; `afterFont` runs
// right after the ticker font is deleted (shutdown deletes the label font
// there).
void ReleaseTickerResources(void (*afterFont)() = nullptr);

// Cuts the visible stretch of `scroll` into TickerWindow and advances its
// position, under DataMutex.
void TickerStep(ScrollText& scroll);
void DrawTicker(Canvas& canvas);

// The number of cells in the strip for a character `charWidth` wide. A width
// that could not be measured (0 or less) counts as 8 pixels, giving 21.
std::int32_t VisibleCharsFor(int charWidth);

}  // namespace tickwell
