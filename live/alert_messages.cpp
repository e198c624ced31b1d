#include "live/alert_messages.h"

#include <nlohmann/json.hpp>

#include "live/alerts.h"
#include "live/json_fields.h"
#include "live/page_text.h"

namespace tickwell::live {

namespace {

using nlohmann::json;

// Long enough for any real id; a longer one is no id of the service's.
constexpr std::size_t kMaxIdBytes = 200;
constexpr std::size_t kMaxReferences = 64;
constexpr std::size_t kMaxTextBytes = 2000;

// The length of the valid UTF-8 sequence at the start of `text`, or 0.
std::size_t SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    unsigned int low = 0x80;
    unsigned int high = 0xBF;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
    }
    return length;
}

std::string IdOf(const json& object, const char* name) {
    std::string id = StringField(object, name);
    return id.size() <= kMaxIdBytes ? OneLine(id) : std::string();
}

MessageType TypeOf(const std::string& text) {
    if (text == "Update") return MessageType::Update;
    if (text == "Cancel") return MessageType::Cancel;
    return MessageType::Alert;
}

std::string TextField(const json& properties, const char* name) {
    std::string text = StringField(properties, name);
    if (text.size() > kMaxTextBytes) {
        text.resize(kMaxTextBytes);
    }
    return OneLine(text);
}

}  // namespace

std::string OneLine(std::string_view utf8) {
    std::string line;
    bool blank = false;
    while (!utf8.empty()) {
        const std::size_t length = SequenceLength(utf8);
        if (length == 0) {
            utf8.remove_prefix(1);
            continue;
        }
        const auto lead = static_cast<unsigned char>(utf8[0]);
        if (lead == ' ' || lead == '\t' || lead == '\n' || lead == '\r') {
            blank = true;
        } else if (lead >= 0x20 && lead != 0x7F) {
            if (blank && !line.empty()) line += ' ';
            blank = false;
            line.append(utf8.substr(0, length));
        }
        utf8.remove_prefix(length);
    }
    return line;
}

std::string FirstSentence(const std::string& text, std::size_t limit) {
    std::string sentence = text;
    // The service's "..." runs on within a sentence.
    std::size_t stop = text.find(". ");
    while (stop != std::string::npos && stop > 0 && text[stop - 1] == '.') {
        stop = text.find(". ", stop + 1);
    }
    if (stop != std::string::npos) {
        sentence.resize(stop + 1);
    }
    return CutAtWord(sentence, limit);
}

std::optional<std::vector<AlertMessage>> ParseAlertMessages(const json& collection) {
    const json* features = ArrayField(collection, "features");
    if (features == nullptr) {
        return std::nullopt;
    }
    std::vector<AlertMessage> messages;
    for (const json& feature : *features) {
        const json* properties = ObjectField(feature, "properties");
        if (properties == nullptr || StringField(*properties, "status") != "Actual") {
            continue;
        }
        AlertMessage message;
        message.id = IdOf(*properties, "id");
        message.event = TextField(*properties, "event");
        if (message.id.empty() || message.event.empty()) {
            continue;
        }
        message.type = TypeOf(StringField(*properties, "messageType"));
        if (const json* references = ArrayField(*properties, "references")) {
            for (const json& reference : *references) {
                std::string id = IdOf(reference, "identifier");
                if (!id.empty() && message.references.size() < kMaxReferences) {
                    message.references.push_back(std::move(id));
                }
            }
        }
        if (const auto sent = TimeField(*properties, "sent")) {
            message.sent = sent->unixSeconds;
        }
        message.severityRank = SeverityRank(StringField(*properties, "severity"));
        message.end = TimeField(*properties, "ends");
        if (!message.end) {
            message.end = TimeField(*properties, "expires");
        }
        message.headline = TextField(*properties, "headline");
        message.description = TextField(*properties, "description");
        message.instruction = TextField(*properties, "instruction");
        messages.push_back(std::move(message));
        if (messages.size() == kMaxAlertMessages) {
            break;
        }
    }
    return messages;
}

}  // namespace tickwell::live
