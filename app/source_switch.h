// How a change to what the live source fetches (another station or place,
// other units) reaches it. The source serialises its calls and a fetch job
// may hold it for a whole request, so a change is handed over only while no
// job runs: at once when none does, else on the first tick after the
// running job has ended. A change that cleared the window keeps it clear of
// what that job brings meanwhile, since it belongs to the old choice.
// Either way a fetch follows at once, and the regular refresh counts its
// interval from it.
#pragma once

#include <optional>
#include <utility>

#include "app/weather_state.h"
#include "platform/window.h"

namespace tickwell {

// Whether a fetch job runs, so that a change must wait.
bool SourceBusy();
// What follows a change handed to the source: the shown weather cleared
// when the change cleared it (the ended job may have stored some since the
// last tick), a fetch, the refresh interval counted from it and a repaint.
void FetchAfterSourceChange(WindowServices& window, bool clears);

// One kind of change; `apply` hands a `Choice` to the source.
template <typename Choice>
class SourceSwitch {
public:
    using Apply = void (*)(const Choice& choice);

    explicit SourceSwitch(Apply apply) : apply_(apply) {}

    // Hands `choice` over now, or once the running job has ended.
    // `clears`: the window was cleared for it.
    void Request(WindowServices& window, Choice choice, bool clears) {
        if (SourceBusy()) {
            waiting_ = std::move(choice);
            clears_ = clears;
            return;
        }
        waiting_.reset();
        Hand(window, choice, clears);
    }

    // The heartbeat's part: keeps the window clear while the job runs, and
    // hands the waiting change over once it has ended.
    void Finish(WindowServices& window) {
        if (!waiting_) {
            return;
        }
        if (SourceBusy()) {
            HideStale();
            return;
        }
        const Choice choice = std::move(*waiting_);
        waiting_.reset();
        Hand(window, choice, clears_);
    }

    // The paint's part: while a change that cleared the window waits,
    // whatever the old choice's job has stored since the last tick is
    // cleared before it can be drawn.
    void HideStale() const {
        if (waiting_ && clears_) {
            ClearShownWeather();
        }
    }

    // The change waiting for the running job, if any, and whether it
    // cleared the window.
    const std::optional<Choice>& Waiting() const { return waiting_; }
    bool WaitingClears() const { return waiting_ && clears_; }

    void Reset() {
        waiting_.reset();
        clears_ = false;
    }

private:
    void Hand(WindowServices& window, const Choice& choice, bool clears) {
        apply_(choice);
        FetchAfterSourceChange(window, clears);
    }

    Apply apply_;
    std::optional<Choice> waiting_;
    bool clears_ = false;
};

}  // namespace tickwell
