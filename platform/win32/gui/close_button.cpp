#include "platform/win32/gui/close_button.h"

#include <cstdlib>

#include "platform/win32/gui/module_instance.h"
#include "platform/win32/gui/monitor_dpi.h"
#include "platform/window_scale.h"

namespace tickwell::win32 {

namespace {

constexpr const char* kLabel = "X";

HWND MakeButton(HWND parent, DWORD style, const Rect& place, int controlId) {
    return ::CreateWindowA(
        "BUTTON", kLabel, WS_CHILD | style, place.left, place.top, place.Width(), place.Height(),
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), moduleInstance, nullptr);
}

// The average character width of `font` made without a width of its own:
// the width its face has at its height.
LONG NaturalWidth(LOGFONTA font) {
    font.lfWidth = 0;
    HFONT natural = ::CreateFontIndirectA(&font);
    if (natural == nullptr) return 0;
    TEXTMETRICA metrics{};
    HDC screen = ::GetDC(nullptr);
    if (screen != nullptr) {
        HGDIOBJ replaced = ::SelectObject(screen, natural);
        ::GetTextMetricsA(screen, &metrics);
        ::SelectObject(screen, replaced);
        ::ReleaseDC(nullptr, screen);
    }
    ::DeleteObject(natural);
    return metrics.tmAveCharWidth;
}

// The font a button without one of its own writes with, the system font,
// as it is on an ordinary 96 dpi screen: the stock font grows with the
// system's density, and the 1x picture must not. Null on such a screen,
// where the stock font is that font.
//
// The height shrinks back by the density. Windows grows the width with the
// height; Wine leaves it as at 96 dpi, and halving it there squeezes the
// "X" to half its width. Of the two readings of the width, the one nearer
// the face's own width at the 1x height is the 1x width.
HFONT MakeOneXSystemFont() {
    const int dpi = SystemDpi();
    LOGFONTA font{};
    if (dpi == USER_DEFAULT_SCREEN_DPI ||
        ::GetObjectA(::GetStockObject(SYSTEM_FONT), sizeof font, &font) != sizeof font) {
        return nullptr;
    }
    font.lfHeight = ::MulDiv(font.lfHeight, USER_DEFAULT_SCREEN_DPI, dpi);
    if (font.lfWidth != 0) {
        const LONG shrunk = ::MulDiv(font.lfWidth, USER_DEFAULT_SCREEN_DPI, dpi);
        const LONG natural = NaturalWidth(font);
        if (std::labs(shrunk - natural) <= std::labs(font.lfWidth - natural)) {
            font.lfWidth = shrunk;
        }
    }
    return ::CreateFontIndirectA(&font);
}

}  // namespace

CloseButton::~CloseButton() {
    Destroy();
}

// The model goes before its font, which it may still hold.
void CloseButton::Destroy() {
    if (button_ != nullptr) ::DestroyWindow(button_);
    if (model_ != nullptr) ::DestroyWindow(model_);
    if (font_ != nullptr) ::DeleteObject(font_);
    button_ = nullptr;
    model_ = nullptr;
    font_ = nullptr;
}

void CloseButton::Create(HWND parent, const Rect& bounds, int controlId, int scale, int offset) {
    Destroy();
    bounds_ = bounds;
    scale_ = scale;
    shown_ = EnlargedRect(bounds, scale, offset);
    font_ = MakeOneXSystemFont();
    // At 1x the button draws itself; enlarged, its model draws the picture.
    HWND drawing = nullptr;
    if (scale <= 1) {
        button_ = MakeButton(parent, WS_VISIBLE, shown_, controlId);
        drawing = button_;
    } else {
        button_ = MakeButton(parent, WS_VISIBLE | BS_OWNERDRAW, shown_, controlId);
        // The model never shows and is never clicked; its id is no command's.
        model_ = MakeButton(parent, 0, Rect{0, 0, bounds.Width(), bounds.Height()}, 0);
        drawing = model_;
    }
    if (drawing != nullptr && font_ != nullptr) {
        ::SendMessageA(drawing, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
}

// The model takes the real button's pressed state, paints itself into a
// 1x bitmap (WM_PRINTCLIENT, as for a print-out), and that picture is
// enlarged into the real button.
bool CloseButton::Draw(const DRAWITEMSTRUCT& item) const {
    if (item.hwndItem != button_ || button_ == nullptr) return false;
    const int width = bounds_.Width();
    const int height = bounds_.Height();
    if (model_ == nullptr || width <= 0 || height <= 0) return true;
    HDC memory = ::CreateCompatibleDC(item.hDC);
    HBITMAP bitmap =
        memory != nullptr ? ::CreateCompatibleBitmap(item.hDC, width, height) : nullptr;
    if (bitmap != nullptr) {
        HGDIOBJ replaced = ::SelectObject(memory, bitmap);
        const BOOL pressed = (item.itemState & ODS_SELECTED) != 0;
        ::SendMessageA(model_, BM_SETSTATE, static_cast<WPARAM>(pressed), 0);
        ::SendMessageA(model_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
                       PRF_CLIENT | PRF_ERASEBKGND);
        const int previousMode = ::SetStretchBltMode(item.hDC, COLORONCOLOR);
        ::StretchBlt(item.hDC, item.rcItem.left, item.rcItem.top, width * scale_, height * scale_,
                     memory, 0, 0, width, height, SRCCOPY);
        if (previousMode != 0) ::SetStretchBltMode(item.hDC, previousMode);
        ::SelectObject(memory, replaced);
        ::DeleteObject(bitmap);
    }
    if (memory != nullptr) ::DeleteDC(memory);
    return true;
}

}  // namespace tickwell::win32
