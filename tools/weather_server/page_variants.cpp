#include "page_variants.h"

#include <string_view>

namespace tickwell::tools {
namespace {

constexpr std::string_view kFillerLine = "<!-- This line only makes the page longer. -->\n";

// A run of filler lines exactly `bytes` long; the last, partial line is
// made of blanks so that no comment is left open.
std::string Filler(std::size_t bytes) {
    std::string filler;
    filler.reserve(bytes);
    while (bytes - filler.size() >= kFillerLine.size()) filler += kFillerLine;
    const std::size_t rest = bytes - filler.size();
    if (rest > 0) {
        filler.append(rest - 1, ' ');
        filler += '\n';
    }
    return filler;
}

}  // namespace

const char* PageMark(Page page) {
    return page == Page::Forecast ? "FORECAST" : "DENVER INTL AP";
}

std::string WithoutMark(const std::string& body, Page page) {
    const std::string mark = PageMark(page);
    std::string result = body;
    if (page == Page::Forecast) {
        for (auto at = result.find(mark); at != std::string::npos; at = result.find(mark, at)) {
            result.replace(at, mark.size(), "BULLETIN");
        }
        return result;
    }
    for (auto at = result.find(mark); at != std::string::npos; at = result.find(mark, at)) {
        const auto lineStart = result.rfind('\n', at);
        const auto from = lineStart == std::string::npos ? 0 : lineStart + 1;
        const auto lineEnd = result.find('\n', at);
        const auto to = lineEnd == std::string::npos ? result.size() : lineEnd + 1;
        result.erase(from, to - from);
        at = from;
    }
    return result;
}

std::string Oversized(const std::string& body, std::size_t bytes, bool padAtStart) {
    if (body.size() >= bytes) return body;
    const std::string filler = Filler(bytes - body.size());
    if (padAtStart) return filler + body;
    auto at = body.rfind("</body>");
    if (at == std::string::npos) at = body.size();
    std::string result = body;
    result.insert(at, filler);
    return result;
}

const std::string& NotFoundPage() {
    static const std::string page =
        "<html><head><title>404 Not Found</title></head>\n"
        "<body><h1>Not Found</h1>\n"
        "<p>The requested URL was not found on this server.</p>\n"
        "</body></html>\n";
    return page;
}

}  // namespace tickwell::tools
