// A start at login on Linux: before the start-up check, wait for the
// system's network (CheckSystemNetwork) as platform/network_wait.h says,
// ending the wait at once on SIGTERM, SIGINT or SIGHUP, since the session
// may end before the network ever comes up.
#pragma once

#include "platform/network_wait.h"

namespace tickwell::platform {

// Says on standard error that it waits, and why, when the network is not
// up at once. A signal the program ignores (SIGHUP under nohup) stays
// ignored.
NetworkWaitResult WaitForNetworkAtLogin();

}  // namespace tickwell::platform
