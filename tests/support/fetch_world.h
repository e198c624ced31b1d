// The program's process-wide pieces behind the main window, opened for a
// test suite that runs real fetch jobs against a fake internet: the
// session and connection, the weather buffers, the ticker's resources and
// the readouts, with no pause between a job's tries.
#pragma once

#include "support/fake_internet.h"
#include "support/fake_window.h"

namespace tickwell::fakes {

void OpenFetchWorld(FakeInternet& internet, FakeGraphics& graphics);
// Lets the last job end (the fake holds back no answer any more), then
// closes the pieces in reverse; the window is gone too.
void CloseFetchWorld(FakeInternet& internet);
// Waits until no fetch job runs.
void WaitForJob();

}  // namespace tickwell::fakes
