#include "app/refresh_events.h"

#include <mutex>
#include <utility>

#include "fetch/fetch_job.h"

namespace tickwell {

namespace {

// Written by the watchers' threads, read and cleared by the heartbeat.
struct NotedEvents {
    bool woke = false;
    bool networkChanged = false;
    std::chrono::steady_clock::time_point lastNetworkChange{};
};
std::mutex notedMutex;
NotedEvents noted;

// Only the user-interface thread reads or sets these.
RefreshHooks hooks;

bool HooksInstalled() {
    return static_cast<bool>(hooks.lackedNetwork);
}

}  // namespace

void SetRefreshHooks(RefreshHooks installed) {
    const bool complete = installed.lackedNetwork && installed.woke && installed.networkBack;
    hooks = complete ? std::move(installed) : RefreshHooks{};
}

void NoteSystemEvent(SystemEvent event) {
    NoteSystemEvent(event, std::chrono::steady_clock::now());
}

void NoteSystemEvent(SystemEvent event, std::chrono::steady_clock::time_point at) {
    std::lock_guard<std::mutex> hold(notedMutex);
    if (event == SystemEvent::Woke) {
        noted.woke = true;
    } else {
        noted.networkChanged = true;
        noted.lastNetworkChange = at;
    }
}

bool StartEventRefresh(std::chrono::steady_clock::time_point now) {
    NotedEvents taken;
    {
        std::lock_guard<std::mutex> hold(notedMutex);
        if (!noted.woke && !noted.networkChanged) {
            return false;
        }
        if (!HooksInstalled()) {
            noted = NotedEvents{};
            return false;
        }
        const bool networkSettled =
            noted.networkChanged && now - noted.lastNetworkChange >= kNetworkSettleTime;
        // A running job (perhaps the one that is failing for want of the
        // network) ends first: its outcome decides whether a network change
        // matters, and the source is held while it runs.
        if ((!noted.woke && !networkSettled) || FetchIsRunning()) {
            return false;
        }
        taken = noted;
        noted.woke = false;
        noted.networkChanged = noted.networkChanged && !networkSettled;
        taken.networkChanged = networkSettled;
    }
    bool refresh = false;
    if (taken.woke) {
        hooks.woke();
        refresh = true;
    }
    // A change while the refreshes succeed, or one that took the network
    // away, calls for nothing.
    if (taken.networkChanged && hooks.lackedNetwork()) {
        hooks.networkBack();
        refresh = true;
    }
    return refresh && StartFetch();
}

void ResetRefreshEvents() {
    std::lock_guard<std::mutex> hold(notedMutex);
    noted = NotedEvents{};
    hooks = RefreshHooks{};
}

}  // namespace tickwell
