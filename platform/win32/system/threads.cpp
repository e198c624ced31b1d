// Threads and locks on the Windows kernel: CreateThread, mutexes and
// critical sections.
#include "platform/threads.h"

#include <windows.h>

#include <cstdio>
#include <new>
#include <vector>

namespace tickwell::platform {

struct Mutex {
    HANDLE handle;
    Mutex* nextClosed;  // in the list of closed records only
};

struct CriticalSection {
    CRITICAL_SECTION section;
};

struct StartInfo;

struct Thread {
    HANDLE handle;
    // Until the first resume: what the thread will start with. After it the
    // thread owns that record, and this is null.
    StartInfo* pending;
};

namespace {

// Closed mutex records, kept for reuse in a list linked through the records
// themselves. A record is never freed: a thread that still waits for a
// mutex after it was closed (a fetch job at process exit, with DataMutex)
// finds a null handle and returns at once instead of touching freed memory.
// Reuse keeps the number of records at the most mutexes ever open at once,
// where each fetch job's lock would otherwise leave one behind.
//
// Plain zero-initialised data guarded by a spin lock: usable from static
// initialisation to the last exit handler, with nothing to construct or
// destroy.
Mutex* closedMutexes = nullptr;
LONG closedMutexesBusy = 0;

class ClosedListHold {
public:
    ClosedListHold() {
        while (::InterlockedExchange(&closedMutexesBusy, 1) != 0) ::Sleep(0);
    }
    ~ClosedListHold() { ::InterlockedExchange(&closedMutexesBusy, 0); }
    ClosedListHold(const ClosedListHold&) = delete;
    ClosedListHold& operator=(const ClosedListHold&) = delete;
};

}  // namespace

Mutex* NewMutex() {
    HANDLE handle = ::CreateMutexA(nullptr, FALSE, nullptr);
    if (handle == nullptr) return nullptr;
    {
        ClosedListHold hold;
        if (closedMutexes != nullptr) {
            Mutex* mutex = closedMutexes;
            closedMutexes = mutex->nextClosed;
            mutex->nextClosed = nullptr;
            mutex->handle = handle;
            return mutex;
        }
    }
    auto* mutex = new (std::nothrow) Mutex{handle, nullptr};
    if (mutex == nullptr) ::CloseHandle(handle);
    return mutex;
}

void WaitForMutex(Mutex* mutex) {
    ::WaitForSingleObject(mutex->handle, INFINITE);
}

void ReleaseMutex(Mutex* mutex) {
    ::ReleaseMutex(mutex->handle);
}

void CloseMutex(Mutex* mutex) {
    if (mutex == nullptr) return;
    HANDLE handle = mutex->handle;
    mutex->handle = nullptr;
    ::CloseHandle(handle);
    ClosedListHold hold;
    mutex->nextClosed = closedMutexes;
    closedMutexes = mutex;
}

CriticalSection* CreateCriticalSection() {
    auto* section = new CriticalSection;
    ::InitializeCriticalSection(&section->section);
    return section;
}

void EnterCriticalSection(CriticalSection* section) {
    ::EnterCriticalSection(&section->section);
}

void LeaveCriticalSection(CriticalSection* section) {
    ::LeaveCriticalSection(&section->section);
}

void DeleteCriticalSection(CriticalSection* section) {
    ::DeleteCriticalSection(&section->section);
    delete section;
}

// What the new thread needs to start. The thread owns it once resumed and
// frees it as soon as it has read it, so the Thread record may be closed at
// any time.
struct StartInfo {
    ThreadEntry entry;
    void* parameter;
    bool cancelled;
};

namespace {

// Every thread made here that may not have ended yet, as a handle of its own
// (the caller may close its Thread at any time), so that WaitForAllThreads
// can wait for them. Ended ones leave the list whenever a thread is made.
// Guarded by a spin lock, as the closed mutexes are; never destroyed.
std::vector<HANDLE>* liveThreads = nullptr;
LONG liveThreadsBusy = 0;

class LiveThreadsHold {
public:
    LiveThreadsHold() {
        while (::InterlockedExchange(&liveThreadsBusy, 1) != 0) ::Sleep(0);
        if (liveThreads == nullptr) liveThreads = new std::vector<HANDLE>;
    }
    ~LiveThreadsHold() { ::InterlockedExchange(&liveThreadsBusy, 0); }
    LiveThreadsHold(const LiveThreadsHold&) = delete;
    LiveThreadsHold& operator=(const LiveThreadsHold&) = delete;
};

// Closes the handles of the threads that have ended; the rest stay.
void ForgetEndedThreads() {
    std::vector<HANDLE>& threads = *liveThreads;
    std::size_t kept = 0;
    for (HANDLE handle : threads) {
        if (::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) {
            ::CloseHandle(handle);
        } else {
            threads[kept++] = handle;
        }
    }
    threads.resize(kept);
}

void RememberThread(HANDLE thread) {
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), thread, ::GetCurrentProcess(), &copy, SYNCHRONIZE,
                           FALSE, 0)) {
        return;
    }
    LiveThreadsHold hold;
    ForgetEndedThreads();
    liveThreads->push_back(copy);
}

// Sleep waits on this manual-reset event, which SetSleepsCutShort sets.
HANDLE SleepsCutShort() {
    static HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return event;
}

DWORD WINAPI StartRoutine(LPVOID raw) {
    auto* start = static_cast<StartInfo*>(raw);
    const StartInfo copy = *start;
    delete start;
    if (copy.cancelled) return 0;
    return copy.entry(copy.parameter);
}

}  // namespace

Thread* CreateSuspendedThread(ThreadEntry entry, void* parameter, std::uint32_t stackSize,
                              std::uint32_t* threadId) {
    auto* start = new StartInfo{entry, parameter, false};
    DWORD id = 0;
    HANDLE handle = ::CreateThread(nullptr, stackSize, StartRoutine, start, CREATE_SUSPENDED, &id);
    if (handle == nullptr) {
        delete start;
        return nullptr;
    }
    if (threadId != nullptr) *threadId = id;
    RememberThread(handle);
    return new Thread{handle, start};
}

void ResumeThread(Thread* thread) {
    thread->pending = nullptr;
    ::ResumeThread(thread->handle);
}

// A thread that never ran is not terminated but let go with its start
// cancelled: it returns 0 at once without calling its entry. Terminating a
// thread that is still suspended at its very start crashes Wine's i386
// loader now and then, and the cancelled start ends the thread just as
// surely, with its start record freed as well.
bool TerminateThread(Thread* thread) {
    if (thread->pending != nullptr) {
        thread->pending->cancelled = true;
        thread->pending = nullptr;
        ::ResumeThread(thread->handle);
        return true;
    }
    ::TerminateThread(thread->handle, 0);
    return true;
}

void WaitForThread(Thread* thread) {
    ::WaitForSingleObject(thread->handle, INFINITE);
}

void CloseThread(Thread* thread) {
    ::CloseHandle(thread->handle);
    delete thread;
}

void* ProgramModuleHandle() {
    return ::GetModuleHandleA(nullptr);
}

void Sleep(std::uint32_t milliseconds) {
    HANDLE cutShort = SleepsCutShort();
    if (cutShort == nullptr) {
        ::Sleep(milliseconds);
        return;
    }
    ::WaitForSingleObject(cutShort, milliseconds);
}

void SetSleepsCutShort(bool cutShort) {
    HANDLE event = SleepsCutShort();
    if (event == nullptr) return;
    if (cutShort) {
        ::SetEvent(event);
    } else {
        ::ResetEvent(event);
    }
}

bool WaitForAllThreads(std::uint32_t milliseconds) {
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    for (;;) {
        HANDLE next = nullptr;
        {
            LiveThreadsHold hold;
            ForgetEndedThreads();
            if (liveThreads->empty()) return true;
            next = liveThreads->front();
            // The wait below runs outside the lock, on a handle of its own,
            // since the list may close this one meanwhile.
            if (!::DuplicateHandle(::GetCurrentProcess(), next, ::GetCurrentProcess(), &next,
                                   SYNCHRONIZE, FALSE, 0)) {
                return false;
            }
        }
        const ULONGLONG now = ::GetTickCount64();
        const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        const DWORD woken = ::WaitForSingleObject(next, left);
        ::CloseHandle(next);
        if (woken != WAIT_OBJECT_0) return false;
    }
}

void EndProcessNow(int exitCode) {
    std::fflush(stdout);
    std::fflush(stderr);
    // Ends the other threads first, so none of them sees the libraries'
    // detach handlers run.
    ::ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace tickwell::platform
