#include "bench/bench_pages.h"

#include <fstream>
#include <iterator>

#include "app/weather_state.h"

namespace tickwell::bench {
namespace {

std::string ReadPage(const char* name) {
    std::ifstream file(std::string(TICKWELL_PAGES_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Inserts comment lines right after the page's first line (or at its start)
// until it holds the most bytes a parser is ever given.
std::string Padded(std::string page) {
    constexpr std::size_t kFullSize = kTextBufferSize - 1;
    if (page.empty() || page.size() >= kFullSize) return page.substr(0, kFullSize);
    std::string filler;
    const std::string line = "<!-- navigation, scripts and styles of the regional site -->\r\n";
    while (filler.size() + line.size() + page.size() <= kFullSize) filler += line;
    filler.append(kFullSize - filler.size() - page.size(), ' ');
    const std::size_t firstLineEnd = page.find('\n');
    const std::size_t at = firstLineEnd == std::string::npos ? 0 : firstLineEnd + 1;
    page.insert(at, filler);
    return page;
}

}  // namespace

const std::string& FullSizeForecastPage() {
    static const std::string page = Padded(ReadPage("forecast.html"));
    return page;
}

const std::string& FullSizeRoundupPage() {
    static const std::string page = Padded(ReadPage("roundup.html"));
    return page;
}

}  // namespace tickwell::bench
