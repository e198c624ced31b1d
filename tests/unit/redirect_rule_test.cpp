// The redirect rule both WinINet clients follow: where a Location header
// leads, and which redirects are refused.
#include "platform/redirect_rule.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace tickwell::platform {
namespace {

constexpr RedirectRule kClassic{5, false};
constexpr RedirectRule kLive{5, true};

struct RedirectCase {
    const char* what;
    const char* from;
    const char* location;
    RedirectRule rule;
    const char* expected;  // the URL followed, or null when refused
};

class RedirectRuleTest : public testing::TestWithParam<RedirectCase> {};

TEST_P(RedirectRuleTest, FollowsOrRefuses) {
    const RedirectCase& test = GetParam();
    const RedirectDecision decision = DecideRedirect(test.from, test.location, 0, test.rule);
    if (test.expected == nullptr) {
        EXPECT_EQ(decision.verdict, RedirectVerdict::Refused) << "followed to " << decision.url;
    } else {
        EXPECT_EQ(decision.verdict, RedirectVerdict::Follow);
        EXPECT_EQ(decision.url, test.expected);
    }
}

const RedirectCase kCases[] = {
    // Where relative and absolute Locations lead.
    {"absolute, same host", "https://api.weather.gov/stations/KDEN", "https://api.weather.gov/x",
     kLive, "https://api.weather.gov/x"},
    {"absolute path", "https://api.weather.gov/a/b?q=1", "/points/39.8,-104.7", kLive,
     "https://api.weather.gov/points/39.8,-104.7"},
    {"relative path", "https://api.weather.gov/a/b?q=1", "c/d", kLive,
     "https://api.weather.gov/a/c/d"},
    {"dot segments", "https://api.weather.gov/a/b/c", "../../x/./y", kLive,
     "https://api.weather.gov/x/y"},
    {"dots above the root", "https://api.weather.gov/a", "../../../x", kLive,
     "https://api.weather.gov/x"},
    {"query only", "https://api.weather.gov/a/b?old=1", "?new=2", kLive,
     "https://api.weather.gov/a/b?new=2"},
    {"fragment dropped", "https://api.weather.gov/a", "/b#part", kLive,
     "https://api.weather.gov/b"},
    {"scheme-relative", "https://api.weather.gov/a", "//api.weather.gov/b", kLive,
     "https://api.weather.gov/b"},
    {"port kept", "https://127.0.0.1:18181/a", "/b", kLive, "https://127.0.0.1:18181/b"},
    {"default port written out", "https://api.weather.gov/a", "https://api.weather.gov:443/b",
     kLive, "https://api.weather.gov:443/b"},
    {"host case", "https://api.weather.gov/a", "HTTPS://API.Weather.GOV/b", kLive,
     "HTTPS://API.Weather.GOV/b"},
    {"IPv6 loopback", "https://[::1]:8443/a", "/b", kLive, "https://[::1]:8443/b"},
    // Schemes: never from https down to http, never other protocols.
    {"https to http", "https://api.weather.gov/a", "http://api.weather.gov/a", kClassic, nullptr},
    {"https to http, same port", "https://127.0.0.1:8443/a", "http://127.0.0.1:8443/a", kLive,
     nullptr},
    {"http to https", "http://weather.example/a", "https://weather.example/a", kClassic,
     "https://weather.example/a"},
    {"ftp", "http://weather.example/a", "ftp://weather.example/a", kClassic, nullptr},
    {"file", "http://weather.example/a", "file:///etc/passwd", kClassic, nullptr},
    {"javascript", "http://weather.example/a", "javascript:alert(1)", kClassic, nullptr},
    // Hosts and ports: another one only under the classic rule.
    {"other host, classic", "http://weather.example/a", "http://mirror.example/b", kClassic,
     "http://mirror.example/b"},
    {"other host, live", "https://api.weather.gov/a", "https://evil.example/a", kLive, nullptr},
    {"other port, live", "https://127.0.0.1:18181/a", "https://127.0.0.1:18182/a", kLive, nullptr},
    {"default port elsewhere, live", "https://api.weather.gov/a", "https://api.weather.gov:8443/",
     kLive, nullptr},
    {"user information hiding the host", "https://api.weather.gov/a",
     "https://api.weather.gov@evil.example/a", kLive, nullptr},
    {"scheme-relative elsewhere", "https://api.weather.gov/a", "//evil.example/a", kLive, nullptr},
    {"host that only starts alike", "https://api.weather.gov/a", "https://api.weather.gov.evil/",
     kLive, nullptr},
    // Malformed Locations are refused, never guessed at.
    {"empty", "https://api.weather.gov/a", "", kLive, nullptr},
    {"line break", "https://api.weather.gov/a", "/b\r\nSet-Cookie: x=1", kLive, nullptr},
    {"space", "https://api.weather.gov/a", "/b c", kLive, nullptr},
    {"backslash", "https://api.weather.gov/a", "https://evil.example\\@api.weather.gov/", kLive,
     nullptr},
    {"port not a number", "https://api.weather.gov/a", "https://api.weather.gov:44x3/", kLive,
     nullptr},
    {"port too large", "https://api.weather.gov/a", "https://api.weather.gov:70000/", kClassic,
     nullptr},
    {"no host", "https://api.weather.gov/a", "https:///a", kClassic, nullptr},
    {"answering URL not http", "ftp://weather.example/a", "/b", kClassic, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Locations, RedirectRuleTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<RedirectCase>& param) {
                             std::string name = param.param.what;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

TEST(RedirectRule, FiveRedirectsAtMostThenTooMany) {
    for (int followed = 0; followed < 5; ++followed) {
        EXPECT_EQ(DecideRedirect("https://api.weather.gov/a", "/b", followed, kLive).verdict,
                  RedirectVerdict::Follow)
            << followed;
    }
    EXPECT_EQ(DecideRedirect("https://api.weather.gov/a", "/b", 5, kLive).verdict,
              RedirectVerdict::TooMany);
    EXPECT_EQ(DecideRedirect("http://weather.example/a", "/b", 5, kClassic).verdict,
              RedirectVerdict::TooMany);
}

TEST(RedirectRule, OverlongLocationIsRefused) {
    const std::string location = "/" + std::string(kMaxRedirectUrlChars, 'a');
    EXPECT_EQ(DecideRedirect("https://api.weather.gov/a", location, 0, kLive).verdict,
              RedirectVerdict::Refused);
}

}  // namespace
}  // namespace tickwell::platform
