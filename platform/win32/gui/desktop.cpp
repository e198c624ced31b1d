#include "platform/win32/gui/desktop.h"

#include <commctrl.h>

#include "app/main_window.h"
#include "platform/win32/gui/module_instance.h"
#include "platform/win32/gui/monitor_dpi.h"
#include "platform/window_scale.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"

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

// The Scale setting when it holds a scale, else the density of the
// primary monitor, whose size the start-up keeps the window within.
int Win32Desktop::Scale() {
    if (scale_ == 0) scale_ = ChooseWindowScale(settings.storedScale, DpiAt(POINT{0, 0}));
    return scale_;
}

// The logic keeps its 200x45 window on the screen by lowering the position
// to the screen's size less the window's. An enlarged window is larger by
// (scale - 1) times that, so the screen is given as smaller by as much: the
// whole enlarged window then stays on it, and positions remain screen pixels.
Point Win32Desktop::ScreenSize() {
    HDC display = ::CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    const Point size{::GetDeviceCaps(display, HORZRES), ::GetDeviceCaps(display, VERTRES)};
    ::DeleteDC(display);
    const int scale = Scale();
    return Point{size.x - (scale - 1) * kWindowWidth, size.y - (scale - 1) * kWindowHeight};
}

WindowServices* Win32Desktop::CreateMainWindow(int x, int y, int width, int height,
                                               WindowHandlers& handlers) {
    // The window services object is never freed: a fetch job may still
    // invalidate the window through it while the process ends.
    const int scale = Scale();
    auto* window =
        new Win32Window(handlers, width, height, scale, ForcedWindowScale(settings.storedScale));
    char title[kCaptionLength] = {};
    ::LoadStringA(moduleInstance, IDS_TITLE, title, kCaptionLength);
    HWND hwnd = ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kWindowClassName, title,
                                  WindowStyleFor(scale), x, y, width * scale, height * scale,
                                  nullptr, nullptr, moduleInstance, window);
    if (hwnd == nullptr) return nullptr;
    // A window placed on another monitor takes that monitor's scale; the
    // system tells of later changes only.
    window->ApplyScale(window->ScaleForDpi(WindowDpi(hwnd)));
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
