#include "platform/win32/station_startup.h"

#include <windows.h>

#include <vector>

#include "live/station.h"
#include "platform/win32/system/registry_store.h"

namespace tickwell::win32 {

namespace {

// Writes each (name, text) as a REG_SZ of `keyPath`; false when the
// registry refused any.
bool SaveTexts(const char* keyPath, const std::vector<live::PlaceText>& texts) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool saved = true;
    for (const live::PlaceText& text : texts) {
        // The text with its terminating NUL, as a REG_SZ is stored.
        saved =
            saved && ::RegSetValueExA(key, text.name, 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(text.value.c_str()),
                                      static_cast<DWORD>(text.value.size() + 1)) == ERROR_SUCCESS;
    }
    ::RegCloseKey(key);
    return saved;
}

}  // namespace

bool SaveStationSetting(const char* keyPath, const std::string& id) {
    return SaveTexts(keyPath, {{live::kStationSettingName, id}});
}

bool SavePlaceSetting(const char* keyPath, const std::optional<live::Place>& place) {
    return SaveTexts(keyPath, live::PlaceSettingTexts(place));
}

void SavePlace(const std::optional<live::Place>& place) {
    if (!SavePlaceSetting(kSettingsKeyPath, place)) {
        ::MessageBoxA(nullptr, "Could not save the place in the registry.", "Tickwell Error",
                      MB_OK | MB_ICONERROR);
    }
}

void SaveStation(const std::string& id) {
    if (!SaveStationSetting(kSettingsKeyPath, id)) {
        const std::string text = "Could not save station " + id + " in the registry.";
        ::MessageBoxA(nullptr, text.c_str(), "Tickwell Error", MB_OK | MB_ICONERROR);
    }
}

}  // namespace tickwell::win32
