#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "fetch/thread_lock.h"
#include "fetch/worker_thread.h"
#include "platform/threads.h"

namespace tickwell {
namespace {

using namespace std::chrono_literals;

// What a test and its job share. It lives outside the job, since a job's
// own members are gone before the base destructor waits for its thread.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    int runs = 0;
    bool started = false;
    bool released = false;
    bool returned = false;

    void Release() {
        std::lock_guard<std::mutex> hold(mutex);
        released = true;
        changed.notify_all();
    }
    bool WaitUntilStarted() {
        std::unique_lock<std::mutex> hold(mutex);
        return changed.wait_for(hold, 5s, [this] { return started; });
    }
    int Runs() {
        std::lock_guard<std::mutex> hold(mutex);
        return runs;
    }
    bool Returned() {
        std::lock_guard<std::mutex> hold(mutex);
        return returned;
    }
};

// A job whose Run counts its calls and, when asked, waits for the test.
class GatedJob : public WorkerThread {
public:
    GatedJob(Gate& gate, bool waitInRun) : gate_(gate), waitInRun_(waitInRun) {}

    std::uint32_t Run() override {
        // Only locals from here on: a test may destroy the job while Run
        // waits, and the job's own members are gone first.
        Gate& gate = gate_;
        const bool waitInRun = waitInRun_;
        std::unique_lock<std::mutex> hold(gate.mutex);
        ++gate.runs;
        gate.started = true;
        gate.changed.notify_all();
        if (waitInRun) {
            gate.changed.wait(hold, [&gate] { return gate.released; });
        }
        gate.returned = true;
        return 7;
    }

private:
    Gate& gate_;
    const bool waitInRun_;
};

bool WaitForFinished(WorkerThread& job) {
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (job.State() == ThreadState::Finished) {
            return true;
        }
    }
    return false;
}

TEST(WorkerThreadTest, NeverStartedJobNeverRunsAndCanBeDestroyed) {
    Gate gate;
    auto* job = new GatedJob(gate, false);
    EXPECT_EQ(job->State(), ThreadState::NotStarted);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(gate.Runs(), 0);
    EXPECT_EQ(job->State(), ThreadState::NotStarted);
    WorkerThread* base = job;
    delete base;
}

TEST(WorkerThreadTest, StateIsRunningRightAfterStartAndFinishedAfterRun) {
    Gate gate;
    GatedJob job(gate, true);
    job.Start();
    EXPECT_EQ(job.State(), ThreadState::Running);
    ASSERT_TRUE(gate.WaitUntilStarted());
    EXPECT_EQ(job.State(), ThreadState::Running);
    gate.Release();
    ASSERT_TRUE(WaitForFinished(job));
    EXPECT_TRUE(gate.Returned());
}

TEST(WorkerThreadTest, StartingAgainNeverRunsTwice) {
    Gate gate;
    GatedJob job(gate, true);
    job.Start();
    job.Start();
    ASSERT_TRUE(gate.WaitUntilStarted());
    job.Start();
    gate.Release();
    ASSERT_TRUE(WaitForFinished(job));
    job.Start();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(gate.Runs(), 1);
    EXPECT_EQ(job.State(), ThreadState::Finished);
}

TEST(WorkerThreadTest, RequestStopDoesNotChangeTheWork) {
    Gate gate;
    GatedJob job(gate, true);
    job.Start();
    ASSERT_TRUE(gate.WaitUntilStarted());
    job.RequestStop();
    gate.Release();
    ASSERT_TRUE(WaitForFinished(job));
    EXPECT_TRUE(gate.Returned());
}

TEST(WorkerThreadTest, DestroyingAFinishedJobReturnsAtOnce) {
    Gate gate;
    auto* job = new GatedJob(gate, false);
    job->Start();
    ASSERT_TRUE(WaitForFinished(*job));
    auto before = std::chrono::steady_clock::now();
    delete job;
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
}

platform::Thread* FailingThreadCreator(platform::ThreadEntry, void*, std::uint32_t,
                                       std::uint32_t*) {
    return nullptr;
}

TEST(WorkerThreadTest, JobWhoseThreadCannotBeCreatedEndsFinishedOnStart) {
    SetThreadCreatorForTesting(FailingThreadCreator);
    Gate gate;
    auto* job = new GatedJob(gate, false);
    SetThreadCreatorForTesting(nullptr);
    EXPECT_EQ(job->State(), ThreadState::NotStarted);
    job->Start();
    EXPECT_EQ(job->State(), ThreadState::Finished);
    EXPECT_EQ(gate.Runs(), 0);
    delete job;
}

#ifndef _WIN32
// Without forced termination the destructor of a running job waits for its
// thread, which still touches the object.
TEST(WorkerThreadTest, DestroyingARunningJobWaitsForItsRunToReturn) {
    Gate gate;
    auto* job = new GatedJob(gate, true);
    job->Start();
    ASSERT_TRUE(gate.WaitUntilStarted());
    std::atomic<bool> releasedByHelper{false};
    std::thread helper([&] {
        std::this_thread::sleep_for(50ms);
        releasedByHelper = true;
        gate.Release();
    });
    delete job;
    EXPECT_TRUE(releasedByHelper);
    EXPECT_TRUE(gate.Returned());
    helper.join();
}
#endif

TEST(ThreadLockTest, InitiallyLockedLockIsHeldByItsCreator) {
    ThreadLock lock(true);
    EXPECT_TRUE(lock.IsHeldForTesting());
    lock.Unlock();
    EXPECT_FALSE(lock.IsHeldForTesting());
    ThreadLock unlocked(false);
    EXPECT_FALSE(unlocked.IsHeldForTesting());
}

TEST(ThreadLockTest, SecondThreadWaitsUntilTheHolderUnlocks) {
    ThreadLock lock(false);
    lock.Lock();
    std::atomic<bool> entered{false};
    std::thread other([&] {
        lock.Lock();
        entered = true;
        lock.Unlock();
    });
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(entered);
    lock.Unlock();
    other.join();
    EXPECT_TRUE(entered);
}

TEST(ThreadLockTest, ExcludesConcurrentUpdates) {
    ThreadLock lock(false);
    int counter = 0;
    auto add = [&] {
        for (int i = 0; i < 2000; ++i) {
            lock.Lock();
            ++counter;
            lock.Unlock();
        }
    };
    std::thread a(add);
    std::thread b(add);
    a.join();
    b.join();
    EXPECT_EQ(counter, 4000);
}

TEST(ThreadLockTest, LockStillHeldByItsOwnThreadIsReleasedOnDestruction) {
    auto* lock = new ThreadLock(true);
    delete lock;
    // A fresh lock (perhaps on recycled platform objects) works normally.
    ThreadLock next(false);
    next.Lock();
    EXPECT_TRUE(next.IsHeldForTesting());
    next.Unlock();
}

std::atomic<int> entryCalls{0};
std::uint32_t CountingEntry(void*) {
    ++entryCalls;
    return 0;
}

TEST(PlatformThreadsTest, TerminatingANeverResumedThreadSkipsItsEntry) {
    entryCalls = 0;
    platform::Thread* thread =
        platform::CreateSuspendedThread(CountingEntry, nullptr, 0x10000, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(platform::TerminateThread(thread));
    platform::WaitForThread(thread);
    platform::CloseThread(thread);
    EXPECT_EQ(entryCalls, 0);
}

TEST(PlatformThreadsTest, MutexSurvivesBeingClosedWhileHeld) {
    platform::Mutex* mutex = platform::NewMutex();
    // As DataMutex at process exit: closed while another thread holds it.
    std::atomic<bool> holding{false};
    std::atomic<bool> mayRelease{false};
    std::thread holder([&] {
        platform::WaitForMutex(mutex);
        holding = true;
        while (!mayRelease) {
            std::this_thread::sleep_for(1ms);
        }
        platform::ReleaseMutex(mutex);
    });
    while (!holding) {
        std::this_thread::sleep_for(1ms);
    }
    platform::CloseMutex(mutex);
    mayRelease = true;
    holder.join();

    platform::Mutex* fresh = platform::NewMutex();
#ifndef _WIN32
    // A mutex that was in use when closed is never handed out again.
    EXPECT_NE(fresh, mutex);
#endif
    platform::WaitForMutex(fresh);
    platform::ReleaseMutex(fresh);
    platform::CloseMutex(fresh);
}

}  // namespace
}  // namespace tickwell
