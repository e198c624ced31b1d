// The notification area's picture of the temperature: the digits fill the
// small icon at 1x, 2x and 3x, drawn in two colours only (no blurred edges),
// and making and destroying pictures leaks no GDI object.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <vector>

#include "platform/win32/gui/tray_icon.h"

namespace tickwell::win32 {
namespace {

constexpr COLORREF kDigit = RGB(0xE6, 0xFF, 0x32);
constexpr COLORREF kGround = RGB(0x20, 0x20, 0x20);

// The icon's colour picture, as COLORREFs row by row from the top.
std::vector<COLORREF> Pixels(HICON icon, int size) {
    ICONINFO info{};
    EXPECT_TRUE(::GetIconInfo(icon, &info));
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> bits(static_cast<std::size_t>(size * size));
    HDC dc = ::GetDC(nullptr);
    EXPECT_EQ(::GetDIBits(dc, info.hbmColor, 0, size, bits.data(), &format, DIB_RGB_COLORS), size);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    std::vector<COLORREF> pixels;
    for (DWORD bgr : bits) {
        pixels.push_back(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
    }
    return pixels;
}

TEST(TrayIconPicture, DigitsFillTheIconAtEachScale) {
    const DWORD objectsBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    for (int size : {16, 32, 48}) {
        for (std::optional<int> temperature : {std::optional<int>(28), std::optional<int>(-12),
                                               std::optional<int>(105), std::optional<int>()}) {
            SCOPED_TRACE("size " + std::to_string(size) + ", " +
                         (temperature ? std::to_string(*temperature) : "none"));
            HICON icon = TemperatureIcon(temperature, size);
            ASSERT_NE(icon, nullptr);
            const std::vector<COLORREF> pixels = Pixels(icon, size);
            ::DestroyIcon(icon);
            int top = size, bottom = -1, left = size, right = -1, others = 0;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const COLORREF seen = pixels[static_cast<std::size_t>(y * size + x)];
                    if (seen == kDigit) {
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                        left = std::min(left, x);
                        right = std::max(right, x);
                    } else if (seen != kGround) {
                        ++others;
                    }
                }
            }
            EXPECT_EQ(others, 0) << "blended pixels blur the digits";
            ASSERT_GE(bottom, 0) << "no digits drawn";
            if (temperature) {
                // Tall enough to read: at least half the icon's height, and
                // wider than half of it for three characters.
                EXPECT_GE(bottom - top + 1, size / 2);
                if (*temperature < -9 || *temperature > 99) {
                    EXPECT_GE(right - left + 1, size / 2);
                }
            }
        }
    }
    EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), objectsBefore);
}

}  // namespace
}  // namespace tickwell::win32
