// Start-up of the live weather source in the Linux program: the station
// (from the settings file, or from --station after the weather service has
// been asked about it) and the live source in place of the HTTP library.
#pragma once

#include <optional>
#include <string>

namespace tickwell::linux_cli {

// False (after the reason, among its notes) when the live source cannot be
// set up at all.
bool StartLiveWeather(const std::optional<std::string>& requestedStation);

}  // namespace tickwell::linux_cli
