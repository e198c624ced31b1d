// The program's process-wide pieces behind the main window, opened for a
// test suite that runs real fetch jobs against a fake internet: the
// session and connection, the weather buffers, the ticker's resources and
// the readouts.
#pragma once

#include "fetch/fetch_job.h"
#include "platform/http.h"
#include "support/fake_window.h"

namespace tickwell::fakes {

// `pause`: what a job waits with between its tries; none by default.
void OpenFetchWorld(platform::Internet& internet, FakeGraphics& graphics,
                    PauseFunction pause = nullptr);
// Waits for the last job to end (the caller lets it: the fake holds back
// no answer any more), then closes the pieces in reverse; the window is
// gone too.
void CloseFetchWorld();
// Waits until no fetch job runs.
void WaitForJob();

}  // namespace tickwell::fakes
