// Threads and locks on the Windows kernel: CreateThread, mutexes and
// critical sections.
#include "platform/threads.h"

#include <windows.h>

namespace tickwell::platform {

struct Mutex {
    HANDLE handle;
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

Mutex* NewMutex() {
    HANDLE handle = ::CreateMutexA(nullptr, FALSE, nullptr);
    if (handle == nullptr) return nullptr;
    return new Mutex{handle};
}

void WaitForMutex(Mutex* mutex) {
    ::WaitForSingleObject(mutex->handle, INFINITE);
}

void ReleaseMutex(Mutex* mutex) {
    ::ReleaseMutex(mutex->handle);
}

// The struct stays allocated with a null handle: a thread that still waits
// for the mutex afterwards gets WAIT_FAILED at once instead of touching
// freed memory. A few bytes per closed mutex is the price.
void CloseMutex(Mutex* mutex) {
    HANDLE handle = mutex->handle;
    mutex->handle = nullptr;
    ::CloseHandle(handle);
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
