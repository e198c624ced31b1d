// Start-up of the live weather source in the Windows program: the station
// from the registry (value "Station", which only the user writes), the
// options from the environment, and the live source in place of the HTTP
// library.
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
