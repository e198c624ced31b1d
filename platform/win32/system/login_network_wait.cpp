#include "platform/win32/system/login_network_wait.h"

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

namespace tickwell::platform {

NetworkWaitResult WaitForNetworkAtLogin() {
    // The same question as the start-up check's (WinInet::CanConnect), so
    // the wait ends exactly when that check would pass.
    return WaitForNetwork({[] { return ::InternetAttemptConnect(0) == ERROR_SUCCESS; },
                           [] { return static_cast<std::int64_t>(::GetTickCount64()); },
                           [](std::int64_t ms) {
                               ::Sleep(static_cast<DWORD>(ms));
                               return true;
                           }});
}

}  // namespace tickwell::platform
