// A one-shot job on a thread of its own, with a state the user-interface
// thread polls.
#pragma once

#include <cstdint>

#include "fetch/thread_lock.h"
#include "platform/threads.h"

namespace tickwell {

enum class ThreadState : std::int32_t { NotStarted = 0, Running = 2, Finished = 3 };

// Creates a worker's suspended thread. platform::CreateSuspendedThread
// unless a test replaces it (null restores it), for example to see how a job
// whose thread can't be created behaves.
using ThreadCreator = platform::Thread* (*)(platform::ThreadEntry entry, void* parameter,
                                            std::uint32_t stackSize, std::uint32_t* threadId);
void SetThreadCreatorForTesting(ThreadCreator creator);

class WorkerThread {
public:
    static constexpr std::uint32_t kStackSize = 0x10000;

    WorkerThread();
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    virtual void RequestStop();
    // The job's work, run once on the worker thread; its result becomes the
    // thread's exit code.
    virtual std::uint32_t Run() = 0;

    // Lets a NotStarted thread run; does nothing in any other state. A job
    // whose thread could not be created goes straight to Finished, so the
    // next refresh can try again.
    void Start();
    // The state, read after a pause of 1 ms.
    ThreadState State();

private:
    static std::uint32_t ThreadEntry(void* parameter);

    ThreadLock lock_;
    void* moduleHandle_ = nullptr;  // kept as the thread's owner; nothing reads it
    std::int32_t stopRequested_ = 0;
    platform::Thread* thread_ = nullptr;
    std::uint32_t threadId_ = 0;
    ThreadState state_ = ThreadState::NotStarted;
};

}  // namespace tickwell
