// Which API addresses count as this machine: the Windows program trusts
// TICKWELL_CA_FILE's certificates only for those.
#include "platform/loopback_host.h"

#include <gtest/gtest.h>

namespace tickwell::platform {
namespace {

TEST(LoopbackHost, OnlyNamesAndAddressesOfThisMachineCount) {
    struct Case {
        const char* host;
        bool loopback;
    };
    const Case cases[] = {
        {"127.0.0.1", true},
        {"127.8.9.10", true},
        {"127.255.255.255", true},
        {"localhost", true},
        {"LocalHost", true},
        {"::1", true},
        {"[::1]", true},
        {"api.weather.gov", false},
        {"127.0.0.1.example.com", false},
        {"127.evil.example", false},
        {"localhost.example.com", false},
        {"128.0.0.1", false},
        {"10.0.0.1", false},
        {"127.0.0", false},
        {"127.0.0.1.", false},
        {"127.0.0.256", false},
        {"127.0.0.1000", false},
        {"127..0.1", false},
        {"127.0.0.-1", false},
        {"[::2]", false},
        {"::", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsLoopbackHost(c.host), c.loopback) << c.host;
    }
}

}  // namespace
}  // namespace tickwell::platform
