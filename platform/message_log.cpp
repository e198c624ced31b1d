#include "platform/message_log.h"

#include <mutex>
#include <utility>

namespace tickwell::platform {

namespace {

// Function-local statics: notes may be written while other statics are
// still being made.
std::mutex& SinkGuard() {
    static std::mutex guard;
    return guard;
}

MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}

}  // namespace

void SetMessageSink(MessageSink sink) {
    std::lock_guard<std::mutex> hold(SinkGuard());
    Sink() = std::move(sink);
}

void LogMessage(const std::string& text) {
    std::lock_guard<std::mutex> hold(SinkGuard());
    if (Sink()) {
        Sink()(text);
    }
}

}  // namespace tickwell::platform
