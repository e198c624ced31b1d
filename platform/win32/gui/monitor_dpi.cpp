#include "platform/win32/gui/monitor_dpi.h"

namespace tickwell::win32 {

namespace {

// The monitor DPI kind of GetDpiForMonitor: the effective density, the one
// the desktop's scaling setting asks programs to draw at.
constexpr int kEffectiveDpi = 0;

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

// Loads a function by name; the cast goes through a plain function pointer
// type, which every function pointer converts to and from.
template <class Call>
Call Load(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

GetDpiForWindowCall WindowCall() {
    static const GetDpiForWindowCall call =
        Load<GetDpiForWindowCall>(::GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    return call;
}

// shcore.dll stays loaded for the rest of the run once it was needed.
GetDpiForMonitorCall MonitorCall() {
    static const GetDpiForMonitorCall call =
        Load<GetDpiForMonitorCall>(::LoadLibraryA("shcore.dll"), "GetDpiForMonitor");
    return call;
}

int MonitorDpi(HMONITOR monitor) {
    const GetDpiForMonitorCall call = MonitorCall();
    UINT x = 0;
    UINT y = 0;
    if (monitor != nullptr && call != nullptr && call(monitor, kEffectiveDpi, &x, &y) == S_OK &&
        x > 0) {
        return static_cast<int>(x);
    }
    return SystemDpi();
}

}  // namespace

int SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) return USER_DEFAULT_SCREEN_DPI;
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

int WindowDpi(HWND window) {
    if (const GetDpiForWindowCall call = WindowCall()) {
        const UINT dpi = call(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return MonitorDpi(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

int DpiAt(POINT point) {
    return MonitorDpi(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST));
}

}  // namespace tickwell::win32
