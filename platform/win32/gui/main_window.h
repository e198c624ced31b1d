// The main window on Win32: the window procedure turns messages into the
// window logic's events, and the window services are Win32 calls on it.
#pragma once

#include <windows.h>

#include "platform/window.h"

namespace tickwell::win32 {

// The class name, the same text the program sends as its HTTP user agent.
constexpr const char* kWindowClassName = "Mozilla/4.0";
constexpr UINT kWindowClassStyle =
    CS_DBLCLKS | CS_CLASSDC | CS_BYTEALIGNCLIENT | CS_BYTEALIGNWINDOW;
static_assert(kWindowClassStyle == 0x3048);

class Win32Window : public WindowServices {
public:
    explicit Win32Window(WindowHandlers& handlers) : handlers_(handlers) {}

    HWND hwnd() const { return hwnd_; }

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

    // The window procedure of the class "Mozilla/4.0". The creation
    // parameter is the Win32Window, which learns its handle at WM_NCCREATE,
    // before WM_CREATE runs the logic's creation handler.
    static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    WindowHandlers& handlers_;
    HWND hwnd_ = nullptr;
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
