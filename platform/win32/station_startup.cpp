#include "platform/win32/station_startup.h"

#include <windows.h>

#include "live/station.h"
#include "platform/win32/system/registry_store.h"

namespace tickwell::win32 {

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

void SaveStation(const std::string& id) {
    if (!SaveStationSetting(kSettingsKeyPath, id)) {
        const std::string text = "Could not save station " + id + " in the registry.";
        ::MessageBoxA(nullptr, text.c_str(), "Tickwell Error", MB_OK | MB_ICONERROR);
    }
}

}  // namespace tickwell::win32
