// Posts one message to a top-level window found by its title, as the
// system would send it; for the end-to-end tests under Wine (the wake-up
// from sleep).
//
//     tickwell-post-message.exe TITLE MESSAGE WPARAM LPARAM
//
// Numbers may be decimal or 0x hexadecimal. Exit status 0 when posted, 1
// when no such window, 2 for a bad command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: tickwell-post-message TITLE MESSAGE WPARAM LPARAM\n", stderr);
        return 2;
    }
    HWND window = ::FindWindowA(nullptr, argv[1]);
    if (window == nullptr) {
        std::fprintf(stderr, "no window titled %s\n", argv[1]);
        return 1;
    }
    const auto message = static_cast<UINT>(std::strtoul(argv[2], nullptr, 0));
    const auto wParam = static_cast<WPARAM>(std::strtoull(argv[3], nullptr, 0));
    const auto lParam = static_cast<LPARAM>(std::strtoll(argv[4], nullptr, 0));
    return ::PostMessageA(window, message, wParam, lParam) ? 0 : 1;
}
