#include "platform/win32/live_startup.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <optional>
#include <string>

#include "app/escaped_text.h"
#include "app/live_startup.h"
#include "live/live_setup.h"
#include "platform/loopback_host.h"
#include "platform/settings_store.h"
#include "platform/win32/station_startup.h"

namespace tickwell::win32 {

namespace {

// A start-up message as a message box shows it: a sentence.
void ShowError(std::string text) {
    if (!text.empty()) {
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    }
    text += '.';
    ::MessageBoxA(nullptr, text.c_str(), "Tickwell Error", MB_OK | MB_ICONERROR);
}

// TICKWELL_CA_FILE is for tests against a fake of the service on this
// machine. Its certificates go into the user's root store, where every
// program of the user would trust them; so for any other address, the real
// service above all, the file is ignored and the store left as it is.
void KeepExtraCaFileForLoopbackOnly(live::LiveEnvironment* environment) {
    if (environment->extraCaFile.empty()) {
        return;
    }
    // The weather service's base must be on this machine, and so must the
    // bases of the services outside the US where they are set.
    const std::string* bases[] = {&environment->apiBase, &environment->metarBase,
                                  &environment->metNorwayBase};
    const char* defaults[] = {nullptr, live::kDefaultMetarBase, live::kDefaultMetNorwayBase};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::optional<live::HostPort> address = live::BaseHostPort(*bases[i]);
        if (!address || platform::IsLoopbackHost(address->host) ||
            (defaults[i] != nullptr && *bases[i] == defaults[i])) {
            continue;
        }
        std::fprintf(stderr,
                     "tickwell: TICKWELL_CA_FILE is used only with a TICKWELL_API_BASE on this "
                     "machine; ignored for %s\n",
                     EscapedForTerminal(address->host).c_str());
        environment->extraCaFile.clear();
        return;
    }
}

}  // namespace

bool StartLiveWeather(const std::optional<std::string>& requestedStation) {
    live::LiveEnvironment environment = live::ReadLiveEnvironment(SystemEnvironment);
    KeepExtraCaFileForLoopbackOnly(&environment);
    const LiveStartup startup =
        tickwell::StartLiveWeather(environment, SystemSettingsStore(), requestedStation,
                                   SaveStation, platform::SystemInternet());
    // Notes are for a terminal; a message box would stop the start-up for
    // something that needs no answer.
    for (const StartupMessage& message : startup.messages) {
        if (message.kind == StartupMessage::Kind::Error) {
            ShowError(message.text);
        }
    }
    return startup.started;
}

}  // namespace tickwell::win32
