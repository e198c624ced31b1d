// Threads and locks on the Windows kernel: CreateThread, mutexes and
// critical sections.
#include "platform/threads.h"

#include <windows.h>

#include <new>

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
    ::Sleep(milliseconds);
}

}  // namespace tickwell::platform
