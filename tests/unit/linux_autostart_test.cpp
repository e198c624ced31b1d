// The autostart entry of the Linux program: where it lives, what its Exec
// line says for awkward program paths, and how it is written and removed.
// The entry only exists on Linux; built for Windows, this program has no
// tests.
#if defined(__linux__)

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/linux/system/autostart.h"
#include "support/temporary_folder.h"

namespace tickwell::platform {
namespace {

using fakes::ReadText;
using fakes::TemporaryFolder;

std::string LineStarting(const std::string& text, const std::string& prefix) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(prefix, 0) == 0) return line;
    }
    return "";
}

// Sets or clears one environment variable for the test's lifetime.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        if (old != nullptr) old_ = old;
        hadOld_ = old != nullptr;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedVariable() {
        if (hadOld_) {
            setenv(name_, old_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

TEST(Autostart, EntryPathFollowsXdgConfigHomeOrFallsBackToHome) {
    ScopedVariable home("HOME", "/home/someone");
    struct Case {
        const char* config;
        const char* expected;
    };
    const Case cases[] = {
        {"/cfg", "/cfg/autostart/tickwell.desktop"},
        {"/cfg//", "/cfg/autostart/tickwell.desktop"},
        {nullptr, "/home/someone/.config/autostart/tickwell.desktop"},
        {"", "/home/someone/.config/autostart/tickwell.desktop"},
        {"relative/cfg", "/home/someone/.config/autostart/tickwell.desktop"},
    };
    for (const Case& c : cases) {
        ScopedVariable config("XDG_CONFIG_HOME", c.config);
        EXPECT_EQ(AutostartEntryPath(), c.expected) << (c.config ? c.config : "(unset)");
    }
}

TEST(Autostart, ExecLineQuotesPathsAsDesktopEntriesRequire) {
    struct Case {
        std::string program;
        std::string exec;  // Empty: the path is refused.
    };
    const Case cases[] = {
        {"/usr/bin/tickwell", "Exec=/usr/bin/tickwell --at-login"},
        {"/opt/My Apps/tickwell", "Exec=\"/opt/My Apps/tickwell\" --at-login"},
        {"/opt/a\"b/tickwell", "Exec=\"/opt/a\\\\\"b/tickwell\" --at-login"},
        {"/opt/$HOME/tickwell", "Exec=\"/opt/\\\\$HOME/tickwell\" --at-login"},
        {"/opt/a\\b/tickwell", "Exec=\"/opt/a\\\\\\\\b/tickwell\" --at-login"},
        {"/opt/100%/tickwell", "Exec=/opt/100%%/tickwell --at-login"},
        {"relative/tickwell", ""},
        {"", ""},
        {"/opt/line\nbreak/tickwell", ""},
        {"/opt/tab\there/tickwell", ""},
    };
    for (const Case& c : cases) {
        const std::string text = AutostartEntryText(c.program);
        if (c.exec.empty()) {
            EXPECT_EQ(text, "") << c.program;
            continue;
        }
        EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << c.program;
        EXPECT_EQ(LineStarting(text, "Exec="), c.exec) << c.program;
        EXPECT_NE(LineStarting(text, "Type=Application"), "");
    }
}

TEST(Autostart, OnWritesTheEntryAtomicallyAndOffRemovesIt) {
    TemporaryFolder folder("autostart");
    const std::string entry = folder.path() + "/config/autostart/tickwell.desktop";
    std::string error;

    // Off when nothing is there succeeds and creates nothing.
    EXPECT_TRUE(SetAutostart(false, entry, "/usr/bin/tickwell", &error)) << error;
    EXPECT_NE(access((folder.path() + "/config").c_str(), F_OK), 0);

    // On creates the missing folders; turning it on again replaces the
    // entry and leaves no temporary file behind.
    ASSERT_TRUE(SetAutostart(true, entry, "/opt/old/tickwell", &error)) << error;
    ASSERT_TRUE(SetAutostart(true, entry, "/usr/bin/tickwell", &error)) << error;
    EXPECT_EQ(ReadText(entry), AutostartEntryText("/usr/bin/tickwell"));
    struct stat info {};
    ASSERT_EQ(stat(entry.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    std::system(
        ("ls -A '" + folder.path() + "/config/autostart' > '" + folder.path() + "/list'").c_str());
    EXPECT_EQ(ReadText(folder.path() + "/list"), "tickwell.desktop\n");

    EXPECT_TRUE(SetAutostart(false, entry, "", &error)) << error;
    EXPECT_NE(access(entry.c_str(), F_OK), 0);
}

TEST(Autostart, OnRewritesAnEntryAnOlderVersionWroteWithoutTheLoginOption) {
    TemporaryFolder folder("autostart");
    const std::string entry = folder.path() + "/autostart/tickwell.desktop";
    ASSERT_EQ(mkdir((folder.path() + "/autostart").c_str(), 0755), 0);
    const std::string older =
        "[Desktop Entry]\nType=Application\nName=Tickwell\nTryExec=/usr/bin/tickwell\n"
        "Exec=/usr/bin/tickwell\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    std::ofstream(entry) << older;

    std::string error;
    ASSERT_TRUE(SetAutostart(true, entry, "/usr/bin/tickwell", &error)) << error;
    const std::string text = ReadText(entry);
    EXPECT_EQ(LineStarting(text, "Exec="), "Exec=/usr/bin/tickwell --at-login");
    EXPECT_EQ(LineStarting(text, "TryExec="), "TryExec=/usr/bin/tickwell");
}

TEST(Autostart, FailuresAreReportedAndLeaveNothingBehind) {
    TemporaryFolder folder("autostart");
    std::string error;

    // A file where the autostart folder should be.
    const std::string blocked = folder.path() + "/blocked";
    std::ofstream(blocked) << "not a folder";
    EXPECT_FALSE(SetAutostart(true, blocked + "/tickwell.desktop", "/usr/bin/tickwell", &error));
    EXPECT_NE(error.find(blocked), std::string::npos) << error;

    // A program path a desktop entry can't hold.
    error.clear();
    const std::string entry = folder.path() + "/autostart/tickwell.desktop";
    EXPECT_FALSE(SetAutostart(true, entry, "tickwell", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_NE(access(entry.c_str(), F_OK), 0);

    // A folder in the entry's place can't be removed as an entry.
    ASSERT_EQ(mkdir((folder.path() + "/autostart").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(entry.c_str(), 0755), 0);
    error.clear();
    EXPECT_FALSE(SetAutostart(false, entry, "", &error));
    EXPECT_NE(error.find(entry), std::string::npos) << error;
}

TEST(Autostart, RunningProgramPathIsThisTest) {
    const std::string path = RunningProgramPath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path[0], '/');
    // The test program that runs this, whichever program the test is in.
    std::error_code error;
    EXPECT_TRUE(std::filesystem::equivalent(path, "/proc/self/exe", error)) << path;
}

}  // namespace
}  // namespace tickwell::platform

#endif
