#include "platform/win32/gui/desktop.h"

#include <commctrl.h>

#include "platform/win32/gui/module_instance.h"
#include "resources/resource_ids.h"

namespace tickwell::win32 {

namespace {

constexpr int kCaptionLength = 60;
constexpr int kMessageLength = 120;

}  // namespace

HINSTANCE moduleInstance = nullptr;

void Win32Desktop::InitCommonControls() {
    ::InitCommonControls();
}

bool Win32Desktop::RegisterWindowClass() {
    WNDCLASSA windowClass = {};
    windowClass.style = kWindowClassStyle;
    windowClass.lpfnWndProc = Win32Window::WindowProcedure;
    windowClass.hInstance = moduleInstance;
    windowClass.hIcon = ::LoadIconA(moduleInstance, MAKEINTRESOURCEA(IDI_TICKWELL));
    windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = kWindowClassName;
    return ::RegisterClassA(&windowClass) != 0;
}

Point Win32Desktop::ScreenSize() {
    HDC display = ::CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    const Point size{::GetDeviceCaps(display, HORZRES), ::GetDeviceCaps(display, VERTRES)};
    ::DeleteDC(display);
    return size;
}

WindowServices* Win32Desktop::CreateMainWindow(int x, int y, int width, int height,
                                               WindowHandlers& handlers) {
    // The window services object is never freed: a fetch job may still
    // invalidate the window through it while the process ends.
    auto* window = new Win32Window(handlers);
    char title[kCaptionLength] = {};
    ::LoadStringA(moduleInstance, IDS_TITLE, title, kCaptionLength);
    HWND hwnd = ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kWindowClassName, title,
                                  WS_POPUP | WS_BORDER, x, y, width, height, nullptr, nullptr,
                                  moduleInstance, window);
    if (hwnd == nullptr) return nullptr;
    window_ = window;
    return window;
}

void Win32Desktop::ShowMainWindow() {
    ::ShowWindow(window_->hwnd(), SW_SHOWNORMAL);
    ::InvalidateRect(window_->hwnd(), nullptr, TRUE);
}

int Win32Desktop::RunMessageLoop() {
    MSG message = {};
    BOOL got = 0;
    while ((got = ::GetMessageA(&message, nullptr, 0, 0)) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 0;
}

void Win32Desktop::ShowErrorBox(int textId) {
    char caption[kCaptionLength] = {};
    char text[kMessageLength] = {};
    ::LoadStringA(moduleInstance, IDS_ERROR_CAPTION, caption, kCaptionLength);
    ::LoadStringA(moduleInstance, textId, text, kMessageLength);
    ::MessageBoxA(nullptr, text, caption, MB_ICONERROR | MB_OK);
}

}  // namespace tickwell::win32
