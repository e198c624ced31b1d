// The program's notes: what it did, or could not do, that the user may want
// to know but need not answer (errors the user must act on still come as
// message boxes). Every part of the program writes them here; each
// program's main chooses where they go: standard error on Linux, a log file
// on Windows. Notes may come from any thread.
#pragma once

#include <functional>
#include <string>

namespace tickwell::platform {

// Receives one note: a clause without the program's name and without a
// line break. Values from outside the program are in it as given, so the
// sink escapes what its medium needs. Calls are serialised.
using MessageSink = std::function<void(const std::string& text)>;

// Where notes go from now on; an empty sink (the start) drops them.
void SetMessageSink(MessageSink sink);

// Hands `text` to the sink.
void LogMessage(const std::string& text);

}  // namespace tickwell::platform
