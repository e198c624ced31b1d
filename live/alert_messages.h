// The alert messages of an /alerts/active answer as they are, one for each
// message, for the warning notifications: unlike the ticker's alert lines
// they keep each message's id, kind, references and texts.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "live/time_text.h"

namespace tickwell::live {

enum class MessageType { Alert, Update, Cancel };

struct AlertMessage {
    std::string id;
    // The ids of the earlier messages this one updates or cancels.
    std::vector<std::string> references;
    MessageType type = MessageType::Alert;
    // When it was sent; 0 when the message does not say.
    std::int64_t sent = 0;
    std::string event;
    // As Alert::severityRank: 0 Extreme, 1 Severe, 2 Moderate, 3 others.
    int severityRank = 3;
    // When the event ends, else when the message runs out; nothing when it
    // gives neither.
    std::optional<TimeStamp> end;
    // One line each, valid UTF-8, as the service wrote them.
    std::string headline;
    std::string description;
    std::string instruction;
};

// The actual (not test, exercise or draft) messages of an /alerts/active
// FeatureCollection in the order given, at most kMaxAlertMessages of them;
// nothing when the answer is no such collection (so that a failed request
// is never taken for "no alerts").
constexpr std::size_t kMaxAlertMessages = 200;
std::optional<std::vector<AlertMessage>> ParseAlertMessages(const nlohmann::json& collection);

// UTF-8 text on one line: runs of white space become one blank, control
// characters and invalid bytes are dropped, leading and trailing blanks
// removed.
std::string OneLine(std::string_view utf8);

// The first sentence of `text` (up to its first full stop followed by a
// blank, an ellipsis left in, or all of it), cut at a word to at most `limit` bytes.
std::string FirstSentence(const std::string& text, std::size_t limit);

}  // namespace tickwell::live
