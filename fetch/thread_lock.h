// A lock made of a critical section (the lock proper) and a `held` flag
// that a private mutex guards.
#pragma once

#include <cstdint>

#include "platform/threads.h"

namespace tickwell {

class ThreadLock {
public:
    explicit ThreadLock(bool initiallyLocked);
    ~ThreadLock();
    ThreadLock(const ThreadLock&) = delete;
    ThreadLock& operator=(const ThreadLock&) = delete;

    // Blocks until the calling thread holds the lock.
    void Lock();
    // Releases the lock; only its holder calls this.
    void Unlock();

    bool IsHeldForTesting();

private:
    platform::CriticalSection* criticalSection_;
    std::int32_t held_;  // read and written only while owning mutex_
    platform::Mutex* mutex_;
};

}  // namespace tickwell
