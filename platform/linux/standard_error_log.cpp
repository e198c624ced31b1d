#include "platform/linux/standard_error_log.h"

#include <cstdio>
#include <string>

#include "app/escaped_text.h"
#include "platform/message_log.h"

namespace tickwell::linux_cli {

void LogToStandardError() {
    platform::SetMessageSink([](const std::string& text) {
        std::fprintf(stderr, "tickwell: %s\n", EscapedForTerminal(text).c_str());
    });
}

}  // namespace tickwell::linux_cli
