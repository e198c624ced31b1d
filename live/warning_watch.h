// Which weather warnings the desktop is told about, and when: one
// notification for each warning however many messages the service sends
// for it, changed in place by its updates, popped up again only when it
// escalates, withdrawn when it is cancelled or over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "live/alert_messages.h"
#include "platform/notifier.h"

namespace tickwell::live {

// The warnings kept (and remembered across runs) at most.
constexpr std::size_t kMaxWarningsKept = 100;
// The newest message ids kept for each warning.
constexpr std::size_t kMaxIdsPerWarning = 32;

// A warning seen, as remembered across runs.
struct KnownWarning {
    // The ids of its messages and of the ones they referred to, oldest
    // first.
    std::vector<std::string> ids;
    std::string event;
    int severityRank = 3;
    // When it ends; unixSeconds 0 when its messages never said.
    TimeStamp end;
    // When its newest message was sent.
    std::int64_t sent = 0;
    bool cancelled = false;
    // This run's notice for it, 0 when none is shown; never remembered.
    std::uint32_t notice = 0;
    // What that notice says.
    Notice shown;
};

struct NoticeAction {
    enum class Kind { Show, Update, Close };
    Kind kind = Kind::Show;
    std::uint32_t notice = 0;
    Notice content;  // Show and Update only
};

class WarningWatch {
public:
    WarningWatch() = default;
    explicit WarningWatch(std::vector<KnownWarning> remembered);

    // Takes the messages of one answer of the service, whose time is `now`,
    // in any order, and says what to do with the desktop's notices. Ends
    // with Expire(now).
    std::vector<NoticeAction> Take(const std::vector<AlertMessage>& messages, std::int64_t now);
    // Withdraws and forgets the warnings that have ended by `now`.
    std::vector<NoticeAction> Expire(std::int64_t now);
    // Withdraws every shown notice (notifications turned off); the warnings
    // stay known, so they do not pop up again.
    std::vector<NoticeAction> WithdrawAll();

    const std::vector<KnownWarning>& Known() const { return known_; }

private:
    void Apply(const AlertMessage& message, std::int64_t now, std::vector<NoticeAction>* actions);
    KnownWarning* Find(const AlertMessage& message);
    void ShowNew(KnownWarning& warning, std::vector<NoticeAction>* actions);

    std::vector<KnownWarning> known_;
    std::uint32_t lastNotice_ = 0;
};

// What the notification of `warning` says at `now`: the event, then when it
// ends ("Until 5:45 PM", with the day when it is not today there), the first
// sentence of `message`'s headline (else its description) and of its
// instruction.
Notice NoticeOf(const AlertMessage& message, std::int64_t now);

// The known warnings as a small text file, and back. A file that is not
// wholly such a text gives nothing, and `damaged` is set.
std::string WarningsText(const std::vector<KnownWarning>& warnings);
std::vector<KnownWarning> ParseWarningsText(const std::string& text, bool* damaged);

}  // namespace tickwell::live
