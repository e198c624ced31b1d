#include "display/ticker.h"

#include <algorithm>
#include <new>

namespace tickwell {

Font* tickerFont = nullptr;
Bitmap* tickerBitmap = nullptr;
Brush* tickerBackgroundBrush = nullptr;
std::int32_t visibleChars = 0;
char* TickerWindow = nullptr;

namespace {

// The strip's width as a fixed number, from which visibleChars is reckoned.
constexpr int kStripWidth = 170;
// The width assumed for a character whose width can't be measured (or is
// reported as 0 or less): a usual fixed-pitch width at this cell height.
constexpr int kFallbackCharWidth = 8;
// Lead-in before the text and gap between its end and its new start.
constexpr std::int32_t kScrollGap = -kScrollStart;

// Writes characters into TickerWindow while counting the cells they claim.
class WindowWriter {
public:
    WindowWriter(char* window, std::int32_t cells) : window_(window), cells_(cells) {}

    bool Full() const { return used_ >= cells_; }
    void Put(char character) {
        if (window_ != nullptr) window_[written_] = character;
        ++written_;
        ++used_;
    }
    // Claims a cell without storing a character in it.
    void Skip() { ++used_; }
    void Finish() {
        if (window_ != nullptr) window_[written_] = '\0';
    }

private:
    char* window_;
    std::int32_t cells_;
    std::int32_t used_ = 0;
    std::int32_t written_ = 0;
};

}  // namespace

std::int32_t VisibleCharsFor(int charWidth) {
    return kStripWidth / (charWidth > 0 ? charWidth : kFallbackCharWidth);
}

void CreateTickerResources(Graphics& graphics, void (*betweenFonts)(Graphics&)) {
    tickerFont =
        graphics.CreateFixedFont(FontAttributes{13, FontWeight::Thin, FontQuality::Draft, ""});
    if (betweenFonts != nullptr) betweenFonts(graphics);

    int charWidth = 0;
    if (std::unique_ptr<Canvas> display = graphics.OpenDisplayCanvas()) {
        tickerBitmap = display->CreateCompatibleBitmap(tickerRect.Width(), tickerRect.Height());
        Font* kept = display->SelectFont(tickerFont);
        if (kept != nullptr) {
            charWidth = display->CharWidth('A');
            display->SelectFont(kept);
        }
    }

    visibleChars = VisibleCharsFor(charWidth);
    TickerWindow = new (std::nothrow) char[static_cast<std::size_t>(visibleChars) + 1];
    if (TickerWindow != nullptr) {
        TickerWindow[0] = '\0';
    } else {
        visibleChars = 0;
    }
    tickerBackgroundBrush = graphics.CreateSolidBrush(kTickerBackground);
}

void ReleaseTickerResources(void (*afterFont)()) {
    delete[] TickerWindow;
    TickerWindow = nullptr;
    delete tickerFont;
    tickerFont = nullptr;
    if (afterFont != nullptr) afterFont();
    delete tickerBitmap;
    tickerBitmap = nullptr;
    delete tickerBackgroundBrush;
    tickerBackgroundBrush = nullptr;
    visibleChars = 0;
}

void TickerStep(ScrollText& scroll) {
    DataMutexHold hold;
    // A text that was never allocated counts as empty, and a length beyond
    // the buffer is cut to it, so the step never reads outside the text.
    const std::int32_t length =
        scroll.text == nullptr ? 0 : std::clamp(scroll.length, 0, kTextBufferSize - 1);

    WindowWriter window(TickerWindow, std::max(visibleChars, 0));
    std::int32_t i = scroll.position;
    while (i < 0 && !window.Full()) {
        window.Put(' ');
        ++i;
    }
    while (i < length && !window.Full()) {
        window.Put(scroll.text[i]);
        ++i;
    }
    if (!window.Full()) {
        // Wrap-around: one cell is claimed but left without a character,
        // then the gap once and the text from its start at most once more.
        window.Skip();
        for (i = -kScrollGap; i < 0 && !window.Full(); ++i) window.Put(' ');
        for (i = 0; i < length && !window.Full(); ++i) window.Put(scroll.text[i]);
    }
    window.Finish();

    // Compared before adding, so a position at the end of the int range
    // can't overflow.
    scroll.position = scroll.position >= length - 1 ? kScrollStart : scroll.position + 1;
}

void DrawTicker(Canvas& canvas) {
    std::unique_ptr<Canvas> memory = canvas.CreateCompatibleCanvas();
    if (!memory) return;
    memory->SetBackgroundMode(BackgroundMode::Transparent);
    memory->SetTextColor(tickerTextColor);
    Font* keptFont = memory->SelectFont(tickerFont);
    Bitmap* keptBitmap = memory->SelectBitmap(tickerBitmap);
    Brush* keptBrush = memory->SelectBrush(tickerBackgroundBrush);

    const Rect strip{0, 0, tickerRect.Width(), tickerRect.Height()};
    memory->Rectangle(strip);
    memory->TextLine(strip, TickerWindow != nullptr ? TickerWindow : "");
    canvas.CopyFrom(*memory, 0, 0, strip.right, strip.bottom, tickerRect.left, tickerRect.top);

    // Put back only what was replaced; a failed selection returned null.
    if (keptBitmap != nullptr) memory->SelectBitmap(keptBitmap);
    if (keptFont != nullptr) memory->SelectFont(keptFont);
    if (keptBrush != nullptr) memory->SelectBrush(keptBrush);
}

}  // namespace tickwell
