// Threads and locks of the operating system, reduced to what the worker
// thread, its lock and the shared weather state need.
//
// Handles are opaque; each back end defines the structs behind them. Names
// steer clear of the Windows headers' macros (CreateMutex, TextOut, ...).
#pragma once

#include <cstdint>

namespace tickwell::platform {

// A mutex that any thread may wait for without a time limit. Not recursive
// in use: no thread waits for a mutex it already owns.
struct Mutex;
Mutex* NewMutex();
void WaitForMutex(Mutex* mutex);
void ReleaseMutex(Mutex* mutex);
// Closes the mutex. A thread that still waits for it afterwards must not
// crash; the back ends either make the wait fail or block it for good.
void CloseMutex(Mutex* mutex);

// A lightweight lock owned by one thread from Enter to Leave.
struct CriticalSection;
CriticalSection* CreateCriticalSection();
void EnterCriticalSection(CriticalSection* section);
void LeaveCriticalSection(CriticalSection* section);
void DeleteCriticalSection(CriticalSection* section);

// A thread that is created blocked and runs its entry only once resumed.
struct Thread;
using ThreadEntry = std::uint32_t (*)(void* parameter);
// Returns null when no thread could be created.
Thread* CreateSuspendedThread(ThreadEntry entry, void* parameter, std::uint32_t stackSize,
                              std::uint32_t* threadId);
void ResumeThread(Thread* thread);
// Stops a thread that has not finished. Returns false when the platform
// cannot end a running thread by force; the thread then goes on running.
// A thread that was never resumed is always stopped before its entry runs.
bool TerminateThread(Thread* thread);
// Blocks until the thread has returned from its entry (or was terminated).
void WaitForThread(Thread* thread);
// Releases the handle without waiting for the thread to end.
void CloseThread(Thread* thread);

void Sleep(std::uint32_t milliseconds);

// While set, Sleep returns at once and the sleeps in progress end now. The
// close sets it while it waits for the threads, so that a worker pausing
// between two attempts goes on to its end rather than being waited for, and
// clears it again once they have ended.
void SetSleepsCutShort(bool cutShort);

// Waits up to `milliseconds` for every thread made by CreateSuspendedThread
// to have ended entirely: returned from its entry and let go by the system,
// so it runs no more code of any library. True when none is left.
bool WaitForAllThreads(std::uint32_t milliseconds);

// Ends the process at once with `exitCode`: no exit handlers, no static
// destructors, no clean-up of the libraries. For a close whose threads did
// not end in time, so that nothing they still use is torn down under them.
// Standard output and standard error are flushed first.
[[noreturn]] void EndProcessNow(int exitCode);

// The running program's own module handle; null where the platform has no
// such thing.
void* ProgramModuleHandle();

}  // namespace tickwell::platform
