#include "live/clock.h"

#include <chrono>
#include <ctime>

#include "live/time_text.h"

namespace tickwell::live {

namespace {

// The broken-down local time of `time`, without the C library's shared
// buffer, which another thread may be using.
bool LocalParts(std::time_t time, std::tm* parts) {
#if defined(_WIN32)
    return localtime_s(parts, &time) == 0;
#else
    return localtime_r(&time, parts) != nullptr;
#endif
}

class SystemClocks : public Clock {
public:
    std::int64_t UnixSeconds() override {
        using namespace std::chrono;
        return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
    }

    std::int64_t MonotonicSeconds() override {
        using namespace std::chrono;
        return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count();
    }

    // The local wall time read as if it were UTC, less the time itself.
    int LocalOffsetMinutes(std::int64_t unixSeconds) override {
        std::tm parts{};
        if (!LocalParts(static_cast<std::time_t>(unixSeconds), &parts)) {
            return 0;
        }
        const std::int64_t localAsUtc =
            DaysFromCivil(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday) * 86400 +
            parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec;
        return static_cast<int>((localAsUtc - unixSeconds) / 60);
    }
};

}  // namespace

Clock& SystemClock() {
    static SystemClocks clock;
    return clock;
}

}  // namespace tickwell::live
