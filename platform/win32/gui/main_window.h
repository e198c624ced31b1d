// The main window on Win32: the window procedure turns messages into the
// window logic's events, and the window services are Win32 calls on it.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/win32/gui/close_button.h"
#include "platform/win32/gui/enlarged_picture.h"
#include "platform/window.h"

namespace tickwell::win32 {

// The class name, the same text the program sends as its HTTP user agent.
constexpr const char* kWindowClassName = "Mozilla/4.0";
constexpr UINT kWindowClassStyle =
    CS_DBLCLKS | CS_CLASSDC | CS_BYTEALIGNCLIENT | CS_BYTEALIGNWINDOW;
static_assert(kWindowClassStyle == 0x3048);

// The window's styles at a scale: at 1x the system draws its one-pixel
// border; enlarged, the window draws it itself, as wide as a 1x pixel.
constexpr DWORD WindowStyleFor(int scale) {
    return scale > 1 ? WS_POPUP : WS_POPUP | WS_BORDER;
}
// The border's width in 1x pixels.
constexpr int kFrameWidth = 1;

// The main window. At a scale of 2 or 3 the logic still sees the 1x window:
// it draws on a 1x picture of the client area, which the window shows with
// every pixel grown to a square, and its rectangles are 1x ones. Screen
// positions (the window's place, the menu's) stay screen pixels.
class Win32Window : public WindowServices {
public:
    // `width` and `height` are the 1x size. `forcedScale` is the Scale
    // setting when it holds one; the monitor's density then never changes
    // the scale.
    Win32Window(WindowHandlers& handlers, int width, int height, int scale,
                std::optional<int> forcedScale);

    HWND hwnd() const { return hwnd_; }
    int scale() const { return scale_; }
    // Redraws the window at `scale`, keeping its top-left corner, or moving
    // it to `place` (the system's suggestion when the density changed).
    void ApplyScale(int scale, const RECT* place = nullptr);
    // The scale for a density: the forced one, else the rule's.
    int ScaleForDpi(int dpi) const;

    void Invalidate(const Rect* area, bool eraseBackground) override;
    void CreateCloseButton(const Rect& bounds, int controlId) override;
    std::uintptr_t StartTimer(std::uintptr_t id, std::uint32_t periodMs) override;
    void StopTimer(std::uintptr_t id) override;
    std::unique_ptr<Canvas> GetCanvas() override;
    Point ScreenPosition() override;
    void Close() override;
    void PostQuit(int exitCode) override;
    std::unique_ptr<PopupMenu> CreatePopupMenu() override;
    int RunPreferencesDialog(DialogProcedure& procedure) override;
    int RunLocationDialog(LocationProcedure& procedure) override;
    int RunUnitsDialog(DialogProcedure& procedure) override;

    // The window procedure of the class "Mozilla/4.0". The creation
    // parameter is the Win32Window, which learns its handle at WM_NCCREATE,
    // before WM_CREATE runs the logic's creation handler.
    static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void PaintEnlarged(HDC dc, const RECT& shown);
    // Shows `area` of the 1x picture, leaving out the button's square.
    void ShowPicture(HDC dc, const Rect& area);
    void DrawFrame(HDC dc) const;
    Rect PictureRect() const;
    std::vector<Rect> TakePendingErase();
    friend class PictureCanvas;

    WindowHandlers& handlers_;
    HWND hwnd_ = nullptr;
    const int width_;
    const int height_;
    const std::optional<int> forcedScale_;
    // Written only on the user-interface thread, under the lock; read by
    // Invalidate on any thread.
    std::atomic<int> scale_;
    // Parts (1x client coordinates) invalidated with their background,
    // which the enlarged window erases in its picture before the paint.
    std::mutex invalidateMutex_;
    std::vector<Rect> pendingErase_;
    EnlargedPicture picture_;
    CloseButton closeButton_;
    Rect closeBounds_{};
    int closeId_ = 0;
};

// The signed screen coordinates packed in a mouse message's position word:
// the low and high 16 bits, each sign-extended (negative left of or above
// the primary monitor).
constexpr int ScreenXOf(LPARAM position) {
    return static_cast<short>(static_cast<WORD>(position & 0xFFFF));
}
constexpr int ScreenYOf(LPARAM position) {
    return static_cast<short>(static_cast<WORD>((position >> 16) & 0xFFFF));
}

}  // namespace tickwell::win32
