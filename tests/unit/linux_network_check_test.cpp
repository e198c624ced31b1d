// The start-up check of the Linux program: what counts as a network that
// can reach the internet, read from the interfaces and routing tables.
#if defined(__linux__)

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace tickwell::platform

#else

#include <gtest/gtest.h>

TEST(NetworkCheckTest, RunsOnlyOnLinux) {
    GTEST_SKIP() << "Linux back end";
}

#endif
