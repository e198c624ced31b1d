#include "live/json_check.h"

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

namespace tickwell::live {

namespace {

using nlohmann::json;

// Counts values and nesting as the parser reports them. Returning false
// from any event ends the parse at once, so a body of a million '[' costs
// only the first 33 of them.
class LimitCounter {
public:
    explicit LimitCounter(const AnswerLimits& limits) : limits_(limits) {}

    bool null() { return Value(); }
    bool boolean(bool) { return Value(); }
    bool number_integer(json::number_integer_t) { return Value(); }
    bool number_unsigned(json::number_unsigned_t) { return Value(); }
    bool number_float(json::number_float_t, const json::string_t&) { return Value(); }
    bool string(json::string_t&) { return Value(); }
    bool binary(json::binary_t&) { return Value(); }
    bool key(json::string_t&) { return true; }
    bool start_object(std::size_t) { return Open(); }
    bool end_object() { return Close(); }
    bool start_array(std::size_t) { return Open(); }
    bool end_array() { return Close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
        return false;
    }

private:
    bool Value() { return ++values_ <= limits_.maxValues; }
    bool Open() { return Value() && ++depth_ <= limits_.maxDepth; }
    bool Close() {
        --depth_;
        return true;
    }

    const AnswerLimits& limits_;
    std::size_t values_ = 0;
    int depth_ = 0;
};

}  // namespace

bool JsonWithinLimits(std::string_view body, const AnswerLimits& limits) {
    if (body.size() > limits.maxBodyBytes) {
        return false;
    }
    LimitCounter counter(limits);
    return json::sax_parse(body.begin(), body.end(), &counter, json::input_format_t::json, true);
}

}  // namespace tickwell::live
