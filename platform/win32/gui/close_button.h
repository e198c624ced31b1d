// The main window's close button, a push button labelled "X".
//
// At 1x it is the system's plain button. At a larger scale it is drawn by
// its owner: a hidden plain button of the 1x size paints itself into a 1x
// bitmap, which is shown with every pixel grown to a square. The button
// then looks exactly as at 1x, only larger, and still acts as a button.
#pragma once

#include <windows.h>

#include "platform/geometry.h"

namespace tickwell::win32 {

class CloseButton {
public:
    CloseButton() = default;
    ~CloseButton();
    CloseButton(const CloseButton&) = delete;
    CloseButton& operator=(const CloseButton&) = delete;

    // Makes the button at `bounds` (1x client coordinates) of `parent`,
    // drawn at `scale`, whose enlarged picture starts `offset` 1x pixels
    // inside the window. A button made before goes first.
    void Create(HWND parent, const Rect& bounds, int controlId, int scale, int offset);
    bool created() const { return button_ != nullptr; }
    // Where the button is, in the parent's client pixels.
    Rect Shown() const { return shown_; }
    // Paints the owner-drawn button (WM_DRAWITEM): false when the item is
    // not this button.
    bool Draw(const DRAWITEMSTRUCT& item) const;

private:
    void Destroy();

    HWND button_ = nullptr;
    HWND model_ = nullptr;
    HFONT font_ = nullptr;
    Rect bounds_{};
    Rect shown_{};
    int scale_ = 1;
};

}  // namespace tickwell::win32
