// The Windows system back end: threads and locks, the registry store and
// WinINet, against the real Windows (or Wine) services.
#include <gtest/gtest.h>

#if defined(_WIN32)

// Winsock must come before the rest of the Windows headers.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>
#include <wininet.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "app/weather_state.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "live/stored_units.h"
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

// ---------------------------------------------------------- fetch jobs

// The bytes in use in every heap of the process.
std::size_t HeapBytesInUse() {
    HANDLE heaps[64];
    const DWORD count = ::GetProcessHeaps(64, heaps);
    std::size_t total = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!::HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        }
        ::HeapUnlock(heaps[i]);
    }
    return total;
}

// The threads this process has now.
int ThreadsOfThisProcess() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == ::GetCurrentProcessId() ? 1 : 0;
    }
    ::CloseHandle(snapshot);
    return count;
}

// The heap once the jobs' threads have gone: a job reports Finished before
// its thread has ended, and the system frees what it kept for the thread
// only when it does. Waits (up to 5 s) for the process to be back to
// `threads` threads and for two readings 50 ms apart to agree.
std::size_t SettledHeapBytes(int threads) {
    for (int i = 0; i < 100 && ThreadsOfThisProcess() > threads; ++i) ::Sleep(50);
    std::size_t last = HeapBytesInUse();
    for (int i = 0; i < 20; ++i) {
        ::Sleep(50);
        const std::size_t now = HeapBytesInUse();
        if (now == last) break;
        last = now;
    }
    return last;
}

// Both pages, served from memory without recording anything, so that the
// only allocations a job makes are its own.
class StaticPages : public platform::Internet, platform::HttpSession, platform::HttpConnection {
public:
    bool CanConnect(const char*, std::uint16_t) override { return true; }
    platform::HttpSession* OpenSession(const char*) override { return new Session(*this); }
    platform::HttpConnection* Connect(const char*, std::uint16_t, const char*) override {
        return new Connection(*this);
    }
    platform::HttpRequest* OpenRequest(const char* path) override {
        const bool roundup = std::strcmp(path, roundupPath) == 0;
        return new Request(roundup ? "DENVER INTL AP SUNNY 75 40 29 W10 30.01F\n"
                                   : "FORECAST\n.TONIGHT...CLEAR.\n.MONDAY...SUNNY.\n</pre>");
    }

private:
    struct Session : platform::HttpSession {
        explicit Session(StaticPages& owner) : pages(owner) {}
        platform::HttpConnection* Connect(const char* host, std::uint16_t port,
                                          const char* user) override {
            return pages.Connect(host, port, user);
        }
        StaticPages& pages;
    };
    struct Connection : platform::HttpConnection {
        explicit Connection(StaticPages& owner) : pages(owner) {}
        platform::HttpRequest* OpenRequest(const char* path) override {
            return pages.OpenRequest(path);
        }
        StaticPages& pages;
    };
    struct Request : platform::HttpRequest {
        explicit Request(const char* page) : body(page) {}
        bool Send() override { return true; }
        bool Read(char* buffer, std::uint32_t capacity, std::uint32_t* delivered) override {
            const std::size_t left = std::strlen(body);
            *delivered = static_cast<std::uint32_t>(std::min<std::size_t>(capacity, left));
            std::memcpy(buffer, body, *delivered);
            body += *delivered;
            return true;
        }
        const char* body;
    };
};

TEST(Win32FetchJobs, AThousandJobsLeaveTheHeapWhereItWas) {
    StaticPages pages;
    UseInternet(pages);
    SetFetchPause([](std::uint32_t) {});
    AllocateWeatherBuffers();
    ASSERT_TRUE(OpenSession());
    ASSERT_TRUE(OpenConnection());
    const int threadsBefore = ThreadsOfThisProcess();
    std::size_t afterTen = 0;
    int finished = 0;
    for (int job = 1; job <= 1010; ++job) {
        if (!StartFetch()) break;
        while (currentJob->State() != ThreadState::Finished) {
        }
        finished += weatherState.temperature == 75 ? 1 : 0;
        weatherState.temperature = 0;
        if (job == 10) afterTen = SettledHeapBytes(threadsBefore);
    }
    const std::size_t afterAll = SettledHeapBytes(threadsBefore);
    delete currentJob;
    currentJob = nullptr;
    CloseConnection();
    SetFetchPause(nullptr);
    EXPECT_EQ(finished, 1010);
    EXPECT_GT(afterTen, 0u);
    EXPECT_EQ(afterAll, afterTen) << "bytes in use after 10 jobs and after 1010";
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

TEST_F(Win32Registry, UnitsAreSavedAsTextValuesAndReadBackBesideTheOthers) {
    const char station[] = "KBOS";
    PutRaw("Station", REG_SZ, station, sizeof station);
    const live::Units metric{live::TemperatureUnit::Celsius, live::PressureUnit::Hectopascals,
                             live::WindUnit::KilometresPerHour, live::ClockStyle::TwentyFourHour};
    live::SaveUnits(store, metric);
    const struct {
        const char* name;
        const char* text;
    } stored[] = {{"TemperatureUnit", "C"},
                  {"PressureUnit", "hPa"},
                  {"WindUnit", "km/h"},
                  {"Clock", "24"},
                  {"Station", "KBOS"}};
    for (const auto& value : stored) {
        char buffer[16] = {};
        DWORD size = sizeof buffer;
        DWORD type = 0;
        ASSERT_EQ(::RegGetValueA(HKEY_CURRENT_USER, kTestKey, value.name, RRF_RT_ANY, &type, buffer,
                                 &size),
                  ERROR_SUCCESS)
            << value.name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << value.name;
        EXPECT_STREQ(buffer, value.text);
    }
    EXPECT_EQ(live::LoadUnits(store, live::Units{}), metric);
    // A value as a user may set it with reg add: an unknown one, or one of
    // the wrong type, leaves its part to the defaults.
    PutRaw("WindUnit", REG_SZ, "knots", 6);
    const DWORD twelve = 12;
    PutRaw("Clock", REG_DWORD, &twelve, sizeof twelve);
    live::Units expected = metric;
    expected.wind = live::WindUnit::MilesPerHour;
    expected.clock = live::ClockStyle::TwelveHour;
    EXPECT_EQ(live::LoadUnits(store, live::Units{}), expected);
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

TEST(Win32Http, AServerThatIsNotThereFailsTheRequestButNotTheCheck) {
    // The check is the system's answer alone, whatever the server does.
    const std::uint16_t port = ClosedPort();
    platform::Internet& internet = platform::SystemInternet();
    EXPECT_EQ(internet.CanConnect("127.0.0.1", port), ::InternetAttemptConnect(0) == ERROR_SUCCESS);

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

// A one-thread HTTP server on loopback for the redirect test: /hop/N
// redirects to /hop/N-1, /hop/0 is a page, /loop redirects to itself and
// /elsewhere to an FTP address. One answer per connection.
class RedirectServer {
public:
    RedirectServer() {
        WSADATA data{};
        ::WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 8);
        int length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~RedirectServer() {
        ::closesocket(listener_);
        thread_.join();
        ::WSACleanup();
    }
    std::uint16_t port() const { return port_; }
    std::atomic<int> requests{0};

private:
    void Serve() {
        for (;;) {
            SOCKET client = ::accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                request.append(buffer, static_cast<std::size_t>(got));
            }
            ++requests;
            const std::string answer = Answer(request.substr(4, request.find(' ', 4) - 4));
            ::send(client, answer.data(), static_cast<int>(answer.size()), 0);
            ::shutdown(client, SD_SEND);
            while (::recv(client, buffer, sizeof buffer, 0) > 0) {
            }
            ::closesocket(client);
        }
    }
    static std::string Answer(const std::string& path) {
        std::string location;
        if (path == "/loop") location = "/loop";
        if (path == "/elsewhere") location = "ftp://127.0.0.1/page";
        if (path.rfind("/hop/", 0) == 0 && path != "/hop/0") {
            location = "/hop/" + std::to_string(std::stoi(path.substr(5)) - 1);
        }
        if (location.empty()) {
            return "HTTP/1.1 200 OK\r\nContent-Length: 8\r\nConnection: close\r\n\r\nthe page";
        }
        return "HTTP/1.1 302 Found\r\nLocation: " + location +
               "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }

    SOCKET listener_;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

TEST(Win32Http, RedirectsAreFollowedUpToFiveToHttpOnly) {
    RedirectServer server;
    std::unique_ptr<platform::HttpSession> session(
        platform::SystemInternet().OpenSession("Mozilla/4.0"));
    ASSERT_NE(session, nullptr);
    std::unique_ptr<platform::HttpConnection> connection(
        session->Connect("127.0.0.1", server.port(), "tickwell"));
    ASSERT_NE(connection, nullptr);
    struct Case {
        const char* path;
        const char* body;  // null: the send or a read fails
        int requests;
    };
    const Case cases[] = {
        {"/hop/0", "the page", 1}, {"/hop/5", "the page", 6},  {"/hop/6", nullptr, 6},
        {"/loop", nullptr, 6},     {"/elsewhere", nullptr, 1},
    };
    for (const Case& c : cases) {
        server.requests = 0;
        std::unique_ptr<platform::HttpRequest> request(connection->OpenRequest(c.path));
        ASSERT_NE(request, nullptr);
        bool ok = request->Send();
        std::string body;
        char buffer[64];
        std::uint32_t delivered = 0;
        while (ok && (ok = request->Read(buffer, sizeof buffer, &delivered)) && delivered > 0) {
            body.append(buffer, delivered);
        }
        EXPECT_EQ(ok, c.body != nullptr) << c.path;
        EXPECT_EQ(body, c.body != nullptr ? c.body : "") << c.path;
        EXPECT_EQ(server.requests.load(), c.requests) << c.path;
    }
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
