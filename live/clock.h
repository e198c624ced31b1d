// The time the live source goes by: seconds since 1970-01-01 UTC. Behind an
// interface so that tests can step through an hour in an instant.
#pragma once

#include <cstdint>

namespace tickwell::live {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t UnixSeconds() = 0;
};

// The system's wall clock.
Clock& SystemClock();

}  // namespace tickwell::live
