// The Windows system back end: threads and locks, the registry store and
// WinINet, against the real Windows (or Wine) services.
#include <gtest/gtest.h>

#if defined(_WIN32)

// Winsock must come before the rest of the Windows headers.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <atomic>
#include <memory>
#include <string>

#include "platform/http.h"
#include "platform/threads.h"
#include "platform/win32/system/registry_store.h"
#include "settings/settings.h"

namespace tickwell {
namespace {

// ---------------------------------------------------------------- threads

struct Counter {
    std::atomic<int> runs{0};
    std::uint32_t result = 0;
};

std::uint32_t CountRun(void* parameter) {
    auto* counter = static_cast<Counter*>(parameter);
    ++counter->runs;
    return counter->result;
}

TEST(Win32Threads, SuspendedThreadRunsOnlyOnceResumed) {
    Counter counter;
    counter.result = 42;
    std::uint32_t id = 0;
    platform::Thread* thread = platform::CreateSuspendedThread(CountRun, &counter, 0x10000, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    platform::Sleep(50);
    EXPECT_EQ(counter.runs.load(), 0);

    platform::ResumeThread(thread);
    platform::WaitForThread(thread);
    EXPECT_EQ(counter.runs.load(), 1);
    platform::CloseThread(thread);
}

TEST(Win32Threads, TerminatingANeverResumedThreadKeepsItsEntryFromRunning) {
    Counter counter;
    platform::Thread* thread =
        platform::CreateSuspendedThread(CountRun, &counter, 0x10000, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(platform::TerminateThread(thread));
    platform::WaitForThread(thread);  // returns: the thread has ended
    platform::ResumeThread(thread);   // a dead thread does not come back
    platform::Sleep(20);
    EXPECT_EQ(counter.runs.load(), 0);
    platform::CloseThread(thread);
}

TEST(Win32Threads, ClosingTheHandleOfARunningThreadLetsItFinish) {
    Counter counter;
    platform::Thread* thread =
        platform::CreateSuspendedThread(CountRun, &counter, 0x10000, nullptr);
    ASSERT_NE(thread, nullptr);
    platform::ResumeThread(thread);
    platform::CloseThread(thread);  // without waiting
    for (int i = 0; i < 200 && counter.runs.load() == 0; ++i) platform::Sleep(5);
    EXPECT_EQ(counter.runs.load(), 1);
}

struct SharedTotal {
    platform::CriticalSection* section = nullptr;
    platform::Mutex* mutex = nullptr;
    int total = 0;
};

// Read-pause-write increments lose updates unless the lock works.
std::uint32_t AddUnderBothLocks(void* parameter) {
    auto* shared = static_cast<SharedTotal*>(parameter);
    for (int i = 0; i < 200; ++i) {
        platform::EnterCriticalSection(shared->section);
        platform::WaitForMutex(shared->mutex);
        const int before = shared->total;
        if (i % 50 == 0) platform::Sleep(1);
        shared->total = before + 1;
        platform::ReleaseMutex(shared->mutex);
        platform::LeaveCriticalSection(shared->section);
    }
    return 0;
}

TEST(Win32Threads, CriticalSectionAndMutexExcludeEachOther) {
    SharedTotal shared;
    shared.section = platform::CreateCriticalSection();
    shared.mutex = platform::NewMutex();
    ASSERT_NE(shared.mutex, nullptr);
    platform::Thread* first =
        platform::CreateSuspendedThread(AddUnderBothLocks, &shared, 0, nullptr);
    platform::Thread* second =
        platform::CreateSuspendedThread(AddUnderBothLocks, &shared, 0, nullptr);
    platform::ResumeThread(first);
    platform::ResumeThread(second);
    platform::WaitForThread(first);
    platform::WaitForThread(second);
    platform::CloseThread(first);
    platform::CloseThread(second);
    EXPECT_EQ(shared.total, 400);
    platform::DeleteCriticalSection(shared.section);
    platform::CloseMutex(shared.mutex);
}

TEST(Win32Threads, WaitingForAClosedMutexReturnsInsteadOfCrashingOrHanging) {
    platform::Mutex* mutex = platform::NewMutex();
    platform::CloseMutex(mutex);
    platform::WaitForMutex(mutex);
    platform::ReleaseMutex(mutex);
    SUCCEED();
}

// --------------------------------------------------------------- registry

constexpr const char* kTestKey = "Software\\Quillfen\\TickwellUnitTest";

class Win32Registry : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }

    static void PutRaw(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        ::RegCloseKey(key);
    }
    static DWORD GetRaw(const char* name, DWORD* type) {
        DWORD value = 0xDEADBEEF;
        DWORD size = sizeof value;
        ::RegGetValueA(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_ANY, type, &value, &size);
        return value;
    }

    RegistrySettingsStore store{kTestKey};
};

TEST_F(Win32Registry, WrittenValuesAreDwordsAndReadBackWhole) {
    EXPECT_FALSE(store.OpenForReading()) << "the key does not exist yet";
    ASSERT_TRUE(store.OpenForWriting());
    store.Write("Interval", 3600);
    store.Write("WinX", static_cast<std::uint32_t>(-5));
    store.Write("WinY", 0x80000001u);
    store.Close();

    DWORD type = 0;
    EXPECT_EQ(GetRaw("Interval", &type), 3600u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    ASSERT_TRUE(store.OpenForReading());
    std::uint32_t value = 0;
    ASSERT_TRUE(store.Read("WinX", &value));
    EXPECT_EQ(static_cast<std::int32_t>(value), -5);
    ASSERT_TRUE(store.Read("WinY", &value));
    EXPECT_EQ(value, 0x80000001u);
    EXPECT_FALSE(store.Read("Fast", &value));
    store.Close();
}

TEST_F(Win32Registry, ValuesOfAnotherTypeOrSizeAreNotTakenForNumbers) {
    const char text[] = "15";
    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const unsigned char two[2] = {9, 0};
    PutRaw("Interval", REG_SZ, text, sizeof text);
    PutRaw("WinX", REG_BINARY, eight, sizeof eight);
    PutRaw("WinY", REG_BINARY, two, sizeof two);
    const DWORD four = 4;
    PutRaw("Fast", REG_BINARY, &four, sizeof four);

    ASSERT_TRUE(store.OpenForReading());
    std::uint32_t value = 99;
    EXPECT_FALSE(store.Read("Interval", &value));
    EXPECT_FALSE(store.Read("WinX", &value));
    EXPECT_FALSE(store.Read("WinY", &value));
    EXPECT_FALSE(store.Read("Fast", &value));
    EXPECT_EQ(value, 99u);
    store.Close();
}

TEST_F(Win32Registry, SettingsSurviveASaveAndLoadThroughTheRegistry) {
    const DWORD seven = 7;
    PutRaw("Outlook", REG_DWORD, &seven, sizeof seven);
    LoadSettings(store);
    EXPECT_TRUE(settings.showOutlook);
    EXPECT_EQ(settings.intervalTicks, kDefaultIntervalTicks);

    settings.intervalTicks = 4800;
    settings.fastScroll = true;
    settings.windowX = 123;
    settings.windowY = 456;
    SaveSettings(store);

    DWORD type = 0;
    EXPECT_EQ(GetRaw("Outlook", &type), 1u);  // a flag is saved as 1
    EXPECT_EQ(GetRaw("Interval", &type), 4800u);
    EXPECT_EQ(GetRaw("Fast", &type), 1u);
    EXPECT_EQ(GetRaw("WinX", &type), 123u);
    EXPECT_EQ(GetRaw("WinY", &type), 456u);

    settings = Settings{};
    LoadSettings(store);
    EXPECT_EQ(settings.intervalTicks, 4800);
    EXPECT_TRUE(settings.fastScroll);
    EXPECT_EQ(settings.windowX, 123);
    EXPECT_EQ(settings.windowY, 456);
    settings = Settings{};
}

TEST_F(Win32Registry, StationTextIsReadOnlyWhenItIsAShortString) {
    // The value is the user's (set with reg add) and untrusted: only a
    // REG_SZ of bounded size counts, cut at its first NUL.
    struct Case {
        const char* label;
        DWORD type;
        std::string bytes;  // stored as they are, NULs included
        bool taken;
        const char* text;
    };
    const Case cases[] = {
        {"plain", REG_SZ, std::string("KBOS\0", 5), true, "KBOS"},
        {"no NUL at the end", REG_SZ, "PHNL", true, "PHNL"},
        {"NUL inside", REG_SZ, std::string("KD\0EN\0", 7), true, "KD"},
        {"empty", REG_SZ, std::string("\0", 1), false, ""},
        {"no bytes", REG_SZ, "", false, ""},
        {"a number", REG_DWORD, std::string("\x01\0\0\0", 4), false, ""},
        {"expandable", REG_EXPAND_SZ, std::string("KDEN\0", 5), false, ""},
        {"binary", REG_BINARY, "KDEN", false, ""},
        {"longest", REG_SZ, std::string(kMaxTextBytes - 1, 'A') + '\0', true, nullptr},
        {"too long", REG_SZ, std::string(kMaxTextBytes, 'A') + '\0', false, ""},
    };
    for (const Case& c : cases) {
        PutRaw("Station", c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        ASSERT_TRUE(store.OpenForReading());
        std::string text = "before";
        EXPECT_EQ(store.ReadText("Station", &text), c.taken) << c.label;
        if (c.taken && c.text != nullptr) {
            EXPECT_EQ(text, c.text) << c.label;
        }
        if (!c.taken) {
            EXPECT_EQ(text, "before") << c.label;
        }
        store.Close();
    }
    std::string text;
    EXPECT_FALSE(store.ReadText("Station", &text)) << "the key is closed";
}

TEST_F(Win32Registry, SavingTheSettingsLeavesTheStationAsItWas) {
    const char station[] = "KBOS";
    PutRaw("Station", REG_SZ, station, sizeof station);
    LoadSettings(store);
    SaveSettings(store);
    char buffer[16] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    ASSERT_EQ(
        ::RegGetValueA(HKEY_CURRENT_USER, kTestKey, "Station", RRF_RT_ANY, &type, buffer, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(buffer, "KBOS");
    settings = Settings{};
}

// ----------------------------------------------------------------- WinINet
// Fetching real pages is covered end to end against the stand-in server;
// these are the failure paths.

// A loopback port that nothing listens on: bound once, then released.
std::uint16_t ClosedPort() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::closesocket(probe);
    ::WSACleanup();
    return ntohs(address.sin_port);
}

TEST(Win32Http, AServerThatIsNotThereFailsTheCheckAndTheRequest) {
    const std::uint16_t port = ClosedPort();
    platform::Internet& internet = platform::SystemInternet();
    EXPECT_FALSE(internet.CanConnect("127.0.0.1", port));

    std::unique_ptr<platform::HttpSession> session(internet.OpenSession("Mozilla/4.0"));
    ASSERT_NE(session, nullptr);
    std::unique_ptr<platform::HttpConnection> connection(
        session->Connect("127.0.0.1", port, "tickwell"));
    ASSERT_NE(connection, nullptr);  // connecting is lazy
    std::unique_ptr<platform::HttpRequest> request(connection->OpenRequest("/"));
    ASSERT_NE(request, nullptr);
    EXPECT_FALSE(request->Send());
    // Wine's WinINet lets the read succeed with nothing; Windows fails it.
    // Either way no byte arrives, which is what fails the fetch attempt.
    char buffer[16];
    std::uint32_t delivered = 99;
    request->Read(buffer, sizeof buffer, &delivered);
    EXPECT_EQ(delivered, 0u);
}

TEST(Win32Http, ARequestThatOutlivesItsConnectionFailsQuietly) {
    std::unique_ptr<platform::HttpSession> session(
        platform::SystemInternet().OpenSession("Mozilla/4.0"));
    ASSERT_NE(session, nullptr);
    std::unique_ptr<platform::HttpConnection> connection(
        session->Connect("127.0.0.1", ClosedPort(), "tickwell"));
    ASSERT_NE(connection, nullptr);
    std::unique_ptr<platform::HttpRequest> request(connection->OpenRequest("/"));
    ASSERT_NE(request, nullptr);

    connection.reset();
    session.reset();
    EXPECT_FALSE(request->Send());
    char buffer[16];
    std::uint32_t delivered = 99;
    EXPECT_FALSE(request->Read(buffer, sizeof buffer, &delivered));
    request.reset();  // closing it afterwards is harmless too
}

}  // namespace
}  // namespace tickwell

#else

TEST(Win32System, RunsOnlyOnWindows) {
    GTEST_SKIP() << "Windows back end";
}

#endif
