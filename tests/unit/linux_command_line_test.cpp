// The Linux program's command line, and the station setting it saves in the
// settings file and the program reads back.
// Only the Linux program has them; built for Windows, this program has no
// tests.
#if defined(__linux__)

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "live/station.h"
#include "platform/linux/command_line.h"
#include "platform/linux/live_startup.h"
#include "platform/linux/standard_error_log.h"
#include "platform/linux/system/settings_file.h"
#include "platform/message_log.h"
#include "support/temporary_folder.h"

namespace tickwell::linux_cli {
namespace {

TEST(LinuxCommandLine, OptionsAndMistakes) {
    struct Case {
        std::vector<const char*> arguments;
        CommandAction action;
        const char* station;  // null: none
        const char* errorHas;
    };
    const std::vector<Case> cases = {
        {{}, CommandAction::Run, nullptr, ""},
        {{"--station", "kbos"}, CommandAction::Run, "KBOS", ""},
        {{"--station=PHNL"}, CommandAction::Run, "PHNL", ""},
        {{"--station", "KDEN", "--station", "KBOS"}, CommandAction::Run, "KBOS", ""},
        {{"--help"}, CommandAction::Help, nullptr, ""},
        {{"--station", "KBOS", "-h"}, CommandAction::Help, "KBOS", ""},
        {{"--version", "--bogus"}, CommandAction::Version, nullptr, ""},
        {{"--station"}, CommandAction::Error, nullptr, "needs a station id"},
        {{"--station="}, CommandAction::Error, nullptr, "is not a station id"},
        {{"--station", "K/../X"}, CommandAction::Error, nullptr, "is not a station id"},
        {{"--station", "KDEN\nX=1"}, CommandAction::Error, nullptr, "is not a station id"},
        {{"--stations", "KDEN"}, CommandAction::Error, nullptr, "unknown argument '--stations'"},
        {{"KDEN"}, CommandAction::Error, nullptr, "unknown argument 'KDEN'"},
        // A value echoed in an error carries no escape sequence to the terminal.
        {{"--station", "\x1b[31mKDEN"}, CommandAction::Error, nullptr, "'\\x1B[31mKDEN' is not"},
        {{"--\x1b]0;x\a"}, CommandAction::Error, nullptr, "argument '--\\x1B]0;x\\x07'"},
        {{"--autostart", "on"}, CommandAction::Autostart, nullptr, ""},
        {{"--autostart=off"}, CommandAction::Autostart, nullptr, ""},
        {{"--autostart"}, CommandAction::Error, nullptr, "takes 'on' or 'off'"},
        {{"--autostart", "yes"}, CommandAction::Error, nullptr, "takes 'on' or 'off'"},
    };
    for (const Case& test : cases) {
        std::vector<const char*> argv = {"tickwell"};
        argv.insert(argv.end(), test.arguments.begin(), test.arguments.end());
        const CommandLine parsed = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        const std::string shown = test.arguments.empty() ? "(none)" : test.arguments[0];
        EXPECT_EQ(parsed.action, test.action) << shown;
        EXPECT_EQ(parsed.station.value_or(""), test.station ? test.station : "") << shown;
        EXPECT_NE(parsed.error.find(test.errorHas), std::string::npos) << parsed.error;
    }
    EXPECT_NE(UsageText("tickwell").find("--station ID"), std::string::npos);

    // --at-login is a plain flag: it takes no value and mixes with the others.
    struct LoginCase {
        std::vector<const char*> arguments;
        CommandAction action;
        bool atLogin;
    };
    const std::vector<LoginCase> loginCases = {
        {{}, CommandAction::Run, false},
        {{"--at-login"}, CommandAction::Run, true},
        {{"--station", "KBOS", "--at-login"}, CommandAction::Run, true},
        {{"--at-login=yes"}, CommandAction::Error, false},
        {{"--at-login", "now"}, CommandAction::Error, false},
    };
    for (const LoginCase& test : loginCases) {
        std::vector<const char*> argv = {"tickwell"};
        argv.insert(argv.end(), test.arguments.begin(), test.arguments.end());
        const CommandLine parsed = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        const std::string shown = test.arguments.empty() ? "(none)" : test.arguments.back();
        EXPECT_EQ(parsed.action, test.action) << shown;
        EXPECT_EQ(parsed.atLogin, test.atLogin) << shown;
    }
    EXPECT_NE(UsageText("tickwell").find("--at-login"), std::string::npos);

    const char* on[] = {"tickwell", "--autostart", "on"};
    const char* off[] = {"tickwell", "--autostart=off"};
    EXPECT_TRUE(ParseCommandLine(3, on).autostartOn);
    EXPECT_FALSE(ParseCommandLine(2, off).autostartOn);
}

TEST(LinuxCommandLine, StationSettingIsSavedKeptAndValidatedOnReading) {
    const fakes::TemporaryFolder temporary("station");
    const std::string folder = temporary.path();
    const std::string path = folder + "/Quillfen/Tickwell/settings";
    platform::SettingsFile file(path);

    // Nothing saved: the default.
    EXPECT_EQ(live::LoadStationId(file), "KDEN");

    ASSERT_TRUE(file.OpenForWriting());
    file.Write("Interval", 240);
    file.WriteText(live::kStationSettingName, "KBOS");
    file.WriteText("Other", "two\nlines");  // refused: it would split its line
    file.Close();
    EXPECT_EQ(live::LoadStationId(file), "KBOS");

    // Saving the other settings at exit keeps the station.
    ASSERT_TRUE(file.OpenForWriting());
    file.Write("Interval", 480);
    file.Close();
    EXPECT_EQ(live::LoadStationId(file), "KBOS");

    // Whatever a user writes by hand is checked.
    for (const auto& [line, expected] :
         std::vector<std::pair<std::string, std::string>>{{"Station= phnl ", "PHNL"},
                                                          {"station=KSEA", "KSEA"},
                                                          {"Station=", "KDEN"},
                                                          {"Station=NOT A STATION", "KDEN"},
                                                          {"Station=K\xC3\x89N", "KDEN"},
                                                          {"Station=12345", "KDEN"}}) {
        std::ofstream(path) << "Interval=240\n" << line << "\n";
        EXPECT_EQ(live::LoadStationId(file), expected) << line;
    }
    std::ifstream saved(path);
    std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("two"), std::string::npos);
    unlink(path.c_str());
    std::system(("rm -rf " + folder).c_str());
}

std::string ReadBack(std::FILE* file) {
    std::string text;
    std::rewind(file);
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        text += static_cast<char>(c);
    }
    std::fclose(file);
    return text;
}

// --find: parsed like --station, and the lines it prints, or its message
// on standard error when nothing matches.
// The live start-up's messages reach the terminal escaped, whatever the
// environment holds; an API address that is none stops the start.
TEST(LinuxCommandLine, StartupMessagesAreEscaped) {
    ASSERT_EQ(setenv("TICKWELL_API_BASE", "ftp://\x1b]0;owned\a", 1), 0);
    LogToStandardError();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(StartLiveWeather(std::nullopt));
    const std::string told = testing::internal::GetCapturedStderr();
    unsetenv("TICKWELL_API_BASE");
    EXPECT_EQ(told,
              "tickwell: TICKWELL_API_BASE is not an http or https address: "
              "ftp://\\x1B]0;owned\\x07\n");
    platform::SetMessageSink(nullptr);
}

TEST(LinuxCommandLine, FindPrintsMatchesOrSaysWhyNot) {
    const char* spaced[] = {"tickwell", "--find", "boston"};
    const char* joined[] = {"tickwell", "--find=golden, co"};
    const char* bare[] = {"tickwell", "--find"};
    EXPECT_EQ(ParseCommandLine(3, spaced).action, CommandAction::Find);
    EXPECT_EQ(ParseCommandLine(3, spaced).find, "boston");
    EXPECT_EQ(ParseCommandLine(2, joined).find, "golden, co");
    EXPECT_EQ(ParseCommandLine(2, bare).action, CommandAction::Error);
    EXPECT_NE(ParseCommandLine(2, bare).error.find("--find needs"), std::string::npos);
    EXPECT_NE(UsageText("tickwell").find("--find TEXT"), std::string::npos);
    EXPECT_NE(UsageText("tickwell").find("Location..."), std::string::npos);

    struct Case {
        const char* text;
        int exitCode;
        const char* outStarts;
        const char* outHas;
        const char* err;
    };
    const std::vector<Case> cases = {
        {"boston", 0, "KBOS  Boston, MA  ", " mi from Boston, MA)\n", ""},
        {"Golden, CO", 0, "KBJC  ", " mi from Golden, CO)\n", ""},
        {"xqzv", 1, "", "", "tickwell: no station matches 'xqzv'\n"},
        {"\x1b[2J", 1, "", "", "tickwell: no station matches '\\x1B[2J'\n"},
        {"", 1, "", "", "tickwell: no station matches ''\n"},
    };
    for (const Case& test : cases) {
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        ASSERT_TRUE(out && err);
        EXPECT_EQ(PrintStationMatches(test.text, out, err), test.exitCode) << test.text;
        const std::string printed = ReadBack(out);
        EXPECT_EQ(printed.rfind(test.outStarts, 0), 0u) << printed;
        EXPECT_NE(printed.find(test.outHas), std::string::npos) << printed;
        EXPECT_EQ(ReadBack(err), test.err) << test.text;
    }
}

}  // namespace
}  // namespace tickwell::linux_cli

#endif  // __linux__
