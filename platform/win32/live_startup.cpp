#include "platform/win32/live_startup.h"

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "fetch/internet_connection.h"
#include "live/live_internet.h"
#include "live/live_setup.h"
#include "live/station.h"
#include "platform/loopback_host.h"
#include "platform/settings_store.h"
#include "platform/win32/station_startup.h"

namespace tickwell::win32 {

namespace {

void ShowError(const std::string& text) {
    ::MessageBoxA(nullptr, text.c_str(), "Tickwell Error", MB_OK | MB_ICONERROR);
}

// TICKWELL_CA_FILE is for tests against a fake of the service on this
// machine. Its certificates go into the user's root store, where every
// program of the user would trust them; so for any other address, the real
// service above all, the file is ignored and the store left as it is.
void KeepExtraCaFileForLoopbackOnly(const std::string& apiHost,
                                    live::LiveEnvironment* environment) {
    if (environment->extraCaFile.empty() || platform::IsLoopbackHost(apiHost)) return;
    std::fprintf(stderr,
                 "tickwell: TICKWELL_CA_FILE is used only with a TICKWELL_API_BASE on this "
                 "machine; ignored for %s\n",
                 apiHost.c_str());
    environment->extraCaFile.clear();
}

}  // namespace

bool StartLiveWeather(const std::optional<std::string>& requestedStation) {
    live::LiveEnvironment environment = live::ReadLiveEnvironment();
    const std::optional<live::HostPort> address = live::BaseHostPort(environment.apiBase);
    if (!address) {
        ShowError("TICKWELL_API_BASE is not an http or https address:\n" + environment.apiBase);
        return false;
    }
    KeepExtraCaFileForLoopbackOnly(address->host, &environment);
    live::LiveSource* source =
        live::StartLiveSource(environment, live::LoadStationId(SystemSettingsStore()));
    if (source == nullptr) {
        ShowError(environment.extraCaFile.empty()
                      ? std::string("Could not set up secure connections.")
                      : "Could not trust the certificates of TICKWELL_CA_FILE:\n" +
                            environment.extraCaFile);
        return false;
    }
    // Both live for the whole run, like the source.
    static live::LiveInternet internet(*source, platform::SystemInternet());
    static std::string host = address->host;
    UseInternet(internet);
    // The start-up check looks at the weather service's address.
    weatherServer = {host.c_str(), address->port};
    SetUpStation(*source, requestedStation);
    return true;
}

}  // namespace tickwell::win32
