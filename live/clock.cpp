#include "live/clock.h"

#include <chrono>

namespace tickwell::live {

namespace {

class WallClock : public Clock {
public:
    std::int64_t UnixSeconds() override {
        using namespace std::chrono;
        return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
    }
};

}  // namespace

Clock& SystemClock() {
    static WallClock clock;
    return clock;
}

}  // namespace tickwell::live
