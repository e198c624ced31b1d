// Text from outside the program (a command-line value, a settings value, a
// server's answer) made safe to echo on a terminal or in a message.
#pragma once

#include <string>
#include <string_view>

namespace tickwell {

// Returns `text` with every control character (0x00-0x1F) and DEL written
// as \xNN with two upper-case hex digits and every backslash doubled, so
// no escape sequence in it can reach the terminal and what is shown can be
// read back unambiguously. Every other byte, UTF-8 included, stays as is.
std::string EscapedForTerminal(std::string_view text);

// The same for a line of the Windows log file, but with backslashes as they
// are, so that a Windows path reads as written: no line of the file can be
// forged or cut short.
std::string EscapedForLogLine(std::string_view text);

}  // namespace tickwell
