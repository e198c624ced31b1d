#include "live/warning_watch.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "live/alerts.h"
#include "live/words.h"

namespace tickwell::live {

namespace {

// Severe and Extreme alerts are warnings; Moderate and below are not.
constexpr int kLeastWarningRank = 1;
constexpr std::size_t kMaxSentenceBytes = 240;
constexpr const char* kTextHeader = "tickwell warnings 1";

bool Contains(const std::vector<std::string>& ids, const std::string& id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

void AddId(KnownWarning& warning, const std::string& id) {
    if (id.empty() || Contains(warning.ids, id)) {
        return;
    }
    warning.ids.push_back(id);
    if (warning.ids.size() > kMaxIdsPerWarning) {
        warning.ids.erase(warning.ids.begin());
    }
}

bool HasEnded(const KnownWarning& warning, std::int64_t now) {
    return warning.end.unixSeconds != 0 && warning.end.unixSeconds <= now;
}

std::int64_t EndSeconds(const AlertMessage& message) {
    return message.end ? message.end->unixSeconds : 0;
}

// "Tuesday" from "TUESDAY".
std::string TitleCase(std::string_view word) {
    std::string text(word);
    for (std::size_t i = 1; i < text.size(); ++i) {
        text[i] = static_cast<char>(text[i] - 'A' + 'a');
    }
    return text;
}

std::string EndText(const std::optional<TimeStamp>& end, std::int64_t now) {
    if (!end) {
        return "In effect";
    }
    std::string text = "Until ";
    text += ClockTime(*end);
    const LocalTime then = ToLocalTime(end->unixSeconds, end->offsetMinutes);
    const LocalTime today = ToLocalTime(now, end->offsetMinutes);
    if (then.year != today.year || then.month != today.month || then.day != today.day) {
        text += ' ';
        text += TitleCase(DayName(then.weekday));
    }
    return text;
}

bool operator==(const Notice& a, const Notice& b) {
    return a.summary == b.summary && a.body == b.body && a.critical == b.critical;
}

// Drops the warnings over the bound: the cancelled first, then those that
// end soonest, a warning without an end last.
void KeepBound(std::vector<KnownWarning>& known, std::vector<NoticeAction>* actions) {
    if (known.size() <= kMaxWarningsKept) {
        return;
    }
    auto later = [](const KnownWarning& a, const KnownWarning& b) {
        if (a.cancelled != b.cancelled) return b.cancelled;
        const std::int64_t aEnd = a.end.unixSeconds == 0 ? INT64_MAX : a.end.unixSeconds;
        const std::int64_t bEnd = b.end.unixSeconds == 0 ? INT64_MAX : b.end.unixSeconds;
        return aEnd > bEnd;
    };
    std::stable_sort(known.begin(), known.end(), later);
    for (std::size_t i = kMaxWarningsKept; i < known.size(); ++i) {
        if (known[i].notice != 0) {
            actions->push_back({NoticeAction::Kind::Close, known[i].notice, {}});
        }
    }
    known.resize(kMaxWarningsKept);
}

// One answer's actions as the desktop should see them: a notice shown and
// then changed is shown as changed; one shown and withdrawn is not shown.
std::vector<NoticeAction> Coalesced(std::vector<NoticeAction> actions) {
    std::vector<NoticeAction> kept;
    for (NoticeAction& action : actions) {
        auto shown = std::find_if(kept.begin(), kept.end(), [&](const NoticeAction& earlier) {
            return earlier.kind == NoticeAction::Kind::Show && earlier.notice == action.notice;
        });
        if (shown != kept.end() && action.kind == NoticeAction::Kind::Update) {
            shown->content = std::move(action.content);
        } else if (shown != kept.end() && action.kind == NoticeAction::Kind::Close) {
            kept.erase(shown);
        } else {
            kept.push_back(std::move(action));
        }
    }
    return kept;
}

}  // namespace

Notice NoticeOf(const AlertMessage& message, std::int64_t now) {
    Notice notice;
    notice.summary = message.event;
    notice.critical = message.severityRank == 0;
    notice.body = EndText(message.end, now);
    const std::string& about = message.headline.empty() ? message.description : message.headline;
    for (const std::string* text : {&about, &message.instruction}) {
        const std::string sentence = OneLine(FirstSentence(*text, kMaxSentenceBytes));
        if (!sentence.empty()) {
            notice.body += '\n';
            notice.body += sentence;
        }
    }
    return notice;
}

WarningWatch::WarningWatch(std::vector<KnownWarning> remembered) : known_(std::move(remembered)) {
    for (KnownWarning& warning : known_) {
        warning.notice = 0;
    }
}

KnownWarning* WarningWatch::Find(const AlertMessage& message) {
    for (KnownWarning& warning : known_) {
        if (Contains(warning.ids, message.id)) return &warning;
        for (const std::string& id : message.references) {
            if (Contains(warning.ids, id)) return &warning;
        }
    }
    if (message.type == MessageType::Cancel) {
        return nullptr;
    }
    // The same event ending at the same time, issued for several zones or
    // by several offices, is one warning.
    for (KnownWarning& warning : known_) {
        if (warning.event == message.event && warning.end.unixSeconds == EndSeconds(message)) {
            return &warning;
        }
    }
    return nullptr;
}

void WarningWatch::ShowNew(KnownWarning& warning, std::vector<NoticeAction>* actions) {
    if (warning.notice != 0) {
        actions->push_back({NoticeAction::Kind::Close, warning.notice, {}});
    }
    warning.notice = ++lastNotice_;
    actions->push_back({NoticeAction::Kind::Show, warning.notice, warning.shown});
}

void WarningWatch::Apply(const AlertMessage& message, std::int64_t now,
                         std::vector<NoticeAction>* actions) {
    KnownWarning* warning = Find(message);
    if (warning == nullptr) {
        const bool cancel = message.type == MessageType::Cancel;
        if (!cancel && (message.severityRank > kLeastWarningRank ||
                        (message.end && message.end->unixSeconds <= now))) {
            return;
        }
        // A cancel of a warning not seen yet is kept too, so that the
        // warning does not pop up when its messages come late.
        KnownWarning added;
        added.event = message.event;
        added.severityRank = message.severityRank;
        added.end = message.end.value_or(TimeStamp{});
        added.sent = message.sent;
        added.cancelled = cancel;
        AddId(added, message.id);
        for (const std::string& id : message.references) AddId(added, id);
        known_.push_back(std::move(added));
        if (!cancel) {
            known_.back().shown = NoticeOf(message, now);
            ShowNew(known_.back(), actions);
        }
        return;
    }
    for (const std::string& id : message.references) AddId(*warning, id);
    AddId(*warning, message.id);
    if (warning->cancelled) {
        return;
    }
    if (message.type == MessageType::Cancel) {
        // A cancel sent before the warning's newest update cancels only
        // what that update replaced.
        if (message.sent >= warning->sent) {
            warning->sent = message.sent;
            warning->cancelled = true;
            if (warning->notice != 0) {
                actions->push_back({NoticeAction::Kind::Close, warning->notice, {}});
                warning->notice = 0;
            }
        }
        return;
    }
    // Only a newer message changes it: the same messages come with every
    // answer, and copies of it for other zones, sent at the same time, must
    // not take turns at its text.
    if (message.sent <= warning->sent) {
        return;
    }
    warning->sent = message.sent;
    const bool escalates =
        message.severityRank <= kLeastWarningRank &&
        (message.severityRank < warning->severityRank || message.event != warning->event);
    warning->event = message.event;
    warning->severityRank = message.severityRank;
    warning->end = message.end.value_or(TimeStamp{});
    Notice notice = NoticeOf(message, now);
    if (escalates) {
        warning->shown = std::move(notice);
        ShowNew(*warning, actions);
    } else if (warning->notice != 0 && !(notice == warning->shown)) {
        warning->shown = std::move(notice);
        actions->push_back({NoticeAction::Kind::Update, warning->notice, warning->shown});
    }
}

std::vector<NoticeAction> WarningWatch::Take(const std::vector<AlertMessage>& messages,
                                             std::int64_t now) {
    // Oldest first, so that an update given before its alert still wins.
    std::vector<const AlertMessage*> ordered;
    for (const AlertMessage& message : messages) ordered.push_back(&message);
    std::stable_sort(
        ordered.begin(), ordered.end(),
        [](const AlertMessage* a, const AlertMessage* b) { return a->sent < b->sent; });
    std::vector<NoticeAction> actions;
    for (const AlertMessage* message : ordered) {
        Apply(*message, now, &actions);
    }
    for (NoticeAction& action : Expire(now)) actions.push_back(std::move(action));
    KeepBound(known_, &actions);
    return Coalesced(std::move(actions));
}

std::vector<NoticeAction> WarningWatch::Expire(std::int64_t now) {
    std::vector<NoticeAction> actions;
    std::vector<KnownWarning> kept;
    for (KnownWarning& warning : known_) {
        if (!HasEnded(warning, now)) {
            kept.push_back(std::move(warning));
        } else if (warning.notice != 0) {
            actions.push_back({NoticeAction::Kind::Close, warning.notice, {}});
        }
    }
    known_ = std::move(kept);
    return actions;
}

std::vector<NoticeAction> WarningWatch::WithdrawAll() {
    std::vector<NoticeAction> actions;
    for (KnownWarning& warning : known_) {
        if (warning.notice != 0) {
            actions.push_back({NoticeAction::Kind::Close, warning.notice, {}});
            warning.notice = 0;
        }
    }
    return actions;
}

std::string WarningsText(const std::vector<KnownWarning>& warnings) {
    std::string text = std::string(kTextHeader) + "\n";
    for (const KnownWarning& warning : warnings) {
        for (const std::string& field :
             {std::to_string(warning.end.unixSeconds), std::to_string(warning.end.offsetMinutes),
              std::to_string(warning.severityRank), std::to_string(warning.sent),
              std::string(warning.cancelled ? "1" : "0"), warning.event}) {
            text += field;
            text += '\t';
        }
        text.pop_back();
        for (const std::string& id : warning.ids) {
            text += '\t';
            text += id;
        }
        text += "\n";
    }
    return text;
}

namespace {

bool ReadNumber(const std::string& text, std::int64_t low, std::int64_t high, std::int64_t* value) {
    if (text.empty() || text.size() > 20) return false;
    char* end = nullptr;
    const long long number = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || number < low || number > high) return false;
    *value = number;
    return true;
}

bool ReadWarning(const std::string& line, KnownWarning* warning) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    if (fields.size() < 7 || fields.size() > 6 + kMaxIdsPerWarning) return false;
    std::int64_t end = 0, offset = 0, rank = 0, sent = 0, cancelled = 0;
    if (!ReadNumber(fields[0], 0, INT64_MAX / 2, &end) ||
        !ReadNumber(fields[1], -24 * 60, 24 * 60, &offset) || !ReadNumber(fields[2], 0, 3, &rank) ||
        !ReadNumber(fields[3], INT64_MIN / 2, INT64_MAX / 2, &sent) ||
        !ReadNumber(fields[4], 0, 1, &cancelled)) {
        return false;
    }
    warning->end = {end, static_cast<int>(offset)};
    warning->severityRank = static_cast<int>(rank);
    warning->sent = sent;
    warning->cancelled = cancelled == 1;
    warning->event = OneLine(fields[5]);
    if (warning->event.empty() || warning->event != fields[5]) return false;
    for (std::size_t i = 6; i < fields.size(); ++i) {
        if (fields[i].empty() || OneLine(fields[i]) != fields[i]) return false;
        warning->ids.push_back(fields[i]);
    }
    return true;
}

}  // namespace

std::vector<KnownWarning> ParseWarningsText(const std::string& text, bool* damaged) {
    *damaged = false;
    std::vector<KnownWarning> warnings;
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kTextHeader) {
        *damaged = !text.empty();
        return {};
    }
    while (std::getline(lines, line)) {
        KnownWarning warning;
        if (warnings.size() == kMaxWarningsKept || !ReadWarning(line, &warning)) {
            *damaged = true;
            return {};
        }
        warnings.push_back(std::move(warning));
    }
    return warnings;
}

}  // namespace tickwell::live
