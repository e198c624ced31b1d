#include "fetch/fetch_job.h"

#include <new>
#include <utility>

#include "app/main_window.h"
#include "app/weather_state.h"
#include "fetch/forecast_parser.h"
#include "fetch/internet_connection.h"
#include "fetch/roundup_parser.h"

namespace tickwell {

WeatherFetchJob* currentJob = nullptr;

namespace {

// Bytes of pageBuffer that may hold page data; the last one is kept for the
// terminator.
constexpr std::uint32_t kPageCapacity = kTextBufferSize - 1;

PauseFunction pauseFunction = platform::Sleep;

void Pause(std::uint32_t milliseconds) {
    pauseFunction(milliseconds);
}

// Marks part of the main window (null: all of it) for repainting, without
// erasing its background. Tests may run the job without a window.
void InvalidateMainWindow(const Rect* area) {
    if (mainWindow != nullptr) {
        mainWindow->Invalidate(area, false);
    }
}

void SetBusy(bool busy) {
    DataMutexHold hold;
    weatherState.busy = busy;
}

// Reads the body into pageBuffer until the library delivers nothing more or
// fewer than kReadHeadroom bytes of room are left; returns the bytes held.
std::uint32_t ReadForecastBody(platform::HttpRequest* request) {
    std::uint32_t held = 0;
    if (request == nullptr) {
        return held;
    }
    for (;;) {
        std::uint32_t delivered = 0;
        if (!request->Read(pageBuffer + held, kPageCapacity - held, &delivered) || delivered == 0) {
            break;
        }
        held += delivered;
        if (held + kReadHeadroom > static_cast<std::uint32_t>(kTextBufferSize)) {
            break;
        }
    }
    return held;
}

bool FetchForecastOnce() {
    platform::HttpRequest* forecastRequest = OpenWeatherRequest(forecastPath);
    if (forecastRequest != nullptr) {
        forecastRequest->Send();
    }
    std::uint32_t held = ReadForecastBody(forecastRequest);
    delete forecastRequest;
    if (held == 0) {
        return false;
    }
    pageBuffer[held] = '\0';
    return ExtractForecast(pageBuffer);
}

bool FetchRoundupOnce() {
    platform::HttpRequest* roundupRequest = OpenWeatherRequest(roundupPath);
    if (roundupRequest != nullptr) {
        roundupRequest->Send();
    }
    Pause(kRoundupReadPauseMs);
    std::uint32_t delivered = 0;
    bool read =
        roundupRequest != nullptr && roundupRequest->Read(pageBuffer, kPageCapacity, &delivered);
    delete roundupRequest;
    if (!read) {
        return false;
    }
    pageBuffer[delivered] = '\0';
    return ParseRoundup(pageBuffer);
}

}  // namespace

void SetFetchPause(PauseFunction pause) {
    pauseFunction = pause != nullptr ? pause : platform::Sleep;
}

std::uint32_t WeatherFetchJob::Run() {
    SetBusy(true);
    InvalidateMainWindow(&lampRect);

    // A forecast that never arrives does not keep the readings from being
    // fetched.
    for (int attempt = 0; attempt < kAttemptsPerPage; ++attempt) {
        if (attempt > 0) {
            Pause(kRetryPauseMs);
        }
        if (FetchForecastOnce()) {
            break;
        }
    }

    for (int attempt = 0; attempt < kAttemptsPerPage; ++attempt) {
        if (attempt > 0) {
            Pause(kRetryPauseMs);
        }
        // Success has cleared `busy` together with the pressure.
        if (FetchRoundupOnce()) {
            InvalidateMainWindow(nullptr);
            return 1;
        }
    }

    SetBusy(false);
    InvalidateMainWindow(&lampRect);
    return 0;
}

bool FetchIsRunning() {
    return currentJob != nullptr && currentJob->State() != ThreadState::Finished;
}

namespace {

std::function<void()>& JobStartHandler() {
    static std::function<void()> handler;
    return handler;
}

}  // namespace

void SetJobStartHandler(std::function<void()> handler) {
    JobStartHandler() = std::move(handler);
}

bool StartFetch() {
    if (FetchIsRunning()) {
        return false;
    }
    if (currentJob != nullptr) {
        delete currentJob;
        currentJob = nullptr;
    }
    // Without memory for a job there is simply no refresh this time.
    currentJob = new (std::nothrow) WeatherFetchJob;
    if (currentJob == nullptr) {
        return false;
    }
    if (JobStartHandler()) {
        JobStartHandler()();
    }
    currentJob->Start();
    return true;
}

}  // namespace tickwell
