// Time zones on Windows: the IANA zone's Windows name (windows_zones.h),
// its rules for the year from the system's registry of time zones
// (EnumDynamicTimeZoneInformation, GetTimeZoneInformationForYear), and the
// instant turned into that zone's local time by the system.
#include "platform/time_zone.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/win32/system/windows_zones.h"

namespace tickwell::platform {
namespace {

// 100-nanosecond ticks from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kTicksTo1970 = 116444736000000000;
constexpr std::int64_t kTicksPerSecond = 10000000;

const wchar_t* WindowsNameOf(const std::string& zone) {
    const auto zones = win32::WindowsZones();
    const auto found = std::lower_bound(zones.begin(), zones.end(), zone,
                                        [](const win32::WindowsZone& row, const std::string& name) {
                                            return name.compare(row.iana) > 0;
                                        });
    return found != zones.end() && zone == found->iana ? found->windows : nullptr;
}

using EnumZonesCall = DWORD(WINAPI*)(DWORD, PDYNAMIC_TIME_ZONE_INFORMATION);

// EnumDynamicTimeZoneInformation (Windows 8 and later), looked up at run
// time: the 32-bit import library lacks it. The cast goes through a plain
// function pointer type, which every function pointer converts to and from.
EnumZonesCall EnumZones() {
    static const EnumZonesCall call = [] {
        // Loaded once, for the rest of the run, when the program does not
        // import from it already.
        const HMODULE module = ::LoadLibraryA("advapi32.dll");
        return module == nullptr ? nullptr
                                 : reinterpret_cast<EnumZonesCall>(reinterpret_cast<void (*)()>(
                                       ::GetProcAddress(module, "EnumDynamicTimeZoneInformation")));
    }();
    return call;
}

bool FindDynamicZone(const wchar_t* name, DYNAMIC_TIME_ZONE_INFORMATION& out) {
    const EnumZonesCall enumZones = EnumZones();
    if (enumZones == nullptr) {
        return false;
    }
    for (DWORD i = 0;; ++i) {
        DYNAMIC_TIME_ZONE_INFORMATION info{};
        if (enumZones(i, &info) != ERROR_SUCCESS) {
            return false;
        }
        if (std::wcscmp(info.TimeZoneKeyName, name) == 0) {
            out = info;
            return true;
        }
    }
}

bool ToSystemTime(std::int64_t ticks, SYSTEMTIME& out) {
    FILETIME file{};
    file.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
    file.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
    return FileTimeToSystemTime(&file, &out) != 0;
}

std::int64_t TicksOf(const SYSTEMTIME& time) {
    FILETIME file{};
    SystemTimeToFileTime(&time, &file);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(file.dwHighDateTime) << 32) |
                                     file.dwLowDateTime);
}

// The system's rules of each zone asked about, and of each year asked
// about: reading them walks the registry's list of zones, which takes
// milliseconds, and a week's forecast asks for dozens of offsets. A few
// zones and years are ever asked in a run; the cache starts afresh should
// it grow large all the same.
class RulesCache {
public:
    // The rules of the zone `name` for `year`, or none.
    std::optional<TIME_ZONE_INFORMATION> Rules(const wchar_t* name, WORD year) {
        std::lock_guard<std::mutex> hold(guard_);
        if (zones_.size() > kMostEntries || years_.size() > kMostEntries) {
            zones_.clear();
            years_.clear();
        }
        auto zone = zones_.find(name);
        if (zone == zones_.end()) {
            DYNAMIC_TIME_ZONE_INFORMATION dynamic{};
            std::optional<DYNAMIC_TIME_ZONE_INFORMATION> found;
            if (FindDynamicZone(name, dynamic)) {
                found = dynamic;
            }
            zone = zones_.emplace(name, found).first;
        }
        if (!zone->second) {
            return std::nullopt;
        }
        const auto key = std::make_pair(std::wstring(name), year);
        auto rules = years_.find(key);
        if (rules == years_.end()) {
            TIME_ZONE_INFORMATION information{};
            std::optional<TIME_ZONE_INFORMATION> found;
            if (GetTimeZoneInformationForYear(year, &*zone->second, &information)) {
                found = information;
            }
            rules = years_.emplace(key, found).first;
        }
        return rules->second;
    }

private:
    static constexpr std::size_t kMostEntries = 64;
    std::mutex guard_;
    std::map<std::wstring, std::optional<DYNAMIC_TIME_ZONE_INFORMATION>> zones_;
    std::map<std::pair<std::wstring, WORD>, std::optional<TIME_ZONE_INFORMATION>> years_;
};

RulesCache& Cache() {
    static RulesCache cache;
    return cache;
}

// The offset by the zone's rules for `year`, or none.
std::optional<int> OffsetForYear(const wchar_t* name, const SYSTEMTIME& utc, WORD year) {
    std::optional<TIME_ZONE_INFORMATION> rules = Cache().Rules(name, year);
    SYSTEMTIME local{};
    if (!rules || !SystemTimeToTzSpecificLocalTime(&*rules, &utc, &local)) {
        return std::nullopt;
    }
    return static_cast<int>((TicksOf(local) - TicksOf(utc)) / kTicksPerSecond);
}

}  // namespace

std::optional<int> UtcOffsetSeconds(const std::string& zone, std::int64_t utc) {
    const wchar_t* name = WindowsNameOf(zone);
    SYSTEMTIME utcTime{};
    if (!name || !ToSystemTime(utc * kTicksPerSecond + kTicksTo1970, utcTime)) {
        return std::nullopt;
    }
    std::optional<int> offset = OffsetForYear(name, utcTime, utcTime.wYear);
    // Near New Year the local year may be the next or the last; its rules
    // are the ones that hold.
    SYSTEMTIME localTime{};
    if (offset &&
        ToSystemTime(TicksOf(utcTime) + std::int64_t{*offset} * kTicksPerSecond, localTime) &&
        localTime.wYear != utcTime.wYear) {
        offset = OffsetForYear(name, utcTime, localTime.wYear);
    }
    return offset;
}

}  // namespace tickwell::platform
