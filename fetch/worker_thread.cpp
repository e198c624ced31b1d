#include "fetch/worker_thread.h"

namespace tickwell {

namespace {

ThreadCreator threadCreator = platform::CreateSuspendedThread;

}  // namespace

void SetThreadCreatorForTesting(ThreadCreator creator) {
    threadCreator = creator != nullptr ? creator : platform::CreateSuspendedThread;
}

WorkerThread::WorkerThread() : lock_(false) {
    moduleHandle_ = platform::ProgramModuleHandle();
    lock_.Lock();
    stopRequested_ = 0;
    // The thread waits, suspended, until Start: the object is complete
    // before any code runs on it.
    thread_ = threadCreator(ThreadEntry, this, kStackSize, &threadId_);
    state_ = ThreadState::NotStarted;
    lock_.Unlock();
}

WorkerThread::~WorkerThread() {
    if (State() != ThreadState::Finished) {
        // A suspended thread is stopped before it runs anything. A running
        // thread can be ended by force on Windows only; elsewhere
        // TerminateThread refuses, and since that thread still reads and
        // writes this object (its state, its lock), the object is freed only
        // after the thread has left it. The program itself destroys only
        // Finished jobs, so this wait never delays it.
        if (thread_ != nullptr && !platform::TerminateThread(thread_)) {
            platform::WaitForThread(thread_);
        }
        // No lock: the thread has stopped or has left the object.
        state_ = ThreadState::Finished;
    }
    // A Finished thread no longer touches the object; its handle is closed
    // without waiting for it to end.
    if (thread_ != nullptr) {
        platform::CloseThread(thread_);
    }
}

std::uint32_t WorkerThread::ThreadEntry(void* parameter) {
    auto* worker = static_cast<WorkerThread*>(parameter);
    worker->lock_.Lock();
    worker->state_ = ThreadState::Running;
    worker->lock_.Unlock();

    std::uint32_t result = worker->Run();

    worker->lock_.Lock();
    worker->state_ = ThreadState::Finished;
    worker->lock_.Unlock();
    // From here on the object may be destroyed at any moment.
    return result;
}

void WorkerThread::Start() {
    lock_.Lock();
    if (state_ == ThreadState::NotStarted) {
        if (thread_ == nullptr) {
            // Nothing will ever run: a job that stayed Running would block
            // every later refresh.
            state_ = ThreadState::Finished;
        } else {
            state_ = ThreadState::Running;
            platform::ResumeThread(thread_);
        }
    }
    lock_.Unlock();
}

ThreadState WorkerThread::State() {
    platform::Sleep(1);
    lock_.Lock();
    ThreadState state = state_;
    lock_.Unlock();
    return state;
}

void WorkerThread::RequestStop() {
    lock_.Lock();
    stopRequested_ = 1;
    lock_.Unlock();
}

}  // namespace tickwell
