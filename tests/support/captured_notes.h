// The program's notes (platform/message_log.h) kept for a test to read,
// from construction until destruction, which drops notes again.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/message_log.h"

namespace tickwell::fakes {

class CapturedNotes {
public:
    CapturedNotes() {
        platform::SetMessageSink([this](const std::string& text) {
            std::lock_guard<std::mutex> hold(mutex_);
            notes_.push_back(text);
        });
    }
    ~CapturedNotes() { platform::SetMessageSink(nullptr); }
    CapturedNotes(const CapturedNotes&) = delete;
    CapturedNotes& operator=(const CapturedNotes&) = delete;

    std::vector<std::string> notes() {
        std::lock_guard<std::mutex> hold(mutex_);
        return notes_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> notes_;
};

}  // namespace tickwell::fakes
