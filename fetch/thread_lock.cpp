#include "fetch/thread_lock.h"

namespace tickwell {

ThreadLock::ThreadLock(bool initiallyLocked)
    : criticalSection_(nullptr), held_(0), mutex_(platform::NewMutex()) {
    platform::WaitForMutex(mutex_);
    criticalSection_ = platform::CreateCriticalSection();
    held_ = 0;
    platform::ReleaseMutex(mutex_);
    if (initiallyLocked) {
        Lock();
    }
}

ThreadLock::~ThreadLock() {
    platform::WaitForMutex(mutex_);
    // Releases the lock when the destroying thread still holds it; no other
    // thread ever holds a lock that is being destroyed.
    if (held_ == 1) {
        platform::LeaveCriticalSection(criticalSection_);
    }
    held_ = 0;
    platform::ReleaseMutex(mutex_);
    platform::DeleteCriticalSection(criticalSection_);
    platform::CloseMutex(mutex_);
}

void ThreadLock::Lock() {
    // The critical section first: a second thread blocks here, never while
    // owning the mutex.
    platform::EnterCriticalSection(criticalSection_);
    platform::WaitForMutex(mutex_);
    held_ = 1;
    platform::ReleaseMutex(mutex_);
}

void ThreadLock::Unlock() {
    platform::WaitForMutex(mutex_);
    held_ = 0;
    platform::LeaveCriticalSection(criticalSection_);
    platform::ReleaseMutex(mutex_);
}

bool ThreadLock::IsHeldForTesting() {
    platform::WaitForMutex(mutex_);
    bool held = held_ == 1;
    platform::ReleaseMutex(mutex_);
    return held;
}

}  // namespace tickwell
