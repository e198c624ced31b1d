// Shared by the fuzz targets: turns a fuzzer's input into a page text the
// way the fetch job hands one to a parser, and checks the weather state
// afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/weather_state.h"

namespace tickwell::fuzzing {

// The page text as the fetch job builds it: at most 16383 bytes followed by
// a NUL. The copy is exactly as long as the text, so AddressSanitizer
// reports any read past the terminator; in the program the page sits in a
// larger buffer, where such a read would go unnoticed.
inline std::vector<char> PageText(const std::uint8_t* data, std::size_t size) {
    const std::size_t held = size < kTextBufferSize - 1 ? size : kTextBufferSize - 1;
    std::vector<char> page(held + 1);
    if (held > 0) std::memcpy(page.data(), data, held);
    page[held] = '\0';
    return page;
}

// Prepares the weather state once per process.
inline void PrepareWeatherState() {
    static const bool prepared = [] {
        AllocateWeatherBuffers();
        return true;
    }();
    (void)prepared;
}

// A text whose length does not match its characters, or that does not fit
// its buffer, would make the ticker read stale or foreign bytes.
inline void CheckScrollText(const ScrollText& scroll) {
    if (scroll.length < 0 || scroll.length >= kTextBufferSize) std::abort();
    if (std::strlen(scroll.text) != static_cast<std::size_t>(scroll.length)) std::abort();
    for (std::int32_t i = 0; i < scroll.length; ++i) {
        if (scroll.text[i] == '\r' || scroll.text[i] == '\n') std::abort();
    }
}

}  // namespace tickwell::fuzzing
