// Replays every stored fuzz input (the seeds and the inputs that once found
// a fault) through both page parsers and checks what they leave behind.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/weather_state.h"
#include "fetch/forecast_parser.h"
#include "fetch/roundup_parser.h"

namespace tickwell {
namespace {

namespace fs = std::filesystem;

fs::path FuzzFolder() {
    if (const char* folder = std::getenv("TICKWELL_FUZZ_DIR")) return folder;
    return fs::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz";
}

struct StoredInput {
    std::string name;
    std::vector<char> bytes;
};

std::vector<StoredInput> StoredInputs() {
    std::vector<StoredInput> inputs;
    const fs::path root = FuzzFolder();
    for (const char* sub : {"regressions", "seeds/forecast", "seeds/roundup"}) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(root / sub, error)) {
            if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
            std::ifstream file(entry.path(), std::ios::binary);
            inputs.push_back({std::string(sub) + "/" + entry.path().filename().string(),
                              {std::istreambuf_iterator<char>(file), {}}});
        }
    }
    return inputs;
}

// The page as the fetch job hands it over: at most 16383 bytes and a NUL,
// in a buffer no longer than that, so a sanitizer build catches any read
// past the terminator.
std::vector<char> PageText(const std::vector<char>& bytes) {
    const std::size_t held = std::min<std::size_t>(bytes.size(), kTextBufferSize - 1);
    std::vector<char> page(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(held));
    page.push_back('\0');
    return page;
}

void ExpectSound(const ScrollText& scroll, const std::string& what) {
    ASSERT_GE(scroll.length, 0) << what;
    ASSERT_LT(scroll.length, kTextBufferSize) << what;
    EXPECT_EQ(std::strlen(scroll.text), static_cast<std::size_t>(scroll.length)) << what;
    EXPECT_EQ(std::memchr(scroll.text, '\r', static_cast<std::size_t>(scroll.length)), nullptr)
        << what;
    EXPECT_EQ(std::memchr(scroll.text, '\n', static_cast<std::size_t>(scroll.length)), nullptr)
        << what;
}

class FuzzRegressions : public ::testing::Test {
protected:
    void SetUp() override {
        AllocateWeatherBuffers();
        inputs_ = StoredInputs();
    }
    std::vector<StoredInput> inputs_;
};

TEST_F(FuzzRegressions, StoredInputsAreFound) {
    // Guards against a wrong folder silently turning the replays into no-ops.
#ifdef _WIN32
    if (inputs_.empty()) GTEST_SKIP() << "fuzz folder not reachable: " << FuzzFolder();
#endif
    EXPECT_GE(inputs_.size(), 10u) << "looked in " << FuzzFolder();
}

TEST_F(FuzzRegressions, ForecastParserLeavesWholeTexts) {
    for (const auto& input : inputs_) {
        const auto page = PageText(input.bytes);
        const bool first = ExtractForecast(page.data());
        ExpectSound(weatherState.today, input.name + " (today)");
        ExpectSound(weatherState.outlook, input.name + " (outlook)");
        // The same page again gives the same result and the same texts: the
        // parser keeps nothing between calls.
        const std::string today = weatherState.today.text;
        const std::string outlook = weatherState.outlook.text;
        EXPECT_EQ(ExtractForecast(page.data()), first) << input.name;
        EXPECT_EQ(today, weatherState.today.text) << input.name;
        EXPECT_EQ(outlook, weatherState.outlook.text) << input.name;
    }
}

TEST_F(FuzzRegressions, RoundupParserEndsBusyOnlyOnSuccess) {
    for (const auto& input : inputs_) {
        const auto page = PageText(input.bytes);
        weatherState.busy = true;
        const bool stored = ParseRoundup(page.data());
        EXPECT_NE(stored, weatherState.busy.load()) << input.name;
    }
}

}  // namespace
}  // namespace tickwell
