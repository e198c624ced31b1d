// The start-up check of the Linux program: what counts as a network that
// can reach the internet, read from the interfaces and routing tables; and
// the wait for it after a start at login, which a stop signal ends.
#if defined(__linux__)

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/standard_error_log.h"
#include "platform/linux/system/login_network_wait.h"
#include "platform/linux/system/network_check.h"

namespace tickwell::platform {
namespace {

const std::string kIpv4Heading =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

std::string Ipv4Route(const char* name, const char* destination, const char* flags) {
    return std::string(name) + "\t" + destination + "\t010200C0\t" + flags +
           "\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
}

std::string Ipv6Route(const char* destination, const char* flags, const char* name) {
    return std::string(destination) +
           " 40 00000000000000000000000000000000 00 00000000000000000000000000000000 "
           "00000100 00000001 00000000 " +
           flags + "     " + name + "\n";
}

TEST(NetworkCheckTest, ARouteOutsideThroughAnInterfaceThatIsUp) {
    struct Case {
        const char* what;
        std::vector<std::string> up;
        std::string ipv4, ipv6;
        bool ok;
        const char* failure;  // a word of the message, when not ok
    };
    const std::string lanOnly = Ipv4Route("eth0", "000200C0", "0001");
    const Case cases[] = {
        {"default route",
         {"eth0"},
         kIpv4Heading + Ipv4Route("eth0", "00000000", "0003"),
         "",
         true,
         ""},
        {"a local network is outside this machine", {"eth0"}, kIpv4Heading + lanOnly, "", true, ""},
        {"nothing up but loopback", {}, kIpv4Heading + lanOnly, "", false, "interface"},
        {"routes only through another interface",
         {"wlan0"},
         kIpv4Heading + lanOnly,
         "",
         false,
         "route"},
        {"a route that is down",
         {"eth0"},
         kIpv4Heading + Ipv4Route("eth0", "00000000", "0002"),
         "",
         false,
         "route"},
        {"a rejecting route",
         {"eth0"},
         kIpv4Heading + Ipv4Route("eth0", "00000000", "0201"),
         "",
         false,
         "route"},
        {"loopback and multicast destinations",
         {"eth0"},
         kIpv4Heading + Ipv4Route("eth0", "0000007F", "0001") +
             Ipv4Route("eth0", "000000E0", "0001"),
         "",
         false,
         "route"},
        {"the heading alone is no route", {"Iface"}, kIpv4Heading, "", false, "route"},
        {"an IPv6 route",
         {"eth0"},
         kIpv4Heading,
         Ipv6Route("20010db8000000000000000000000000", "00000001", "eth0"),
         true,
         ""},
        {"IPv6 link-local, multicast and loopback",
         {"eth0"},
         kIpv4Heading,
         Ipv6Route("fe800000000000000000000000000000", "00000001", "eth0") +
             Ipv6Route("ff000000000000000000000000000000", "00000001", "eth0") +
             Ipv6Route("00000000000000000000000000000001", "80200001", "eth0"),
         false,
         "route"},
        {"garbled tables", {"eth0"}, "x\neth0 zz yy ww\n\n", "zz 1 2\neth0\n", false, "route"},
    };
    for (const Case& c : cases) {
        const NetworkReport report = JudgeNetwork(c.up, c.ipv4, c.ipv6);
        EXPECT_EQ(report.ok, c.ok) << c.what;
        EXPECT_NE(report.failure.find(c.failure), std::string::npos)
            << c.what << ": " << report.failure;
        EXPECT_EQ(report.failure.empty(), c.ok) << c.what;
    }
}

TEST(NetworkCheckTest, ANamespaceWithOnlyLoopbackHasNoNetwork) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (unshare(CLONE_NEWNET) != 0) _exit(77);
        _exit(CheckSystemNetwork().ok ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no permission for a network namespace";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the check found a network in an empty namespace";
}

// In a namespace without network, a child waits as at login with SIGHUP
// ignored (as under nohup). SIGHUP leaves it waiting; SIGTERM ends the wait
// at once with the Stopped answer, far within the two minutes.
TEST(NetworkCheckTest, TheWaitAtLoginEndsOnSigtermAndKeepsAnIgnoredSighupIgnored) {
    int output[2];
    ASSERT_EQ(pipe(output), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGHUP, SIG_IGN);
        if (unshare(CLONE_NEWNET) != 0) _exit(77);
        dup2(output[1], STDERR_FILENO);
        close(output[0]);
        linux_cli::LogToStandardError();
        const NetworkWaitResult result = WaitForNetworkAtLogin();
        _exit(result == NetworkWaitResult::Stopped ? 10 : 11);
    }
    close(output[1]);
    // The child says it waits before it watches the signals; give it a moment.
    std::string said;
    char bytes[256];
    for (ssize_t n;
         said.find('\n') == std::string::npos && (n = read(output[0], bytes, sizeof bytes)) > 0;) {
        said.append(bytes, static_cast<std::size_t>(n));
    }
    // The read end stays open until the child has ended: it says more.
    int status = 0;
    if (said.empty()) {
        ASSERT_EQ(waitpid(child, &status, 0), child);
        close(output[0]);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
            GTEST_SKIP() << "no permission for a network namespace";
        }
        FAIL() << "the child said nothing";
    }
    EXPECT_NE(said.find("waiting up to 120 seconds"), std::string::npos) << said;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(child, SIGHUP);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "SIGHUP ended the wait";

    const auto sent = std::chrono::steady_clock::now();
    kill(child, SIGTERM);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const auto took = std::chrono::steady_clock::now() - sent;
    close(output[0]);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 10) << "the wait did not answer Stopped";
    EXPECT_LT(took, std::chrono::milliseconds(500));
}

}  // namespace
}  // namespace tickwell::platform

#else

#include <gtest/gtest.h>

TEST(NetworkCheckTest, RunsOnlyOnLinux) {
    GTEST_SKIP() << "Linux back end";
}

#endif
