// The weather state: the one record through which the fetch job hands its
// results to the user interface.
//
// Rules of access:
// - The fetch job writes `busy`, `hasReadings`, the four readings, and the two texts'
//   `text` and `length`, each group of writes inside one hold of DataMutex.
// - The ticker step reads a ScrollText and advances its `position` inside one
//   hold of DataMutex.
// - The menu commands that switch texts set the chosen `position` to -20.
// - Painting reads `busy` and the readings without the mutex; each is atomic
//   (and lock-free, also on 32-bit x86) so such a read is never torn.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/threads.h"

namespace tickwell {

// Size of each text buffer and of pageBuffer, terminator included.
constexpr int kTextBufferSize = 16384;
// The scroll position every text starts from and returns to: twenty blanks
// scroll in before its first character.
constexpr std::int32_t kScrollStart = -20;

struct ScrollText {
    std::int32_t length = 0;
    std::int32_t position = kScrollStart;
    char* text = nullptr;  // kTextBufferSize bytes, NUL-terminated
};

struct WeatherState {
    std::atomic<std::int32_t> temperature{0};
    std::atomic<std::int32_t> relativeHumidity{0};
    std::atomic<double> pressure{0.0};
    std::atomic<std::int32_t> dewPoint{0};
    ScrollText today;
    ScrollText outlook;
    std::atomic<bool> busy{false};
    // Set with the first complete set of readings; until then the readouts
    // show bars rather than zeros that look like real readings.
    std::atomic<bool> hasReadings{false};
};

static_assert(std::atomic<std::int32_t>::is_always_lock_free);
static_assert(std::atomic<double>::is_always_lock_free,
              "a reading must be readable whole without the mutex");
static_assert(std::atomic<bool>::is_always_lock_free);

extern WeatherState weatherState;

// Guards the fetch job's writes to weatherState against the ticker's reads.
// Created before main() runs and closed when the process exits.
extern platform::Mutex* const DataMutex;

// Receives one page body at a time; used by the fetch job only.
extern char* pageBuffer;

// Points pageBuffer and both texts at their buffers, empties the texts,
// and sets both lengths to 0 and both positions to -20.
void AllocateWeatherBuffers();
// Called at shutdown. The buffers have static storage, so a fetch job that
// is still running when the program shuts down never writes to freed
// memory; this only drops the program's own references.
void ReleaseWeatherBuffers();

// Readouts show bars again and both texts start over, empty, behind the
// twenty blanks, until the next fetch fills them: for a change (of station,
// of units) after which what the window shows would be wrong.
void ClearShownWeather();

// Holds DataMutex for the lifetime of the object.
class DataMutexHold {
public:
    DataMutexHold() { platform::WaitForMutex(DataMutex); }
    ~DataMutexHold() { platform::ReleaseMutex(DataMutex); }
    DataMutexHold(const DataMutexHold&) = delete;
    DataMutexHold& operator=(const DataMutexHold&) = delete;
};

}  // namespace tickwell
