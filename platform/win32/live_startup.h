// Start-up of the live weather source in the Windows program: the shared
// start-up (app/live_startup.h) with the registry's "Station" value, the
// rule that keeps TICKWELL_CA_FILE to an API on this machine, and its
// errors in message boxes.
#pragma once

#include <optional>
#include <string>

namespace tickwell::win32 {

// False, after one error message box, when the live source cannot be set
// up at all (an API address that is not http(s), or no HTTPS client: for
// example a TICKWELL_CA_FILE that can't be read). `requestedStation` is the
// id of --station, checked with the weather service before it is saved.
bool StartLiveWeather(const std::optional<std::string>& requestedStation);

}  // namespace tickwell::win32
