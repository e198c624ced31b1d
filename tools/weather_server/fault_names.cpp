#include "fault_names.h"

#include <array>
#include <charconv>
#include <utility>

namespace tickwell::tools {
namespace {

constexpr std::array<std::pair<Misbehaviour, const char*>, 9> kMisbehaviourNames{{
    {Misbehaviour::None, "none"},
    {Misbehaviour::NotFound, "notfound"},
    {Misbehaviour::EmptyBody, "empty"},
    {Misbehaviour::CutShort, "cut"},
    {Misbehaviour::CloseConnection, "close"},
    {Misbehaviour::Slow, "slow"},
    {Misbehaviour::Hang, "hang"},
    {Misbehaviour::LacksMark, "nomark"},
    {Misbehaviour::Oversized, "oversized"},
}};

}  // namespace

std::optional<Page> PageFromName(std::string_view name) {
    if (name == "forecast") return Page::Forecast;
    if (name == "roundup") return Page::Roundup;
    return std::nullopt;
}

const char* PageName(Page page) {
    return page == Page::Forecast ? "forecast" : "roundup";
}

std::optional<Misbehaviour> MisbehaviourFromName(std::string_view name) {
    for (const auto& [kind, text] : kMisbehaviourNames) {
        if (name == text) return kind;
    }
    return std::nullopt;
}

const char* MisbehaviourName(Misbehaviour kind) {
    for (const auto& [known, text] : kMisbehaviourNames) {
        if (known == kind) return text;
    }
    return "none";
}

std::optional<long long> ParseWholeNumber(std::string_view text, long long low, long long high) {
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<PageFault> ParsePageFault(std::string_view text) {
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const auto page = PageFromName(text.substr(0, equals));
    if (!page) return std::nullopt;

    // Split the rest at ':' into the kind and up to three numbers.
    std::array<std::string_view, 4> fields{};
    std::size_t used = 0;
    std::string_view rest = text.substr(equals + 1);
    while (true) {
        if (used == fields.size()) return std::nullopt;
        const auto colon = rest.find(':');
        fields[used++] = rest.substr(0, colon);
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }

    PageFault result;
    result.page = *page;
    const auto kind = MisbehaviourFromName(fields[0]);
    if (!kind) return std::nullopt;
    result.fault.kind = *kind;
    if (used > 1) {
        const auto count = ParseWholeNumber(fields[1], -1, kMaxFaultCount);
        if (!count) return std::nullopt;
        result.fault.count = static_cast<int>(*count);
    }
    if (used > 2) {
        const auto delay = ParseWholeNumber(fields[2], 0, kMaxDelayMs);
        if (!delay) return std::nullopt;
        result.fault.delayMs = static_cast<int>(*delay);
    }
    if (used > 3) {
        const auto bytes = ParseWholeNumber(fields[3], 0, kMaxOversizeBytes);
        if (!bytes) return std::nullopt;
        result.fault.oversizeBytes = static_cast<std::size_t>(*bytes);
    }
    return result;
}

}  // namespace tickwell::tools
