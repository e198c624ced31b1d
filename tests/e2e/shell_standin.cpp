// Plays the parts of the Windows shell and of the user that the end-to-end
// tests of the notification-area icon need beside the program under Wine,
// and looks at the result:
//
//     tickwell-shell-standin.exe forget TITLE ID
//         the notification area drops the icon ID of the window TITLE, as
//         when Explorer ends (NIM_DELETE on the window's behalf)
//     tickwell-shell-standin.exe taskbar-created
//         a restarted Explorer's announcement to every top-level window
//     tickwell-shell-standin.exe minimize TITLE
//         the window TITLE minimised, as "Show desktop" does
//     tickwell-shell-standin.exe cover TITLE
//         another program's window, titled TITLE, taken to the front; it
//         stays until it is closed
//     tickwell-shell-standin.exe look TITLE FILE
//         writes "front=<the foreground window's title>" and
//         "minimized=<0|1>" of the window TITLE to FILE
//
// Exit status 0 when done, 1 when there is no such window or the call
// failed, 2 for a bad command line. The results go to a file: a program
// started into Wine's virtual desktop has no standard output of the test's.
#include <windows.h>
// shellapi.h needs what windows.h defines.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND WindowTitled(const char* title) {
    HWND window = ::FindWindowA(nullptr, title);
    if (window == nullptr) std::fprintf(stderr, "no window titled %s\n", title);
    return window;
}

int Forget(const char* title, const char* id) {
    HWND window = WindowTitled(title);
    if (window == nullptr) return 1;
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = static_cast<UINT>(std::strtoul(id, nullptr, 0));
    return ::Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
}

int TaskbarCreated() {
    const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message != 0 && ::SendNotifyMessageA(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
}

int Minimize(const char* title) {
    HWND window = WindowTitled(title);
    if (window == nullptr) return 1;
    ::ShowWindow(window, SW_MINIMIZE);
    return ::IsIconic(window) ? 0 : 1;
}

LRESULT CALLBACK CoverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

int Cover(const char* title) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CoverProcedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "TickwellTestCover";
    if (::RegisterClassA(&windowClass) == 0) return 1;
    HWND window = ::CreateWindowExA(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW, 0, 0,
                                    400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return 1;
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::SetForegroundWindow(window);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return 0;
}

int Look(const char* title, const char* path) {
    char front[256] = "";
    if (HWND foreground = ::GetForegroundWindow()) {
        ::GetWindowTextA(foreground, front, sizeof front);
    }
    HWND window = ::FindWindowA(nullptr, title);
    FILE* file = std::fopen(path, "w");
    if (file == nullptr) return 1;
    std::fprintf(file, "front=%s\nminimized=%d\n", front,
                 window != nullptr && ::IsIconic(window) ? 1 : 0);
    return std::fclose(file) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const char* command = argc > 1 ? argv[1] : "";
    if (std::strcmp(command, "forget") == 0 && argc == 4) return Forget(argv[2], argv[3]);
    if (std::strcmp(command, "taskbar-created") == 0 && argc == 2) return TaskbarCreated();
    if (std::strcmp(command, "minimize") == 0 && argc == 3) return Minimize(argv[2]);
    if (std::strcmp(command, "cover") == 0 && argc == 3) return Cover(argv[2]);
    if (std::strcmp(command, "look") == 0 && argc == 4) return Look(argv[2], argv[3]);
    std::fputs(
        "usage: tickwell-shell-standin forget TITLE ID | taskbar-created | minimize TITLE |"
        " cover TITLE | look TITLE FILE\n",
        stderr);
    return 2;
}
