// What the close relies on: waiting a bounded time for every thread to end,
// and cutting the sleeps of the threads short meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "platform/threads.h"

namespace tickwell::platform {
namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::atomic<int> entriesDone{0};
std::atomic<bool> released{false};

std::uint32_t SleepThenCount(void* parameter) {
    Sleep(*static_cast<std::uint32_t*>(parameter));
    entriesDone.fetch_add(1);
    return 0;
}

std::uint32_t WaitForRelease(void*) {
    while (!released.load()) Sleep(5);
    entriesDone.fetch_add(1);
    return 0;
}

Thread* StartThread(ThreadEntry entry, void* parameter) {
    Thread* thread = CreateSuspendedThread(entry, parameter, 0, nullptr);
    EXPECT_NE(thread, nullptr);
    if (thread != nullptr) ResumeThread(thread);
    return thread;
}

// The close's sequence: threads whose handles were closed early or never,
// one still blocked; the bounded wait gives up in its time and succeeds once
// the blocked one is let go.
TEST(ThreadEndTest, BoundedWaitCoversEveryThreadAndGivesUpInTime) {
    entriesDone = 0;
    released = false;
    std::uint32_t shortPause = 0;
    std::uint32_t longerPause = 50;
    CloseThread(StartThread(SleepThenCount, &shortPause));
    Thread* kept = StartThread(SleepThenCount, &longerPause);
    CloseThread(StartThread(WaitForRelease, nullptr));

    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(WaitForAllThreads(400));
    const long long waited = MillisecondsSince(start);
    EXPECT_GE(waited, 350);
    EXPECT_LT(waited, 1500);
    EXPECT_EQ(entriesDone.load(), 2) << "the wait gave up before the other two had ended";

    released = true;
    EXPECT_TRUE(WaitForAllThreads(5000));
    EXPECT_EQ(entriesDone.load(), 3);
    // Ended threads need no more waiting, and a handle closed after its
    // thread was waited for is still fine to close.
    const Clock::time_point again = Clock::now();
    EXPECT_TRUE(WaitForAllThreads(5000));
    EXPECT_LT(MillisecondsSince(again), 1000);
    CloseThread(kept);
}

TEST(ThreadEndTest, CuttingSleepsShortEndsThemNowAndUntilCleared) {
    entriesDone = 0;
    std::uint32_t longPause = 20000;
    CloseThread(StartThread(SleepThenCount, &longPause));
    Sleep(50);

    const Clock::time_point start = Clock::now();
    SetSleepsCutShort(true);
    EXPECT_TRUE(WaitForAllThreads(5000));
    EXPECT_EQ(entriesDone.load(), 1);
    Sleep(20000);
    EXPECT_LT(MillisecondsSince(start), 3000) << "a sleep went on after being cut short";

    SetSleepsCutShort(false);
    const Clock::time_point after = Clock::now();
    Sleep(100);
    EXPECT_GE(MillisecondsSince(after), 90) << "sleeps stayed short after clearing";
}

}  // namespace
}  // namespace tickwell::platform
