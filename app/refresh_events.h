// Refreshes out of turn: the computer woke from sleep, or the network came
// back after a refresh that failed for want of it.
//
// The watchers of those events (in platform/) run on threads of their own
// or in the window procedure; they only note the event here, under a lock.
// The heartbeat, on the user-interface thread, acts on it at its next
// tick: once no fetch job runs, it tells the live source and starts a
// fetch, and the regular refresh counts its interval from that fetch, so
// the "next try" the status line names stays true.
#pragma once

#include <chrono>
#include <functional>

namespace tickwell {

enum class SystemEvent {
    Woke,            // the computer woke from sleep
    NetworkChanged,  // a route or an address appeared
};

// How long the network must be quiet after a change before the refresh:
// an address comes a moment before its route and the name server.
constexpr std::chrono::seconds kNetworkSettleTime{2};

// What the live source does about the events. The live start-up installs
// them; without them (the classic build) the events change nothing. Called
// on the user-interface thread, only while no fetch job runs, since the
// source serialises its calls and a job may hold it for a whole request.
struct RefreshHooks {
    // Whether the last request sent failed for want of a network.
    std::function<bool()> lackedNetwork;
    // The computer slept: what was kept is stale.
    std::function<void()> woke;
    // The network is back: what failed for want of it may be asked again.
    std::function<void()> networkBack;
};
// A set with any part missing removes them.
void SetRefreshHooks(RefreshHooks hooks);

// Notes `event`; safe from any thread.
void NoteSystemEvent(SystemEvent event);
void NoteSystemEvent(SystemEvent event, std::chrono::steady_clock::time_point at);

// The heartbeat's part: when an event waits, no job runs and the event
// calls for one, starts the refresh. True when a fetch was started.
bool StartEventRefresh(std::chrono::steady_clock::time_point now);

// Forgets the hooks and every noted event; for tests.
void ResetRefreshEvents();

}  // namespace tickwell
