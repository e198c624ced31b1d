// A start at login on Windows (the installer's Run entry passes
// --at-login): before the start-up check, wait for the connection that
// check asks about, as platform/network_wait.h says. Nothing can ask the
// program to end meanwhile: it has no window yet, and at the end of the
// session Windows ends a process without one.
#pragma once

#include "platform/network_wait.h"

namespace tickwell::platform {

NetworkWaitResult WaitForNetworkAtLogin();

}  // namespace tickwell::platform
