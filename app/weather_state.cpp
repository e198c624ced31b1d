#include "app/weather_state.h"

#include <cstdlib>

namespace tickwell {

WeatherState weatherState;
char* pageBuffer = nullptr;

namespace {

// Static storage: the buffers outlive every fetch job, including one still
// running while the process ends.
char pageStorage[kTextBufferSize];
char todayStorage[kTextBufferSize];
char outlookStorage[kTextBufferSize];

void CloseDataMutexAtExit() {
    platform::CloseMutex(DataMutex);
}

platform::Mutex* CreateDataMutex() {
    platform::Mutex* mutex = platform::NewMutex();
    std::atexit(CloseDataMutexAtExit);
    return mutex;
}

}  // namespace

platform::Mutex* const DataMutex = CreateDataMutex();

void AllocateWeatherBuffers() {
    pageBuffer = pageStorage;
    for (ScrollText* scroll : {&weatherState.today, &weatherState.outlook}) {
        scroll->text = scroll == &weatherState.today ? todayStorage : outlookStorage;
        scroll->text[0] = '\0';
        scroll->length = 0;
        scroll->position = kScrollStart;
    }
}

void ClearShownWeather() {
    DataMutexHold hold;
    weatherState.hasReadings = false;
    for (ScrollText* scroll : {&weatherState.today, &weatherState.outlook}) {
        if (scroll->text != nullptr) {
            scroll->text[0] = '\0';
        }
        scroll->length = 0;
        scroll->position = kScrollStart;
    }
}

void ReleaseWeatherBuffers() {
    // Nothing to free: see the header. The pointers stay valid on purpose,
    // since a fetch job may still be writing through them.
}

}  // namespace tickwell
