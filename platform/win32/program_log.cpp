#include "platform/win32/program_log.h"

#include <string>

#include "app/escaped_text.h"
#include "platform/message_log.h"
#include "platform/win32/system/log_file.h"

namespace tickwell::win32 {

void LogToLocalAppData() {
    // Lives for the whole run: the fetch thread may write a note while the
    // program ends.
    static platform::LogFile* const log = new platform::LogFile(platform::DefaultLogPath());
    platform::SetMessageSink([](const std::string& text) { log->Append(EscapedForLogLine(text)); });
}

}  // namespace tickwell::win32
