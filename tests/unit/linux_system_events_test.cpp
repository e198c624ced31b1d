// The Linux watchers of sleep and of the network: which routing messages
// mean the network may be back, and the sleep watch on a private bus where
// the test itself plays logind (skipped without dbus-daemon).
#if defined(__linux__)

#include <gtest/gtest.h>
#include <linux/if.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/standard_error_log.h"
#include "platform/linux/system/route_watch.h"
#include "platform/linux/system/sleep_watch.h"

namespace tickwell::platform {
namespace {

using namespace std::chrono_literals;

// One routing message as the kernel lays it out.
template <typename Body>
std::vector<char> Message(std::uint16_t type, const Body& body) {
    std::vector<char> bytes(NLMSG_SPACE(sizeof(Body)), 0);
    auto* header = reinterpret_cast<nlmsghdr*>(bytes.data());
    header->nlmsg_len = NLMSG_LENGTH(sizeof(Body));
    header->nlmsg_type = type;
    std::memcpy(NLMSG_DATA(header), &body, sizeof body);
    return bytes;
}

rtmsg Route(unsigned char destinationLength, unsigned char type = RTN_UNICAST) {
    rtmsg route{};
    route.rtm_family = AF_INET;
    route.rtm_dst_len = destinationLength;
    route.rtm_table = RT_TABLE_MAIN;
    route.rtm_type = type;
    return route;
}

ifinfomsg Link(unsigned flags, unsigned change) {
    ifinfomsg link{};
    link.ifi_flags = flags;
    link.ifi_change = change;
    return link;
}

ifaddrmsg Address(unsigned char scope) {
    ifaddrmsg address{};
    address.ifa_family = AF_INET6;
    address.ifa_scope = scope;
    return address;
}

std::vector<char> Joined(std::vector<std::vector<char>> messages) {
    std::vector<char> all;
    for (const auto& message : messages) all.insert(all.end(), message.begin(), message.end());
    return all;
}

TEST(RouteWatchMessages, OnlyANewDefaultRouteOrGlobalAddressMeansTheNetworkMayBeBack) {
    const struct {
        const char* label;
        std::vector<char> bytes;
        bool back;
    } cases[] = {
        {"a new default route", Message(RTM_NEWROUTE, Route(0)), true},
        {"a new route to one subnet", Message(RTM_NEWROUTE, Route(24)), false},
        {"a default route that rejects", Message(RTM_NEWROUTE, Route(0, RTN_UNREACHABLE)), false},
        {"the default route deleted", Message(RTM_DELROUTE, Route(0)), false},
        {"a new global address", Message(RTM_NEWADDR, Address(RT_SCOPE_UNIVERSE)), true},
        {"a new link-local address", Message(RTM_NEWADDR, Address(RT_SCOPE_LINK)), false},
        {"an address deleted", Message(RTM_DELADDR, Address(RT_SCOPE_UNIVERSE)), false},
        {"a link's carrier back", Message(RTM_NEWLINK, Link(IFF_UP | IFF_RUNNING, IFF_RUNNING)),
         true},
        {"a link up and running whose other flags changed",
         Message(RTM_NEWLINK, Link(IFF_UP | IFF_RUNNING, IFF_PROMISC)), false},
        {"a link up without a carrier", Message(RTM_NEWLINK, Link(IFF_UP, IFF_UP)), false},
        {"loopback up", Message(RTM_NEWLINK, Link(IFF_UP | IFF_RUNNING | IFF_LOOPBACK, IFF_UP)),
         false},
        {"the second of two messages",
         Joined({Message(RTM_DELROUTE, Route(0)), Message(RTM_NEWROUTE, Route(0))}), true},
        {"a message cut short",
         [] {
             auto bytes = Message(RTM_NEWROUTE, Route(0));
             bytes.resize(sizeof(nlmsghdr) + 2);
             return bytes;
         }(),
         false},
        {"a header claiming more than was read",
         [] {
             auto bytes = Message(RTM_NEWROUTE, Route(0));
             reinterpret_cast<nlmsghdr*>(bytes.data())->nlmsg_len = 4096;
             return bytes;
         }(),
         false},
        {"a route message too short for its body",
         [] {
             auto bytes = Message(RTM_NEWROUTE, Route(0));
             reinterpret_cast<nlmsghdr*>(bytes.data())->nlmsg_len = NLMSG_LENGTH(2);
             return bytes;
         }(),
         false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NetworkMayBeBack(c.bytes.data(), c.bytes.size()), c.back) << c.label;
    }
}

// A dbus-daemon of the test's own, given as the system bus.
class PrivateSystemBus {
public:
    PrivateSystemBus() {
        std::FILE* output =
            popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
        if (output == nullptr) return;
        char address[512] = {};
        long pid = 0;
        if (std::fscanf(output, "%511s %ld", address, &pid) == 2) {
            address_ = address;
            pid_ = static_cast<pid_t>(pid);
        }
        pclose(output);
        if (!address_.empty()) setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
    }
    ~PrivateSystemBus() {
        if (pid_ > 0) kill(pid_, SIGTERM);
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
    bool running() const { return pid_ > 0; }
    const std::string& address() const { return address_; }

private:
    std::string address_;
    pid_t pid_ = 0;
};

// A client of that bus, which can own a name and send signals; it answers
// the Peer interface (logind's Ping) while pumped.
class BusClient {
public:
    explicit BusClient(const std::string& address) {
        sd_bus_new(&bus_);
        sd_bus_set_address(bus_, address.c_str());
        sd_bus_set_bus_client(bus_, 1);
        started_ = sd_bus_start(bus_) >= 0;
    }
    ~BusClient() { sd_bus_flush_close_unref(bus_); }
    bool started() const { return started_; }
    bool Own(const char* name) { return sd_bus_request_name(bus_, name, 0) >= 0; }
    void SendPrepareForSleep(bool going) {
        sd_bus_emit_signal(bus_, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                           "PrepareForSleep", "b", going ? 1 : 0);
        sd_bus_flush(bus_);
    }
    // Handles what comes in for `duration`.
    void Pump(std::chrono::milliseconds duration) {
        const auto end = std::chrono::steady_clock::now() + duration;
        while (std::chrono::steady_clock::now() < end) {
            while (sd_bus_process(bus_, nullptr) > 0) {
            }
            sd_bus_wait(bus_, 20'000);
        }
    }

private:
    sd_bus* bus_ = nullptr;
    bool started_ = false;
};

TEST(SleepWatchBus, OnlyLogindsWakeUpIsPassedOn) {
    PrivateSystemBus bus;
    if (!bus.running()) {
        GTEST_SKIP() << "no dbus-daemon: the sleep watch is not tried";
    }
    BusClient logind(bus.address());
    BusClient stranger(bus.address());
    ASSERT_TRUE(logind.started() && stranger.started());
    ASSERT_TRUE(logind.Own("org.freedesktop.login1"));
    std::atomic<int> wakeUps{0};
    testing::internal::CaptureStderr();
    {
        SleepWatch watch([&wakeUps] { wakeUps += 1; });
        logind.Pump(1500ms);  // answers the watch's Ping
        logind.SendPrepareForSleep(true);
        stranger.SendPrepareForSleep(false);
        logind.Pump(500ms);
        EXPECT_EQ(wakeUps, 0) << "going to sleep, or the signal from another than logind";
        logind.SendPrepareForSleep(false);
        for (int wait = 0; wait < 100 && wakeUps == 0; ++wait) logind.Pump(20ms);
        EXPECT_EQ(wakeUps, 1);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SleepWatchBus, WithoutABusOrLogindOneLineAndNoWatch) {
    PrivateSystemBus bus;
    if (!bus.running()) {
        GTEST_SKIP() << "no dbus-daemon: the sleep watch is not tried";
    }
    const struct {
        const char* label;
        std::string address;
        const char* said;
    } cases[] = {
        {"no bus at the address", "unix:path=/nonexistent/tickwell-test-bus", "no system bus"},
        {"a bus without logind", bus.address(), "no logind on the system bus"},
    };
    // The program's notes go to standard error, as in the program.
    tickwell::linux_cli::LogToStandardError();
    for (const auto& c : cases) {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", c.address.c_str(), 1);
        testing::internal::CaptureStderr();
        {
            SleepWatch watch([] {});
            std::this_thread::sleep_for(500ms);
        }
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.rfind(std::string("tickwell: ") + c.said, 0), 0u) << c.label << ": " << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << c.label << ": one line, " << said;
    }
}

TEST(SleepWatchBus, ABusThatNeverAnswersDoesNotHoldTheClose) {
    // A socket that takes the connection and never says a word.
    const std::string path = "/tmp/tickwell-silent-bus-" + std::to_string(getpid());
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    unlink(path.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);
    std::optional<SleepWatch> watch;
    watch.emplace([] {});
    std::this_thread::sleep_for(300ms);
    const auto started = std::chrono::steady_clock::now();
    watch.reset();
    const auto closing = std::chrono::steady_clock::now() - started;
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    close(listener);
    unlink(path.c_str());
    EXPECT_LT(closing, 500ms);
}

}  // namespace
}  // namespace tickwell::platform

#endif  // __linux__
