#include "app/source_switch.h"

#include "app/main_window.h"
#include "fetch/fetch_job.h"

namespace tickwell {

bool SourceBusy() {
    return FetchIsRunning();
}

void FetchAfterSourceChange(WindowServices& window, bool clears) {
    if (clears) {
        ClearShownWeather();
    }
    StartFetch();
    // The regular refresh counts its interval from this fetch.
    tickCount = 0;
    window.Invalidate(nullptr, false);
}

}  // namespace tickwell
