// The wait for the network after a start at login, on a fake clock: how
// often the system is asked, when the wait gives up and when it stops.
#include "platform/network_wait.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tickwell::platform {
namespace {

// A system whose network comes up at the `readyAtPoll`-th question (0:
// never), where each question takes `checkMs`, and where the program is
// asked to end during the `stopAtPause`-th pause (0: never).
struct Behaviour {
    int readyAtPoll = 0;
    std::int64_t checkMs = 0;
    int stopAtPause = 0;
};

struct FakeSystem {
    explicit FakeSystem(Behaviour b) : behaviour(b) {}

    Behaviour behaviour;
    std::int64_t now = 5000;  // any start
    int polls = 0;
    std::vector<std::int64_t> pauses;

    NetworkWaitHooks Hooks() {
        return {[this] {
                    ++polls;
                    now += behaviour.checkMs;
                    return behaviour.readyAtPoll != 0 && polls >= behaviour.readyAtPoll;
                },
                [this] { return now; },
                [this](std::int64_t ms) {
                    pauses.push_back(ms);
                    if (behaviour.stopAtPause != 0 &&
                        static_cast<int>(pauses.size()) >= behaviour.stopAtPause) {
                        now += ms / 2;
                        return false;
                    }
                    now += ms;
                    return true;
                }};
    }
};

TEST(NetworkWait, AsksAboutOnceASecondUntilReadyGivesUpOrIsStopped) {
    struct Case {
        const char* what;
        Behaviour system;
        NetworkWaitResult result;
        int polls;
        std::int64_t waitedMs;  // from the first question to the answer
    };
    const Case cases[] = {
        {"up at once", {1, 0, 0}, NetworkWaitResult::Ready, 1, 0},
        {"up at the 7th question", {7, 0, 0}, NetworkWaitResult::Ready, 7, 6000},
        // Questions at 0, 1, ..., 120 s: the one at the limit still counts.
        {"up at the last question", {121, 0, 0}, NetworkWaitResult::Ready, 121, 120000},
        {"never up", {0, 0, 0}, NetworkWaitResult::TimedOut, 121, 120000},
        // Slow questions use up the time: the last pause shrinks to the limit, and
        // the question after it is the last.
        {"slow questions", {0, 300, 0}, NetworkWaitResult::TimedOut, 94, 120300},
        {"stopped in the 3rd pause", {0, 0, 3}, NetworkWaitResult::Stopped, 3, 2500},
        {"stopped in the 1st pause", {5, 0, 1}, NetworkWaitResult::Stopped, 1, 500},
    };
    for (const Case& c : cases) {
        FakeSystem system(c.system);
        const std::int64_t start = system.now;
        EXPECT_EQ(WaitForNetwork(system.Hooks()), c.result) << c.what;
        EXPECT_EQ(system.polls, c.polls) << c.what;
        EXPECT_EQ(system.now - start, c.waitedMs) << c.what;
        for (const std::int64_t pause : system.pauses) {
            EXPECT_GT(pause, 0) << c.what;
            EXPECT_LE(pause, kLoginNetworkPollMs) << c.what;
        }
    }
}

TEST(NetworkWait, LimitAndPollAreTheCallersToChoose) {
    FakeSystem system(Behaviour{});
    const std::int64_t start = system.now;
    EXPECT_EQ(WaitForNetwork(system.Hooks(), 2500, 1000), NetworkWaitResult::TimedOut);
    // Questions at 0, 1, 2 and 2.5 s; the last pause is cut to the limit.
    EXPECT_EQ(system.polls, 4);
    EXPECT_EQ(system.pauses, (std::vector<std::int64_t>{1000, 1000, 500}));
    EXPECT_EQ(system.now - start, 2500);
}

}  // namespace
}  // namespace tickwell::platform
