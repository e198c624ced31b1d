#include "platform/win32/station_startup.h"

#include <windows.h>

#include <utility>

#include "app/station_choice.h"
#include "live/station.h"
#include "platform/win32/system/registry_store.h"

namespace tickwell::win32 {

namespace {

void ShowError(const std::string& text) {
    ::MessageBoxA(nullptr, text.c_str(), "Tickwell Error", MB_OK | MB_ICONERROR);
}

// The program's own key: where the five settings live too.
void SaveStation(const std::string& id) {
    if (!SaveStationSetting(kSettingsKeyPath, id)) {
        ShowError("Could not save station " + id + " in the registry.");
    }
}

// The Location dialog's choices reach the live source, which is never
// destroyed, and the registry through this handler.
void InstallStationHandler(live::LiveSource& source) {
    StationHandler handler;
    handler.station = source.StationId();
    handler.save = SaveStation;
    handler.use = [&source](const std::string& id) { source.UseStation(id); };
    SetStationHandler(std::move(handler));
}

}  // namespace

bool SaveStationSetting(const char* keyPath, const std::string& id) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    // The text with its terminating NUL, as a REG_SZ is stored.
    const LONG result = ::RegSetValueExA(key, live::kStationSettingName, 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(id.c_str()),
                                         static_cast<DWORD>(id.size() + 1));
    ::RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool StationWasChosen(SettingsStore& store) {
    std::string stored;
    const bool read = store.OpenForReading() && store.ReadText(live::kStationSettingName, &stored);
    store.Close();
    return read && live::NormalizeStationId(stored).has_value();
}

bool ChooseRequestedStation(live::LiveSource& source, const std::string& requested) {
    const std::string current = source.StationId();
    switch (source.CheckStation(requested)) {
        case live::StationCheck::Known: break;
        case live::StationCheck::Unknown:
            ShowError("The weather service knows no station " + requested +
                      ".\nTickwell keeps showing station " + current + ".");
            return false;
        // The service will be asked again with every fetch; the choice is
        // the user's.
        case live::StationCheck::Unreachable: break;
    }
    SaveStation(requested);
    source.UseStation(requested);
    return true;
}

void SetUpStation(live::LiveSource& source, const std::optional<std::string>& requested) {
    const bool taken = requested && ChooseRequestedStation(source, *requested);
    // Until a station was chosen the window tells how to choose one.
    if (!taken && !StationWasChosen(SystemSettingsStore())) {
        source.SetLocationHint(true);
    }
    InstallStationHandler(source);
}

}  // namespace tickwell::win32
