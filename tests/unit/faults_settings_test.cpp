// Faults around the settings: damaged or odd settings files as start-up
// finds them, several instances saving the same file, and what a user can
// type into the Preferences field.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/preferences_dialog.h"
#include "settings/settings.h"
#include "support/fake_settings_store.h"
#include "support/fake_window.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/linux/system/settings_file.h"
#include "support/captured_notes.h"
#endif

namespace tickwell {
namespace {

constexpr int kOk = 1;
constexpr int kClicked = 0;

// What OK in the Preferences dialog stores for the text in the field.
std::uint32_t IntervalSavedFor(const std::string& fieldText) {
    fakes::CallLog log;
    fakes::FakeDialogControls controls(log);
    fakes::FakeSettingsStore store;
    settings = Settings{};
    PreferencesDialog dialog(store);
    dialog.OnInit(controls);
    controls.fieldText[1000] = fieldText;
    dialog.OnCommand(controls, kOk, kClicked);
    EXPECT_TRUE(controls.ended) << fieldText;
    const auto stored = store.values.find("Interval");
    return stored == store.values.end() ? 0xDEADBEEF : stored->second;
}

TEST(FaultsPreferencesField, AnythingTypedOrPastedEndsInTheAllowedRange) {
    EXPECT_EQ(IntervalSavedFor(""), 240u) << "an empty field saves one minute";
    EXPECT_EQ(IntervalSavedFor("abc"), 240u) << "letters read as 0, stored as 1 minute";
    EXPECT_EQ(IntervalSavedFor("x15"), 240u);
    EXPECT_EQ(IntervalSavedFor("15abc"), 3600u) << "leading digits count";
    EXPECT_EQ(IntervalSavedFor("4294967295"), 136u * 240u);
    EXPECT_EQ(IntervalSavedFor("4294967296"), 136u * 240u) << "one past 32 bits";
    EXPECT_EQ(IntervalSavedFor("99999999999999999999999"), 136u * 240u);
    EXPECT_EQ(IntervalSavedFor("-5"), 240u) << "a sign is no digit";
}

#ifndef _WIN32

class SettingsFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tickwell-faults-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        path_ = folder_ + "/settings";
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

    void Write(const std::string& text) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::string Read() {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Loads the settings the way start-up does, from this folder's file.
    Settings Load() {
        platform::SettingsFile file(path_);
        settings.intervalTicks = 1;  // LoadSettings must reset it
        LoadSettings(file);
        return settings;
    }

    std::string folder_;
    std::string path_;
};

TEST_F(SettingsFolder, DamagedFilesLoadAsDefaultsAndTheNextSaveRepairsThem) {
    const Settings defaults;
    for (const std::string& damage : {
             std::string("\0\0\0\0\xff\xfe", 6),
             std::string("Interval=\nOutlook\nFast==1\nWinX=0x10\nWinY=1e3\n"),
             std::string("Interval=36OO\n"),
             std::string(100000, '='),
         }) {
        Write(damage);
        const Settings loaded = Load();
        EXPECT_EQ(loaded.intervalTicks, defaults.intervalTicks);
        EXPECT_EQ(loaded.windowX, 0);
        EXPECT_EQ(loaded.windowY, 0);
        EXPECT_FALSE(loaded.showOutlook);
        EXPECT_FALSE(loaded.fastScroll);

        settings.intervalTicks = 480;
        platform::SettingsFile file(path_);
        SaveSettings(file);
        EXPECT_EQ(Load().intervalTicks, 480);
    }
}

TEST_F(SettingsFolder, ExtremeNumbersLoadUnchangedAndRoundTrip) {
    Write("Interval=-2147483648\nWinX=-32000\nWinY=2147483647\nOutlook=-1\nFast=7\n");
    const Settings loaded = Load();
    EXPECT_EQ(loaded.intervalTicks, INT32_MIN);
    EXPECT_EQ(loaded.windowX, -32000);
    EXPECT_EQ(loaded.windowY, INT32_MAX);
    EXPECT_TRUE(loaded.showOutlook);
    EXPECT_TRUE(loaded.fastScroll);

    platform::SettingsFile file(path_);
    SaveSettings(file);
    const Settings again = Load();
    EXPECT_EQ(again.intervalTicks, INT32_MIN);
    EXPECT_EQ(again.windowX, -32000);
    EXPECT_EQ(again.windowY, INT32_MAX);
    const std::string text = Read();
    EXPECT_NE(text.find("Outlook=1\n"), std::string::npos) << "flags are saved as 0 or 1";
    EXPECT_NE(text.find("Fast=1\n"), std::string::npos) << text;
}

TEST_F(SettingsFolder, AValueCutByTheReadLimitIsNotTakenForAShorterNumber) {
    // A huge file whose last line is split by the amount the store reads:
    // the cut-off "Interval=36" must not load as 36 ticks.
    const std::string line = "Interval=3600\n";
    for (std::size_t keep = 64 * 1024 - 11; keep <= 64 * 1024 - 9; ++keep) {
        std::string text(keep, '#');
        text[keep - 1] = '\n';
        text += line + std::string(8192, '#');
        Write(text);
        const std::int32_t interval = Load().intervalTicks;
        EXPECT_TRUE(interval == 3600 || interval == kDefaultIntervalTicks)
            << "loaded " << interval << " from a line cut after " << (64 * 1024 - keep) << " bytes";
    }
}

TEST_F(SettingsFolder, UnreadablePlacesKeepTheDefaults) {
    ASSERT_EQ(symlink(path_.c_str(), path_.c_str()), 0);  // a link to itself
    EXPECT_EQ(Load().intervalTicks, kDefaultIntervalTicks);
    settings.intervalTicks = 480;
    platform::SettingsFile file(path_);
    SaveSettings(file);  // a link that leads nowhere is left alone
    struct stat link {};
    ASSERT_EQ(lstat(path_.c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));

    unlink(path_.c_str());
    ASSERT_EQ(mkdir(path_.c_str(), 0700), 0);
    EXPECT_EQ(Load().intervalTicks, kDefaultIntervalTicks);
    settings.intervalTicks = 960;
    platform::SettingsFile blocked(path_);
    SaveSettings(blocked);  // can't replace a folder; fails silently
    struct stat info {};
    ASSERT_EQ(stat(path_.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
}

// Saves 480 ticks through `entry` (the settings path, maybe a link) and
// returns the notes the save wrote, one a line.
std::string SaveThrough(const std::string& entry) {
    settings.intervalTicks = 480;
    platform::SettingsFile file(entry);
    fakes::CapturedNotes notes;
    SaveSettings(file);
    std::string said;
    for (const std::string& note : notes.notes()) said += note + "\n";
    return said;
}

TEST_F(SettingsFolder, LinksAreWrittenThroughAndKept) {
    // An absolute link, a relative one, and a chain of two into another
    // folder: the link stays, its final target gets the settings and keeps
    // its permissions.
    ASSERT_EQ(mkdir((folder_ + "/dotfiles").c_str(), 0700), 0);
    const std::string target = folder_ + "/dotfiles/tickwell";
    for (const std::string& link :
         {target, std::string("dotfiles/tickwell"), std::string("middle")}) {
        unlink(path_.c_str());
        std::ofstream(target) << "Interval=960\nOther=kept\n";
        ASSERT_EQ(chmod(target.c_str(), 0640), 0);
        if (link == "middle") {
            ASSERT_EQ(symlink("dotfiles/tickwell", (folder_ + "/middle").c_str()), 0);
        }
        ASSERT_EQ(symlink(link.c_str(), path_.c_str()), 0);
        EXPECT_EQ(Load().intervalTicks, 960) << link;
        EXPECT_EQ(SaveThrough(path_), "") << link;
        struct stat info {};
        ASSERT_EQ(lstat(path_.c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << link;
        ASSERT_EQ(stat(target.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640u) << link;
        EXPECT_EQ(Load().intervalTicks, 480) << link;
        EXPECT_NE(Read().find("Other=kept"), std::string::npos) << link;
    }
}

TEST_F(SettingsFolder, ReadOnlyAndUnreadableFilesAreLeftAlone) {
    const std::string original = "Interval=960\n";
    Write(original);
    ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
    EXPECT_NE(SaveThrough(path_).find("read-only"), std::string::npos);
    EXPECT_EQ(Read(), original);

    // A file of another owner that this user can't read. Run as root, the
    // save happens in a child that becomes "nobody" first.
    ASSERT_EQ(chmod(path_.c_str(), 0600), 0);
    const bool root = geteuid() == 0;
    ASSERT_EQ(chmod(path_.c_str(), root ? 0600 : 0200), 0);
    ASSERT_EQ(chmod(folder_.c_str(), 0777), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        const std::string said = SaveThrough(path_);
        _exit(said.find("cannot be read") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    chmod(path_.c_str(), 0600);
    EXPECT_EQ(Read(), original);
    // No temporary file was left behind either.
    EXPECT_EQ(std::system(("test $(ls -A '" + folder_ + "' | wc -l) = 1").c_str()), 0);
}

TEST_F(SettingsFolder, TwoInstancesExitingInTurnLeaveTheLastOnesSettings) {
    platform::SettingsFile first(path_);
    platform::SettingsFile second(path_);
    LoadSettings(first);
    LoadSettings(second);

    settings = Settings{};
    settings.windowX = 10;
    settings.intervalTicks = 240;
    SaveSettings(first);
    settings = Settings{};
    settings.windowX = 20;
    settings.showOutlook = true;
    SaveSettings(second);

    const Settings loaded = Load();
    EXPECT_EQ(loaded.windowX, 20);
    EXPECT_EQ(loaded.intervalTicks, kDefaultIntervalTicks) << "nothing of the first is mixed in";
    EXPECT_TRUE(loaded.showOutlook);
}

TEST_F(SettingsFolder, SavesRacingEachOtherNeverLeaveATornFile) {
    // Two writers save whole, distinct sets of values as fast as they can
    // while a reader loads: every load sees one writer's set complete.
    std::atomic<bool> stop{false};
    auto writer = [&](std::int32_t mark) {
        while (!stop) {
            platform::SettingsFile file(path_);
            if (!file.OpenForWriting()) continue;
            for (const char* name : {"Interval", "Outlook", "WinX", "WinY", "Fast"})
                file.Write(name, static_cast<std::uint32_t>(mark));
            file.Close();
        }
    };
    std::thread a(writer, 111);
    std::thread b(writer, 222);
    // Reads until 200 loads have found a file, for at most ten seconds.
    int complete = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (complete < 200 && std::chrono::steady_clock::now() < deadline) {
        platform::SettingsFile file(path_);
        if (!file.OpenForReading()) continue;  // before the first save
        std::uint32_t values[5] = {};
        int found = 0;
        for (const char* name : {"Interval", "Outlook", "WinX", "WinY", "Fast"})
            found += file.Read(name, &values[found]) ? 1 : 0;
        ASSERT_EQ(found, 5) << "a torn file after " << complete << " whole ones";
        for (std::uint32_t v : values) ASSERT_EQ(v, values[0]) << "values of two writers mixed";
        ++complete;
    }
    stop = true;
    a.join();
    b.join();
    EXPECT_EQ(complete, 200);
    // No temporary file is left behind.
    EXPECT_EQ(std::system(("test $(ls -A '" + folder_ + "' | wc -l) -eq 1").c_str()), 0);
}

#endif  // _WIN32

}  // namespace
}  // namespace tickwell
