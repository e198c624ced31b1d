// The freedesktop notification server on the session bus (sd-bus), as the
// program's Notifier.
#pragma once

#include <memory>
#include <string>

#include "platform/notifier.h"

namespace tickwell::platform {

// A notifier on the session bus's notification server; null, with `error`
// saying why ("no session bus: ...", "no notification server: ..."), when
// there is none. Each call waits at most two seconds for the server.
std::unique_ptr<Notifier> NewDesktopNotifier(std::string* error);

}  // namespace tickwell::platform
