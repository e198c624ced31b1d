// The look at a body before it becomes a JSON tree: every endpoint's
// depth, value and size limits hold at their edge, and a hostile body is
// refused in a moment.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "live/json_check.h"

namespace tickwell::live {
namespace {

const std::vector<Endpoint> kEndpoints = {Endpoint::Station,
                                          Endpoint::Points,
                                          Endpoint::GridForecast,
                                          Endpoint::ZoneForecast,
                                          Endpoint::LatestObservation,
                                          Endpoint::ObservationList,
                                          Endpoint::Alerts};

std::string Repeated(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

// Arrays nested `depth` deep: [[[]]].
std::string DeepArrays(int depth) {
    return Repeated("[", depth) + Repeated("]", depth);
}

// Objects nested `depth` deep: {"a":{"a":{}}}.
std::string DeepObjects(int depth) {
    return Repeated("{\"a\":", depth - 1) + "{}" + Repeated("}", depth - 1);
}

// One array holding `values` values in all (the array itself counted).
std::string ManyValues(std::size_t values) {
    // Appended, not joined with +: the i686 compiler's restrict check
    // misreads a literal put before a string.
    std::string text = "[";
    text += Repeated("0,", values - 2);
    text += "0]";
    return text;
}

// A JSON string exactly `bytes` long, quotes included.
std::string StringOfSize(std::size_t bytes) {
    std::string text(bytes, 'a');
    text.front() = '"';
    text.back() = '"';
    return text;
}

TEST(LiveJsonCheck, EachEndpointsLimitsHoldAtTheirEdge) {
    for (Endpoint endpoint : kEndpoints) {
        const AnswerLimits limits = LimitsOf(endpoint);
        const std::size_t values = limits.maxValues;
        struct Case {
            const char* name;
            std::string body;
            bool accepted;
        };
        const std::vector<Case> cases = {
            {"arrays at the deepest", DeepArrays(limits.maxDepth), true},
            {"arrays one deeper", DeepArrays(limits.maxDepth + 1), false},
            {"objects at the deepest", DeepObjects(limits.maxDepth), true},
            {"objects one deeper", DeepObjects(limits.maxDepth + 1), false},
            {"the most values", ManyValues(values), true},
            {"one value more", ManyValues(values + 1), false},
            {"the longest body", StringOfSize(limits.maxBodyBytes), true},
            {"one byte longer", StringOfSize(limits.maxBodyBytes + 1), false},
            {"not JSON", "<html>busy</html>", false},
            {"cut short", "{\"properties\":{\"timestamp\":", false},
            {"something after the value", "{} {}", false},
            {"empty", "", false},
        };
        for (const Case& c : cases) {
            EXPECT_EQ(JsonWithinLimits(c.body, limits), c.accepted)
                << c.name << " of endpoint " << static_cast<int>(endpoint);
        }
        // The limits leave room: every real answer is far from them.
        EXPECT_EQ(limits.maxDepth, 32);
        EXPECT_GE(limits.maxBodyBytes, 16u * 1024);
        EXPECT_LE(limits.maxBodyBytes, 512u * 1024);
        EXPECT_LE(limits.maxFreshSeconds, 60 * 60);
    }
}

TEST(LiveJsonCheck, HostileBodiesAreRefusedInAMoment) {
    const AnswerLimits roomy = {8 * 1024 * 1024, 50000, 32, 3600};
    const std::vector<std::string> bodies = {
        std::string(1024 * 1024, '['),
        Repeated("{\"a\":", 200000),
        Repeated("[],", 1000000).replace(0, 0, 1, '[') + "[]]",
        Repeated("{\"a\":[", 100000),
    };
    for (const std::string& body : bodies) {
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(JsonWithinLimits(body, roomy)) << body.substr(0, 12);
        const auto took = std::chrono::steady_clock::now() - started;
        // The check stops at the first byte past a limit, whatever the
        // body's length (some 50 ms at worst in a debug build under the
        // sanitizers, the 50000 values' case).
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 250)
            << body.substr(0, 12);
    }
}

}  // namespace
}  // namespace tickwell::live
