#include "support/fetch_world.h"

#include <thread>

#include "app/main_window.h"
#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "display/ticker.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"

namespace tickwell::fakes {

namespace {

void NoPause(std::uint32_t) {}

}  // namespace

void OpenFetchWorld(platform::Internet& internet, FakeGraphics& graphics, PauseFunction pause) {
    UseInternet(internet);
    SetFetchPause(pause != nullptr ? pause : NoPause);
    OpenSession();
    OpenConnection();
    AllocateWeatherBuffers();
    CreateTickerResources(graphics, CreateLabelFont);
    CreateReadouts(graphics);
}

void CloseFetchWorld() {
    WaitForJob();
    // The program leaves its last job to the end of the process; a test
    // ends its thread properly.
    delete currentJob;
    currentJob = nullptr;
    mainWindow = nullptr;
    DestroyReadouts();
    ReleaseTickerResources();
    DeleteLabelFont();
    CloseConnection();
    SetFetchPause(nullptr);
}

void WaitForJob() {
    while (FetchIsRunning()) {
        std::this_thread::yield();
    }
}

}  // namespace tickwell::fakes
