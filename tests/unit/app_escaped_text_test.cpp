// What a user-given value looks like when the program echoes it.
#include <gtest/gtest.h>

#include <string>

#include "app/escaped_text.h"

namespace tickwell {
namespace {

TEST(EscapedForTerminal, ControlsBackslashesAndEverythingElse) {
    struct Case {
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"", ""},
        {"KDEN", "KDEN"},
        {"\x1b[31mred", "\\x1B[31mred"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"tab\there\nnew\rline", "tab\\x09here\\x0Anew\\x0Dline"},
        {"\x1f\x7f", "\\x1F\\x7F"},
        {"back\\slash", "back\\\\slash"},
        // A backslash before an x must not read as an escape once shown.
        {"\\x1B", "\\\\x1B"},
        {"Zürich ☀", "Zürich ☀"},
        {"\x80\xff", "\x80\xff"},
        {" ~", " ~"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapedForTerminal(c.text), c.shown) << c.shown;
    }
}

// A line of the Windows log: a path reads as written, and no value can
// start a line of its own.
TEST(EscapedForLogLine, ControlsOnlyBackslashesAsTheyAre) {
    EXPECT_EQ(EscapedForLogLine("C:\\Users\\me\\ca.pem"), "C:\\Users\\me\\ca.pem");
    EXPECT_EQ(EscapedForLogLine("a\r\n2026-01-01 00:00:00 forged"),
              "a\\x0D\\x0A2026-01-01 00:00:00 forged");
    EXPECT_EQ(EscapedForLogLine("Zürich \x1b[2J"), "Zürich \\x1B[2J");
}

}  // namespace
}  // namespace tickwell
