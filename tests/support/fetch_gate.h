// Holds fetch jobs "running" for as long as a test needs: installed as the
// job's pause function, GatedPause waits while the gate is closed.
#pragma once

#include <cstdint>

namespace tickwell::fakes {

void GatedPause(std::uint32_t milliseconds);
void SetGate(bool open);
// Waits until the current fetch job, if any, has finished.
void WaitForFetch();
bool FetchRunning();

}  // namespace tickwell::fakes
