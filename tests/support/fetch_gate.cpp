#include "support/fetch_gate.h"

#include <condition_variable>
#include <mutex>

#include "fetch/fetch_job.h"

namespace tickwell::fakes {

namespace {

std::mutex gateMutex;
std::condition_variable gateChanged;
bool gateOpen = true;

}  // namespace

void GatedPause(std::uint32_t) {
    std::unique_lock<std::mutex> hold(gateMutex);
    gateChanged.wait(hold, [] { return gateOpen; });
}

void SetGate(bool open) {
    {
        std::lock_guard<std::mutex> hold(gateMutex);
        gateOpen = open;
    }
    gateChanged.notify_all();
}

bool FetchRunning() {
    return currentJob != nullptr && currentJob->State() != ThreadState::Finished;
}

void WaitForFetch() {
    while (FetchRunning()) {
    }
}

}  // namespace tickwell::fakes
