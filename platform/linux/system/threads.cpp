// Threads and locks on Linux: the standard library's mutexes and condition
// variables, and POSIX threads for the worker (so the stack size can be set).
#include "platform/threads.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace tickwell::platform {

// A mutex with Windows' rules: any thread may wait for it without a time
// limit, and closing it never frees memory another thread could still touch.
//
// It is a flag guarded by a std::mutex rather than a bare std::mutex because
// of DataMutex: an exit handler closes it while a detached fetch thread may
// hold it, wait for it or be about to wait for it. A closed mutex therefore
// stays allocated, and every later wait on it blocks for good instead of
// touching freed memory.
//
// Each job's lock also closes a mutex, once per refresh, so keeping every
// closed mutex would grow without bound. A mutex that nobody owns or waits
// for when it is closed goes to a pool that NewMutex reuses; one still in use
// is set aside and never reused (this happens only at process exit).
struct Mutex {
    std::mutex guard;
    std::condition_variable released;
    bool owned = false;
    bool closed = false;
    int waiters = 0;
};

namespace {

// Closed mutexes. Never destroyed, so exit handlers that close mutexes late
// in the process's life still find it, and the set-aside ones stay
// reachable rather than leaked.
struct MutexPool {
    std::mutex guard;
    std::vector<Mutex*> reusable;
    std::vector<Mutex*> setAside;
};

MutexPool& Pool() {
    static MutexPool* pool = new MutexPool;
    return *pool;
}

}  // namespace

Mutex* NewMutex() {
    MutexPool& pool = Pool();
    {
        std::lock_guard<std::mutex> poolHold(pool.guard);
        if (!pool.reusable.empty()) {
            Mutex* mutex = pool.reusable.back();
            pool.reusable.pop_back();
            std::lock_guard<std::mutex> hold(mutex->guard);
            mutex->closed = false;
            return mutex;
        }
    }
    return new (std::nothrow) Mutex;
}

void WaitForMutex(Mutex* mutex) {
    std::unique_lock<std::mutex> hold(mutex->guard);
    ++mutex->waiters;
    mutex->released.wait(hold, [mutex] { return !mutex->owned && !mutex->closed; });
    --mutex->waiters;
    mutex->owned = true;
}

void ReleaseMutex(Mutex* mutex) {
    {
        std::lock_guard<std::mutex> hold(mutex->guard);
        mutex->owned = false;
    }
    mutex->released.notify_one();
}

void CloseMutex(Mutex* mutex) {
    if (mutex == nullptr) {
        return;
    }
    bool inUse = false;
    {
        std::lock_guard<std::mutex> hold(mutex->guard);
        mutex->closed = true;
        inUse = mutex->owned || mutex->waiters > 0;
    }
    MutexPool& pool = Pool();
    std::lock_guard<std::mutex> poolHold(pool.guard);
    (inUse ? pool.setAside : pool.reusable).push_back(mutex);
}

struct CriticalSection {
    std::mutex lock;
};

CriticalSection* CreateCriticalSection() {
    return new (std::nothrow) CriticalSection;
}
void EnterCriticalSection(CriticalSection* section) {
    section->lock.lock();
}
void LeaveCriticalSection(CriticalSection* section) {
    section->lock.unlock();
}
void DeleteCriticalSection(CriticalSection* section) {
    delete section;
}

namespace {

// What the thread and its handle share. The handle may be closed while the
// thread still runs, and the thread may end before the handle is closed, so
// both own it.
struct ThreadGate {
    std::mutex guard;
    std::condition_variable changed;
    bool resumed = false;
    bool cancelled = false;
    bool finished = false;
    ThreadEntry entry = nullptr;
    void* parameter = nullptr;
};

// Windows takes the stack-size argument as the stack's first commit and
// still reserves the program's default, so it is a lower bound there. The
// same holds here: the thread gets at least this much, which also leaves
// room for the resolver and the sanitizers' bookkeeping.
constexpr std::size_t kMinimumStackSize = 1024 * 1024;

std::atomic<std::uint32_t> nextThreadId{1};

// Every thread made here that has not been joined yet. Threads stay
// joinable while the process runs: once a thread has ended, a later
// CreateSuspendedThread joins it, and WaitForAllThreads joins all of them.
// Only a join tells that a thread has ended entirely, past its thread-local
// destructors (the TLS library's among them), which run after its entry has
// returned. At exit the threads not joined by then are let go (detached), so
// that none counts as leaked.
struct ThreadRegistry {
    std::mutex guard;
    std::vector<pthread_t> unjoined;
};

ThreadRegistry& Registry();

extern "C" void LetThreadsGoAtExit() {
    ThreadRegistry& registry = Registry();
    std::lock_guard<std::mutex> hold(registry.guard);
    for (pthread_t thread : registry.unjoined) pthread_detach(thread);
    registry.unjoined.clear();
}

ThreadRegistry& Registry() {
    // Never destroyed: the close may wait for threads late in the process.
    static ThreadRegistry* registry = [] {
        std::atexit(LetThreadsGoAtExit);
        return new ThreadRegistry;
    }();
    return *registry;
}

// Joins the threads that have already ended, without waiting for any.
void JoinEndedThreads(ThreadRegistry& registry) {
    std::vector<pthread_t>& threads = registry.unjoined;
    threads.erase(
        std::remove_if(threads.begin(), threads.end(),
                       [](pthread_t thread) { return pthread_tryjoin_np(thread, nullptr) == 0; }),
        threads.end());
}

// What Sleep waits on, so that SetSleepsCutShort can end it early.
struct SleepGate {
    std::mutex guard;
    std::condition_variable changed;
    bool cutShort = false;
};

SleepGate& Sleeps() {
    static SleepGate* gate = new SleepGate;
    return *gate;
}

void* RunThread(void* argument) {
    std::unique_ptr<std::shared_ptr<ThreadGate>> owner(
        static_cast<std::shared_ptr<ThreadGate>*>(argument));
    std::shared_ptr<ThreadGate> gate = *owner;
    owner.reset();

    bool cancelled = false;
    {
        std::unique_lock<std::mutex> hold(gate->guard);
        gate->changed.wait(hold, [&gate] { return gate->resumed || gate->cancelled; });
        cancelled = gate->cancelled;
    }
    if (!cancelled) {
        gate->entry(gate->parameter);
    }
    {
        std::lock_guard<std::mutex> hold(gate->guard);
        gate->finished = true;
    }
    gate->changed.notify_all();
    return nullptr;
}

}  // namespace

struct Thread {
    std::shared_ptr<ThreadGate> gate;
};

Thread* CreateSuspendedThread(ThreadEntry entry, void* parameter, std::uint32_t stackSize,
                              std::uint32_t* threadId) {
    auto gate = std::make_shared<ThreadGate>();
    gate->entry = entry;
    gate->parameter = parameter;
    auto* thread = new (std::nothrow) Thread{gate};
    auto* argument = new (std::nothrow) std::shared_ptr<ThreadGate>(gate);
    if (thread == nullptr || argument == nullptr) {
        delete thread;
        delete argument;
        return nullptr;
    }

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    std::size_t size = std::max<std::size_t>(stackSize, kMinimumStackSize);
    pthread_attr_setstacksize(&attributes, size);
    ThreadRegistry& registry = Registry();
    std::lock_guard<std::mutex> registryHold(registry.guard);
    JoinEndedThreads(registry);
    pthread_t handle{};
    int error = pthread_create(&handle, &attributes, RunThread, argument);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete argument;
        delete thread;
        return nullptr;
    }
    registry.unjoined.push_back(handle);
    if (threadId != nullptr) {
        *threadId = nextThreadId.fetch_add(1);
    }
    return thread;
}

void ResumeThread(Thread* thread) {
    {
        std::lock_guard<std::mutex> hold(thread->gate->guard);
        thread->gate->resumed = true;
    }
    thread->gate->changed.notify_all();
}

bool TerminateThread(Thread* thread) {
    // POSIX has no safe way to end a running thread, so only a thread that
    // never left its gate (or has already ended) can be stopped.
    bool stopped = false;
    {
        std::lock_guard<std::mutex> hold(thread->gate->guard);
        if (!thread->gate->resumed) {
            thread->gate->cancelled = true;
            stopped = true;
        } else {
            stopped = thread->gate->finished;
        }
    }
    thread->gate->changed.notify_all();
    return stopped;
}

void WaitForThread(Thread* thread) {
    std::unique_lock<std::mutex> hold(thread->gate->guard);
    thread->gate->changed.wait(hold, [thread] { return thread->gate->finished; });
}

void CloseThread(Thread* thread) {
    if (thread == nullptr) {
        return;
    }
    // The registry joins the thread once it has ended; the gate lives on
    // through the thread's own reference.
    delete thread;
}

bool WaitForAllThreads(std::uint32_t milliseconds) {
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += static_cast<time_t>(milliseconds / 1000);
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    // The joins run outside the registry's lock, so that a thread may still
    // be made meanwhile; it is waited for by the next call.
    ThreadRegistry& registry = Registry();
    std::vector<pthread_t> waiting;
    {
        std::lock_guard<std::mutex> hold(registry.guard);
        waiting.swap(registry.unjoined);
    }
    std::vector<pthread_t> running;
    for (pthread_t thread : waiting) {
        if (pthread_timedjoin_np(thread, nullptr, &deadline) != 0) {
            running.push_back(thread);
        }
    }
    std::lock_guard<std::mutex> hold(registry.guard);
    registry.unjoined.insert(registry.unjoined.end(), running.begin(), running.end());
    return registry.unjoined.empty();
}

void EndProcessNow(int exitCode) {
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(exitCode);
}

void* ProgramModuleHandle() {
    // Linux programs have no module handles.
    return nullptr;
}

void Sleep(std::uint32_t milliseconds) {
    SleepGate& gate = Sleeps();
    std::unique_lock<std::mutex> hold(gate.guard);
    gate.changed.wait_for(hold, std::chrono::milliseconds(milliseconds),
                          [&gate] { return gate.cutShort; });
}

void SetSleepsCutShort(bool cutShort) {
    SleepGate& gate = Sleeps();
    {
        std::lock_guard<std::mutex> hold(gate.guard);
        gate.cutShort = cutShort;
    }
    gate.changed.notify_all();
}

}  // namespace tickwell::platform
