#include "live/json_fields.h"

#include <nlohmann/json.hpp>

namespace tickwell::live {

namespace {

using nlohmann::json;

// The member `name` of `object` when `isWanted` holds for it, else null.
template <typename Check>
const json* Member(const json& object, const char* name, Check isWanted) {
    if (!object.is_object()) {
        return nullptr;
    }
    auto field = object.find(name);
    return field != object.end() && isWanted(*field) ? &*field : nullptr;
}

}  // namespace

std::string StringField(const json& object, const char* name) {
    const json* field = Member(object, name, [](const json& value) { return value.is_string(); });
    return field != nullptr ? field->get<std::string>() : std::string();
}

std::optional<TimeStamp> TimeField(const json& object, const char* name) {
    const json* field = Member(object, name, [](const json& value) { return value.is_string(); });
    if (field == nullptr) {
        return std::nullopt;
    }
    return ParseIsoTime(field->get_ref<const std::string&>());
}

const json* ObjectField(const json& object, const char* name) {
    return Member(object, name, [](const json& value) { return value.is_object(); });
}

const json* ArrayField(const json& object, const char* name) {
    return Member(object, name, [](const json& value) { return value.is_array(); });
}

}  // namespace tickwell::live
