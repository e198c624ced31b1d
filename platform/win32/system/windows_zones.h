// The Windows time zone that stands for each IANA zone, from the Unicode
// CLDR's mapping; windows_zones.cpp is written by
// scripts/make_windows_zones.mjs.
#pragma once

#include <span>

namespace tickwell::platform::win32 {

struct WindowsZone {
    const char* iana;        // "Europe/London"
    const wchar_t* windows;  // "GMT Standard Time": a TimeZoneKeyName
};

// Sorted by IANA name (byte order), each name once.
std::span<const WindowsZone> WindowsZones();

}  // namespace tickwell::platform::win32
