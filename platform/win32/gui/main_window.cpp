#include "platform/win32/gui/main_window.h"

#include "platform/win32/gui/gdi_graphics.h"
#include "platform/win32/gui/location_dialog.h"
#include "platform/win32/gui/module_instance.h"
#include "platform/win32/gui/popup_menu.h"
#include "platform/win32/gui/preferences_dialog.h"

namespace tickwell::win32 {

void Win32Window::Invalidate(const Rect* area, bool eraseBackground) {
    // Safe from any thread, and harmless once the window is gone: the call
    // then fails on the stale handle.
    if (area == nullptr) {
        ::InvalidateRect(hwnd_, nullptr, eraseBackground);
        return;
    }
    const RECT rect{area->left, area->top, area->right, area->bottom};
    ::InvalidateRect(hwnd_, &rect, eraseBackground);
}

void Win32Window::CreateCloseButton(const Rect& bounds, int controlId) {
    ::CreateWindowA("BUTTON", "X", WS_CHILD | WS_VISIBLE, bounds.left, bounds.top, bounds.Width(),
                    bounds.Height(), hwnd_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), moduleInstance,
                    nullptr);
}

std::uintptr_t Win32Window::StartTimer(std::uintptr_t id, std::uint32_t periodMs) {
    return ::SetTimer(hwnd_, id, periodMs, nullptr);
}

void Win32Window::StopTimer(std::uintptr_t id) {
    ::KillTimer(hwnd_, id);
}

std::unique_ptr<Canvas> Win32Window::GetCanvas() {
    HDC dc = ::GetDC(hwnd_);
    if (dc == nullptr) return nullptr;
    return std::make_unique<GdiCanvas>(dc, ContextRelease::ReleaseDC, hwnd_);
}

Point Win32Window::ScreenPosition() {
    RECT rect{};
    ::GetWindowRect(hwnd_, &rect);
    return Point{rect.left, rect.top};
}

void Win32Window::Close() {
    ::SendMessageA(hwnd_, WM_CLOSE, 0, 0);
}

void Win32Window::PostQuit(int exitCode) {
    ::PostQuitMessage(exitCode);
}

std::unique_ptr<PopupMenu> Win32Window::CreatePopupMenu() {
    return std::make_unique<Win32PopupMenu>(hwnd_);
}

int Win32Window::RunLocationDialog(LocationProcedure& procedure) {
    return win32::RunLocationDialog(hwnd_, procedure);
}

int Win32Window::RunPreferencesDialog(DialogProcedure& procedure) {
    return win32::RunPreferencesDialog(hwnd_, procedure);
}

LRESULT CALLBACK Win32Window::WindowProcedure(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* window = static_cast<Win32Window*>(create->lpCreateParams);
        window->hwnd_ = hwnd;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* window = reinterpret_cast<Win32Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (window == nullptr) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    return window->Handle(message, wParam, lParam);
}

LRESULT Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: handlers_.OnCreate(*this); return 0;
        case WM_DESTROY: handlers_.OnDestroy(*this); return 0;
        // The process may end as soon as this returns, without WM_DESTROY:
        // the settings are saved now, as closing would.
        case WM_ENDSESSION:
            if (wParam != FALSE) handlers_.OnEndSession(*this);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = ::BeginPaint(hwnd_, &paint);
            {
                GdiCanvas canvas(dc, ContextRelease::None);
                handlers_.OnPaint(canvas);
            }
            ::EndPaint(hwnd_, &paint);
            return 0;
        }
        // Every point of the window is title bar, so a drag anywhere moves it.
        case WM_NCHITTEST: return HTCAPTION;
        case WM_NCRBUTTONDOWN:
            handlers_.OnRightClick(*this, ScreenXOf(lParam), ScreenYOf(lParam));
            return 0;
        case WM_COMMAND: handlers_.OnCommand(*this, LOWORD(wParam), HIWORD(wParam)); return 0;
        case WM_TIMER: handlers_.OnTimer(*this); return 0;
        default: return ::DefWindowProcA(hwnd_, message, wParam, lParam);
    }
}

}  // namespace tickwell::win32
