// The weather fetch job: both pages over HTTP on a worker thread, with up
// to ten attempts a page.
#pragma once

#include <cstdint>

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

// The pause the job takes between attempts; platform::Sleep unless a test
// replaces it.
using PauseFunction = void (*)(std::uint32_t milliseconds);
void SetFetchPause(PauseFunction pause);

}  // namespace tickwell
