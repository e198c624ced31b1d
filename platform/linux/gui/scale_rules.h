// How the Linux program picks its window scale, and how a picture is
// enlarged to it. On a high-resolution screen the window shows the very
// same picture as at 1x with every pixel grown to a square of scale x scale
// pixels, so every pixel rule of the drawing stays exact.
//
// Plain functions without the toolkit, so that they can be tested alone.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace tickwell::linux_gui {

constexpr int kMinScale = 1;
constexpr int kMaxScale = 3;
// The screen densities from which the window is drawn at 2x and 3x; below
// the first the screen is an ordinary 96 dpi one.
constexpr double kDoubleScaleDpi = 144.0;
constexpr double kTripleScaleDpi = 240.0;

// A scale as a user writes it (environment variable): "1", "2" or "3",
// blanks around it allowed. Anything else has no value.
inline std::optional<int> ParseScale(const char* text) {
    if (text == nullptr) return std::nullopt;
    std::string value(text);
    const auto first = value.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    value = value.substr(first, value.find_last_not_of(" \t") - first + 1);
    if (value.size() != 1 || value[0] < '0' + kMinScale || value[0] > '0' + kMaxScale)
        return std::nullopt;
    return value[0] - '0';
}

// A stored scale (a 32-bit settings value) when it is one of the scales.
inline std::optional<int> StoredScale(std::optional<std::uint32_t> stored) {
    if (!stored || *stored < kMinScale || *stored > kMaxScale) return std::nullopt;
    return static_cast<int>(*stored);
}

// The X resource Xft.dpi as a number of dots per inch: a positive decimal
// number such as "96" or "192.5". Anything else has no value.
inline std::optional<double> ParseDpi(const char* text) {
    if (text == nullptr) return std::nullopt;
    char* end = nullptr;
    const double dpi = std::strtod(text, &end);
    if (end == text) return std::nullopt;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0' || !std::isfinite(dpi) || dpi <= 0.0 || dpi > 100000.0) return std::nullopt;
    return dpi;
}

inline int ScaleForDpi(std::optional<double> dpi) {
    if (!dpi) return kMinScale;
    if (*dpi >= kTripleScaleDpi) return 3;
    if (*dpi >= kDoubleScaleDpi) return 2;
    return kMinScale;
}

// The scale to draw at: the environment's when it is valid, else the
// settings file's when it is valid, else the one the screen's density asks
// for. An invalid value is passed over, never clamped, so a typing error
// can't blow the window up to a size nobody asked for.
inline int ChooseScale(const char* environment, std::optional<std::uint32_t> stored,
                       std::optional<double> dpi) {
    if (const auto chosen = ParseScale(environment)) return *chosen;
    if (const auto chosen = StoredScale(stored)) return *chosen;
    return ScaleForDpi(dpi);
}

// Enlarges a block of pixels: each of the `width` x `height` pixels of
// `source` (`bytesPerPixel` bytes each, rows `sourceStride` bytes apart)
// becomes a square of scale x scale equal pixels in `target`, whose rows
// are `targetStride` bytes apart and which holds width x scale by
// height x scale pixels.
inline void EnlargePixels(const unsigned char* source, std::size_t sourceStride, int width,
                          int height, int bytesPerPixel, int scale, unsigned char* target,
                          std::size_t targetStride) {
    if (width <= 0 || height <= 0 || scale <= 0 || bytesPerPixel <= 0) return;
    const auto pixelBytes = static_cast<std::size_t>(bytesPerPixel);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * pixelBytes * scale;
    for (int row = 0; row < height; ++row) {
        const unsigned char* from = source + static_cast<std::size_t>(row) * sourceStride;
        unsigned char* first = target + static_cast<std::size_t>(row) * scale * targetStride;
        unsigned char* to = first;
        for (int column = 0; column < width; ++column, from += pixelBytes) {
            for (int copy = 0; copy < scale; ++copy, to += pixelBytes)
                std::memcpy(to, from, pixelBytes);
        }
        for (int copy = 1; copy < scale; ++copy)
            std::memcpy(first + static_cast<std::size_t>(copy) * targetStride, first, rowBytes);
    }
}

}  // namespace tickwell::linux_gui
