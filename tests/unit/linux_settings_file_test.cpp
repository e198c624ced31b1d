// The settings file of the Linux program: where it lives, how tolerantly it
// is read and how safely it is written.
// The file and its folder only exist on Linux; built for Windows, this
// program has no tests.
#if defined(__linux__)

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/system/settings_file.h"
#include "settings/settings.h"
#include "support/captured_notes.h"
#include "support/temporary_folder.h"

namespace tickwell::platform {
namespace {

using fakes::ReadText;
using fakes::TemporaryFolder;
using fakes::WriteText;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return names;
}

std::uint32_t ReadOr(SettingsFile& file, const char* name, std::uint32_t fallback) {
    std::uint32_t value = fallback;
    file.Read(name, &value);
    return value;
}

TEST(LinuxSettingsNumbers, AcceptsSigned32BitDecimalsAsStoredBits) {
    EXPECT_EQ(ParseStoredNumber("3600"), 3600u);
    EXPECT_EQ(ParseStoredNumber("0"), 0u);
    EXPECT_EQ(ParseStoredNumber("007"), 7u);
    EXPECT_EQ(ParseStoredNumber("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseStoredNumber("2147483647"), 0x7FFFFFFFu);
    EXPECT_EQ(ParseStoredNumber("-2147483648"), 0x80000000u);
}

TEST(LinuxSettingsNumbers, RejectsOutOfRangeAndMalformedText) {
    for (const char* text : {"2147483648", "-2147483649", "4294967295", "99999999999999999999999",
                             "", "-", "--1", "+5", "12a", "1 2", "0x10", "3.5", " 7"}) {
        EXPECT_FALSE(ParseStoredNumber(text).has_value()) << '"' << text << '"';
    }
}

TEST(LinuxSettingsPath, FollowsXdgConfigHomeElseHome) {
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string xdg = savedXdg ? savedXdg : "";
    const std::string home = savedHome ? savedHome : "";

    setenv("XDG_CONFIG_HOME", "/some/config/", 1);
    EXPECT_EQ(DefaultSettingsPath(), "/some/config/Quillfen/Tickwell/settings");
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "relative/path", 1);
    EXPECT_EQ(DefaultSettingsPath(), "/home/someone/.config/Quillfen/Tickwell/settings");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultSettingsPath(), "/home/someone/.config/Quillfen/Tickwell/settings");

    if (savedXdg) setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    if (savedHome) setenv("HOME", home.c_str(), 1);
}

TEST(LinuxSettingsFile, WritesAndReadsBackAllValuesCreatingTheFolders) {
    TemporaryFolder folder("settings");
    const std::string path = folder.path() + "/Quillfen/Tickwell/settings";
    SettingsFile writer(path);
    ASSERT_TRUE(writer.OpenForWriting());
    writer.Write("Interval", 4800);
    writer.Write("Outlook", 1);
    writer.Write("WinX", static_cast<std::uint32_t>(-37));
    writer.Write("WinY", 512);
    writer.Write("Fast", 0);
    writer.Close();

    const std::string text = ReadText(path);
    EXPECT_NE(text.find("Interval=4800\n"), std::string::npos) << text;
    EXPECT_NE(text.find("WinX=-37\n"), std::string::npos) << text;

    SettingsFile reader(path);
    ASSERT_TRUE(reader.OpenForReading());
    EXPECT_EQ(ReadOr(reader, "Interval", 0), 4800u);
    EXPECT_EQ(ReadOr(reader, "Outlook", 9), 1u);
    EXPECT_EQ(static_cast<std::int32_t>(ReadOr(reader, "WinX", 0)), -37);
    EXPECT_EQ(ReadOr(reader, "WinY", 0), 512u);
    EXPECT_EQ(ReadOr(reader, "Fast", 9), 0u);
    reader.Close();

    // Only the file itself is left: no temporary file stays behind.
    EXPECT_EQ(FolderEntries(folder.path() + "/Quillfen/Tickwell"),
              std::vector<std::string>{"settings"});
}

TEST(LinuxSettingsFile, ReadsTolerantlyKeepingDefaultsForBadLines) {
    TemporaryFolder folder("settings");
    const std::string path = folder.path() + "/settings";
    WriteText(path,
              "# comment\r\n"
              "garbage without equals\n"
              "Interval = 240\r\n"
              "outlook=7\n"
              "WinX=99999999999\n"
              "WinY=-5x\n"
              "=12\n"
              "Fast=1\n"
              "Fast=0");  // the last line wins and needs no line end
    SettingsFile file(path);
    ASSERT_TRUE(file.OpenForReading());
    EXPECT_EQ(ReadOr(file, "Interval", 0), 240u);
    EXPECT_EQ(ReadOr(file, "Outlook", 0), 7u);  // names match regardless of case
    EXPECT_EQ(ReadOr(file, "WinX", 123), 123u);
    EXPECT_EQ(ReadOr(file, "WinY", 456), 456u);
    EXPECT_EQ(ReadOr(file, "Fast", 9), 0u);
    EXPECT_EQ(ReadOr(file, "Missing", 77), 77u);
}

TEST(LinuxSettingsFile, MissingOrOddFilesReadAsAbsent) {
    TemporaryFolder folder("settings");

    SettingsFile missing(folder.path() + "/nothing/settings");
    EXPECT_FALSE(missing.OpenForReading());
    EXPECT_EQ(ReadOr(missing, "Interval", 3600), 3600u);

    // A folder where the file should be.
    const std::string folderPath = folder.path() + "/settings";
    ASSERT_EQ(mkdir(folderPath.c_str(), 0700), 0);
    SettingsFile asFolder(folderPath);
    EXPECT_FALSE(asFolder.OpenForReading());

    // A named pipe: opening it must neither block nor count as a file.
    const std::string pipePath = folder.path() + "/pipe";
    ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
    SettingsFile asPipe(pipePath);
    EXPECT_FALSE(asPipe.OpenForReading());

    // A huge file is read only in part, without failing.
    const std::string hugePath = folder.path() + "/huge";
    WriteText(hugePath, "Interval=960\n" + std::string(1 << 20, 'x'));
    SettingsFile huge(hugePath);
    ASSERT_TRUE(huge.OpenForReading());
    EXPECT_EQ(ReadOr(huge, "Interval", 0), 960u);
}

TEST(LinuxSettingsFile, WritingOverAFolderFailsQuietlyAndLeavesItAlone) {
    TemporaryFolder folder("settings");
    const std::string folderPath = folder.path() + "/settings";
    ASSERT_EQ(mkdir(folderPath.c_str(), 0700), 0);
    SettingsFile file(folderPath);
    EXPECT_FALSE(file.OpenForWriting());
    file.Write("Interval", 240);
    file.Close();
    struct stat info {};
    ASSERT_EQ(stat(folderPath.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"settings"});

    // A file where a folder of the path should be: writing can't start.
    WriteText(folder.path() + "/plain", "x");
    SettingsFile blocked(folder.path() + "/plain/Tickwell/settings");
    EXPECT_FALSE(blocked.OpenForWriting());
}

// Every save of a run (a station chosen, the Preferences, the exit) meets
// the same read-only file; the user hears why it is not written once.
TEST(LinuxSettingsFile, ARefusedFileIsToldOnceARun) {
    TemporaryFolder folder("settings");
    const std::string path = folder.path() + "/settings";
    WriteText(path, "Interval=3600\n");
    ASSERT_EQ(chmod(path.c_str(), 0400), 0);
    fakes::CapturedNotes notes;
    for (int save = 0; save < 3; ++save) {
        SettingsFile file(path);
        EXPECT_FALSE(file.OpenForWriting());
        file.Close();
    }
    EXPECT_EQ(notes.notes(), std::vector<std::string>{"the settings file " + path +
                                                      " is left as it is (it is read-only); the "
                                                      "settings are not saved."});
    EXPECT_EQ(ReadText(path), "Interval=3600\n");
}

TEST(LinuxSettingsFile, RewritingKeepsUnknownLinesAndReplacesKnownOnes) {
    TemporaryFolder folder("settings");
    const std::string path = folder.path() + "/settings";
    WriteText(path, "Interval=3600\nColour=blue\n");
    SettingsFile file(path);
    ASSERT_TRUE(file.OpenForWriting());
    file.Write("INTERVAL", 240);
    file.Close();

    SettingsFile reader(path);
    ASSERT_TRUE(reader.OpenForReading());
    EXPECT_EQ(ReadOr(reader, "Interval", 0), 240u);
    const std::string text = ReadText(path);
    EXPECT_NE(text.find("Colour=blue\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("3600"), std::string::npos) << text;
}

TEST(LinuxSettingsFile, WritesNothingUnlessOpenedForWriting) {
    TemporaryFolder folder("settings");
    const std::string path = folder.path() + "/settings";
    SettingsFile file(path);
    file.Write("Interval", 240);
    file.Close();
    EXPECT_TRUE(FolderEntries(folder.path()).empty());
}

// The program's own load and save through the real file.
TEST(LinuxSettingsFileWithProgram, FirstRunGivesDefaultsAndASaveRoundTrips) {
    TemporaryFolder folder("settings");
    SettingsFile file(folder.path() + "/Quillfen/Tickwell/settings");
    settings = Settings{};
    settings.fastScroll = true;
    LoadSettings(file);
    EXPECT_EQ(settings.intervalTicks, 3600);
    EXPECT_FALSE(settings.showOutlook);
    EXPECT_EQ(settings.windowX, 0);
    EXPECT_EQ(settings.windowY, 0);

    settings.intervalTicks = 4800;
    settings.showOutlook = true;
    settings.fastScroll = true;
    settings.windowX = -120;
    settings.windowY = 700;
    SaveSettings(file);
    settings = Settings{};
    LoadSettings(file);
    EXPECT_EQ(settings.intervalTicks, 4800);
    EXPECT_TRUE(settings.showOutlook);
    EXPECT_TRUE(settings.fastScroll);
    EXPECT_EQ(settings.windowX, -120);
    EXPECT_EQ(settings.windowY, 700);
}

TEST(LinuxSettingsFileWithProgram, OddStoredValuesLoadAsTheRegistryWouldGiveThem) {
    TemporaryFolder folder("settings");
    const std::string path = folder.path() + "/settings";
    WriteText(path, "Interval=twelve\nOutlook=7\nFast=0\nWinX=-5\nWinY=4294967296\n");
    SettingsFile file(path);
    LoadSettings(file);
    EXPECT_EQ(settings.intervalTicks, 3600);  // malformed: the default stays
    EXPECT_TRUE(settings.showOutlook);        // any non-zero number sets the flag
    EXPECT_EQ(settings.windowX, -5);          // clamped later, at start-up
    EXPECT_EQ(settings.windowY, 0);           // beyond 32 bits: the default stays
    SaveSettings(file);
    const std::string text = ReadText(path);
    EXPECT_NE(text.find("Outlook=1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Interval=3600\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace tickwell::platform

#endif  // defined(__linux__)
