// The Linux window's scale: which source decides it, which values are
// passed over, and the enlargement of a picture to it.
// The rules belong to the Linux desktop; built for Windows, this program has
// no tests.
#if defined(__linux__)

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/gui/scale_rules.h"
#include "platform/linux/system/settings_file.h"
#include "settings/settings.h"
#include "support/fake_settings_store.h"
#include "support/temporary_folder.h"

namespace tickwell::linux_gui {
namespace {

TEST(LinuxDisplayScale, TheFirstValidSourceDecides) {
    using Stored = std::optional<std::uint32_t>;
    using Dpi = std::optional<double>;
    struct Case {
        const char* environment;
        Stored stored;
        Dpi dpi;
        int scale;
    };
    const Case cases[] = {
        // Nothing set: an ordinary screen, or none known.
        {nullptr, std::nullopt, std::nullopt, 1},
        {nullptr, std::nullopt, 96.0, 1},
        // The density's thresholds.
        {nullptr, std::nullopt, 143.9, 1},
        {nullptr, std::nullopt, 144.0, 2},
        {nullptr, std::nullopt, 239.9, 2},
        {nullptr, std::nullopt, 240.0, 3},
        {nullptr, std::nullopt, 600.0, 3},
        // The settings file wins over the density, the environment over both.
        {nullptr, 1u, 240.0, 1},
        {nullptr, 3u, 96.0, 3},
        {"2", 3u, 240.0, 2},
        {" 1 ", 3u, 240.0, 1},
        // Invalid values are passed over, not clamped.
        {"abc", 2u, 96.0, 2},
        {"4", std::nullopt, 96.0, 1},
        {"0", std::nullopt, 192.0, 2},
        {"22", 3u, 96.0, 3},
        {"2x", std::nullopt, 96.0, 1},
        {"-2", std::nullopt, 96.0, 1},
        {"", 2u, 96.0, 2},
        {"   ", std::nullopt, 240.0, 3},
        {nullptr, 99u, 96.0, 1},
        {nullptr, 0u, 192.0, 2},
        {nullptr, 0xFFFFFFFFu, 96.0, 1},  // Scale=-1
        {"abc", 99u, 240.0, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseScale(c.environment, c.stored, c.dpi), c.scale)
            << "environment " << (c.environment ? c.environment : "(unset)") << ", stored "
            << (c.stored ? static_cast<long long>(*c.stored) : -1) << ", dpi "
            << c.dpi.value_or(-1);
    }
}

// The settings file's Scale line is read with the other settings, in the
// one opening of the store at start-up, and decides the scale the way the
// desktop then chooses it; a save right after keeps the line, which the
// program never writes itself.
TEST(LinuxDisplayScale, TheSettingsFileScaleIsReadWithTheOtherSettings) {
    struct Case {
        const char* line;
        double dpi;
        int scale;
        const char* kept;  // the line as a save writes it back
    };
    const Case cases[] = {
        {"Scale=2\n", 96.0, 2, "Scale=2\n"},
        {"Scale=3\n", 96.0, 3, "Scale=3\n"},
        {"Scale=1\n", 240.0, 1, "Scale=1\n"},
        {"Scale=0\n", 192.0, 2, "Scale=0\n"},
        {"Scale=4\n", 96.0, 1, "Scale=4\n"},
        {"Scale=4\n", 240.0, 3, "Scale=4\n"},
        {"Scale=-1\n", 96.0, 1, "Scale=-1\n"},
        {"Scale=abc\n", 96.0, 1, "Scale=abc\n"},
        {"Scale=2.5\n", 144.0, 2, "Scale=2.5\n"},
        {"Scale= 2 \n", 96.0, 2, "Scale=2\n"},
        {"", 144.0, 2, nullptr},
    };
    fakes::TemporaryFolder folder("scale");
    ASSERT_FALSE(folder.path().empty());
    const std::string path = folder.path() + "/settings.conf";
    for (const Case& c : cases) {
        fakes::WriteText(path, std::string("Interval=480\n") + c.line + "WinX=7\n");
        platform::SettingsFile file(path);
        LoadSettings(file);
        EXPECT_EQ(ChooseScale(nullptr, settings.storedScale, c.dpi), c.scale) << c.line;
        EXPECT_EQ(settings.intervalTicks, 480) << c.line;
        EXPECT_EQ(settings.windowX, 7) << c.line;
        SaveSettings(file);
        if (c.kept != nullptr) {
            EXPECT_NE(fakes::ReadText(path).find(c.kept), std::string::npos)
                << "the save dropped " << c.line;
        }
    }
}

// The scale comes from the same single opening of the store as the five
// settings; an unreadable value counts as none.
TEST(LinuxDisplayScale, TheStoreIsOpenedOnceForTheScaleAndTheSettings) {
    fakes::FakeSettingsStore store;
    store.values = {{"Interval", 480}, {"Scale", 3}};
    LoadSettings(store);
    EXPECT_EQ(settings.storedScale, std::optional<std::uint32_t>(3u));
    int openings = 0;
    for (const std::string& call : store.calls) openings += call == "OpenForReading";
    EXPECT_EQ(openings, 1);
    EXPECT_EQ(store.calls.back(), "Close");

    store.unreadable = {"Scale"};
    LoadSettings(store);
    EXPECT_FALSE(settings.storedScale.has_value());
    EXPECT_EQ(ChooseScale(nullptr, settings.storedScale, 240.0), 3);
}

TEST(LinuxDisplayScale, XftDpiIsReadAsAPositiveNumberOrNotAtAll) {
    struct Case {
        const char* text;
        std::optional<double> dpi;
    };
    const Case cases[] = {
        {"96", 96.0},          {"192.5", 192.5},        {"144 ", 144.0},
        {"0", std::nullopt},   {"-96", std::nullopt},   {"", std::nullopt},
        {"dpi", std::nullopt}, {"96dpi", std::nullopt}, {"nan", std::nullopt},
        {"inf", std::nullopt}, {"1e300", std::nullopt}, {nullptr, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDpi(c.text), c.dpi) << (c.text ? c.text : "(null)");
    }
}

// Three pixels of three bytes in a padded row, two rows: every pixel must
// come out as a square, rows of the target padded too.
TEST(LinuxDisplayScale, EnlargingRepeatsEveryPixelAsASquare) {
    constexpr int kWidth = 3;
    constexpr int kHeight = 2;
    constexpr int kBytes = 3;
    constexpr std::size_t kSourceStride = 12;
    const std::vector<unsigned char> source = {1,  2,    3,    4,    5,  6,    7,    8,
                                               9,  0xEE, 0xEE, 0xEE, 10, 11,   12,   13,
                                               14, 15,   16,   17,   18, 0xEE, 0xEE, 0xEE};
    for (int scale = 1; scale <= kMaxScale; ++scale) {
        const std::size_t stride = kWidth * kBytes * scale + 5;
        std::vector<unsigned char> target(stride * kHeight * scale, 0xAA);
        EnlargePixels(source.data(), kSourceStride, kWidth, kHeight, kBytes, scale, target.data(),
                      stride);
        for (int y = 0; y < kHeight * scale; ++y) {
            for (int x = 0; x < kWidth * scale; ++x) {
                for (int b = 0; b < kBytes; ++b) {
                    const unsigned char wanted =
                        source[(y / scale) * kSourceStride + (x / scale) * kBytes + b];
                    ASSERT_EQ(target[y * stride + x * kBytes + b], wanted)
                        << "scale " << scale << " at " << x << "," << y;
                }
            }
            // The row's padding is left alone.
            for (std::size_t pad = kWidth * kBytes * scale; pad < stride; ++pad)
                ASSERT_EQ(target[y * stride + pad], 0xAA);
        }
    }
}

}  // namespace
}  // namespace tickwell::linux_gui

#endif  // __linux__
