// The Windows log file: time-stamped lines appended in a folder made on
// demand, never more than its limit (the older half goes, from a line's
// start), whole lines when threads write at once, and the program's notes
// reaching it through the sink.
#include <gtest/gtest.h>

#if defined(_WIN32)

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/message_log.h"
#include "platform/win32/system/log_file.h"

namespace tickwell::platform {
namespace {

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
        folder_ = std::wstring(temp) + L"tickwell-log-" + std::to_wstring(::GetCurrentProcessId());
        path_ = folder_ + L"\\Tickwell\\tickwell.log";
    }
    void TearDown() override {
        ::DeleteFileW(path_.c_str());
        ::RemoveDirectoryW((folder_ + L"\\Tickwell").c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    std::string Contents() const {
        std::ifstream file(std::filesystem::path(path_), std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream text(Contents());
        for (std::string line; std::getline(text, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    std::wstring folder_;
    std::wstring path_;
};

TEST_F(LogFileTest, LinesAreStampedAndAppendedInAFolderMadeForThem) {
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    LogFile log(path_);
    log.Append("first note");
    LogFile(path_).Append("a later run's note");
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 2u) << Contents();
    const std::regex stamped(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d (.*))");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, stamped)) << lines[0];
    EXPECT_EQ(match[1], "first note");
    ASSERT_TRUE(std::regex_match(lines[1], match, stamped)) << lines[1];
    EXPECT_EQ(match[1], "a later run's note");
    EXPECT_NE(Contents().find("first note\r\n"), std::string::npos);
}

TEST_F(LogFileTest, AFullFileDropsItsOlderHalfFromALineStart) {
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    constexpr std::size_t kLimit = 1000;
    LogFile log(path_, kLimit);
    for (int note = 0; note < 200; ++note) {
        log.Append("note " + std::to_string(note));
        ASSERT_LE(Contents().size(), kLimit) << "after note " << note;
    }
    const std::vector<std::string> lines = Lines();
    ASSERT_FALSE(lines.empty());
    // The newest notes, in order, each whole; the oldest are gone.
    EXPECT_NE(lines.back().find(" note 199"), std::string::npos) << lines.back();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_NE(lines[i].find(" note " + std::to_string(200 - lines.size() + i)),
                  std::string::npos)
            << lines[i];
    }
    EXPECT_GT(Contents().size(), kLimit / 2 - 40);
}

TEST_F(LogFileTest, NotesFromManyThreadsArriveWholeThroughTheSink) {
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    LogFile log(path_);
    SetMessageSink([&log](const std::string& text) { log.Append(text); });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int n = 0; n < 50; ++n) {
                LogMessage("thread " + std::to_string(t) + " note " + std::to_string(n));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    SetMessageSink(nullptr);
    LogMessage("dropped: no sink");
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 200u);
    const std::regex whole(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d thread \d note \d+)");
    for (const std::string& line : lines) {
        EXPECT_TRUE(std::regex_match(line, whole)) << line;
    }
}

}  // namespace
}  // namespace tickwell::platform

#else

TEST(Win32LogFile, RunsOnlyOnWindows) {
    GTEST_SKIP() << "Windows back end";
}

#endif  // _WIN32
