// The times the live source goes by, behind an interface so that tests can
// step through an hour in an instant and set the PC's clock wrong.
#pragma once

#include <cstdint>

namespace tickwell::live {

class Clock {
public:
    virtual ~Clock() = default;
    // The wall clock: seconds since 1970-01-01 UTC. It may be wrong, and it
    // may step forward or back at any time.
    virtual std::int64_t UnixSeconds() = 0;
    // Seconds since some fixed moment of this run; never steps, never goes
    // back. Spacing, freshness and back-off are measured with it.
    virtual std::int64_t MonotonicSeconds() = 0;
    // Minutes east of UTC of the system's local time at `unixSeconds`.
    virtual int LocalOffsetMinutes(std::int64_t unixSeconds) = 0;
};

// The system's clocks and time zone.
Clock& SystemClock();

}  // namespace tickwell::live
