#include "support/invalidation_recorder.h"

namespace tickwell::fakes {

void InvalidationRecorder::Invalidate(const Rect* area, bool eraseBackground) {
    Invalidation call;
    if (area != nullptr) {
        call.area = *area;
    }
    call.erase = eraseBackground;
    std::lock_guard<std::mutex> hold(mutex_);
    calls_.push_back(call);
}

std::vector<Invalidation> InvalidationRecorder::Calls() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return calls_;
}

void InvalidationRecorder::Clear() {
    std::lock_guard<std::mutex> hold(mutex_);
    calls_.clear();
}

}  // namespace tickwell::fakes
