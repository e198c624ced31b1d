// The weather fetch job: both pages over HTTP on a worker thread, with up
// to ten attempts a page.
#pragma once

#include <cstdint>
#include <functional>

#include "fetch/worker_thread.h"
#include "resources/request_paths.h"

namespace tickwell {

constexpr int kAttemptsPerPage = 10;
constexpr std::uint32_t kRetryPauseMs = 1000;
constexpr std::uint32_t kRoundupReadPauseMs = 200;
constexpr std::uint32_t kReadHeadroom = 256;

class WeatherFetchJob : public WorkerThread {
public:
    std::uint32_t Run() override;
};

// The most recently started job; destroyed only when the next one starts.
extern WeatherFetchJob* currentJob;

// Whether a job has started and not yet finished.
bool FetchIsRunning();

// Starts a new job unless the current one is unfinished.
bool StartFetch();

// Called by StartFetch on the user-interface thread just before each job
// starts, while no job runs: what the job's source needs from the program
// (the live source's refresh interval) is handed over there, never read
// from the settings on the job's thread. None by default; an empty
// function removes it.
void SetJobStartHandler(std::function<void()> handler);

// The pause the job takes between attempts; platform::Sleep unless a test
// replaces it.
using PauseFunction = void (*)(std::uint32_t milliseconds);
void SetFetchPause(PauseFunction pause);

}  // namespace tickwell
