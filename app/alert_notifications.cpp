#include "app/alert_notifications.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <utility>

#include "live/warning_watch.h"

namespace tickwell {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr const char* kSettingName = "AlertNotifications";

// The newest messages the fetch thread handed over; only ever touched
// under its lock.
class AlertMailbox {
public:
    void Put(std::vector<live::AlertMessage> messages, std::int64_t serviceNow) {
        std::lock_guard<std::mutex> hold(lock_);
        messages_ = std::move(messages);
        serviceNow_ = serviceNow;
        takenAt_ = SteadyClock::now();
        sequence_ += 1;
    }
    // The messages when newer than `*sequence` (which is then updated), and
    // the service's time now, reckoned from when they came.
    std::optional<std::vector<live::AlertMessage>> TakeNewer(std::uint64_t* sequence,
                                                             std::int64_t* now) {
        std::lock_guard<std::mutex> hold(lock_);
        *now =
            serviceNow_ +
            std::chrono::duration_cast<std::chrono::seconds>(SteadyClock::now() - takenAt_).count();
        if (sequence_ == *sequence) {
            return std::nullopt;
        }
        *sequence = sequence_;
        return messages_;
    }
    bool Any() {
        std::lock_guard<std::mutex> hold(lock_);
        return sequence_ != 0;
    }
    void Clear() {
        std::lock_guard<std::mutex> hold(lock_);
        messages_.clear();
        sequence_ = 0;
    }

private:
    std::mutex lock_;
    std::vector<live::AlertMessage> messages_;
    std::int64_t serviceNow_ = 0;
    SteadyClock::time_point takenAt_;
    std::uint64_t sequence_ = 0;
};

AlertMailbox mailbox;

// The rest is the user-interface thread's alone.
struct Notifications {
    AlertNotificationSetup setup;
    live::WarningWatch watch;
    std::uint64_t taken = 0;
    std::string savedMemory;
    bool installed = false;
};
Notifications state;

void Perform(const std::vector<live::NoticeAction>& actions) {
    Notifier* notifier = state.setup.notifier.get();
    if (notifier == nullptr) {
        return;
    }
    for (const live::NoticeAction& action : actions) {
        switch (action.kind) {
            case live::NoticeAction::Kind::Show:
                notifier->Show(action.notice, action.content);
                break;
            case live::NoticeAction::Kind::Update:
                notifier->Update(action.notice, action.content);
                break;
            case live::NoticeAction::Kind::Close: notifier->Close(action.notice); break;
        }
    }
}

void SaveMemoryIfChanged() {
    const std::string text = live::WarningsText(state.watch.Known());
    if (text != state.savedMemory && state.setup.saveMemory) {
        state.setup.saveMemory(text);
        state.savedMemory = text;
    }
}

}  // namespace

void SetUpAlertNotifications(AlertNotificationSetup setup) {
    state = Notifications{};
    state.setup = std::move(setup);
    bool damaged = false;
    const std::string text = state.setup.loadMemory ? state.setup.loadMemory() : std::string();
    state.watch = live::WarningWatch(live::ParseWarningsText(text, &damaged));
    // A damaged file differs from anything saved, so the next save rewrites
    // it.
    state.savedMemory = damaged ? std::string() : text;
    state.installed = true;
}

bool AlertNotificationsOffered() {
    return state.installed;
}

bool AlertNotificationsOn() {
    return state.installed && state.setup.enabled;
}

void ToggleAlertNotifications() {
    if (!state.installed) {
        return;
    }
    state.setup.enabled = !state.setup.enabled;
    if (state.setup.saveSetting) {
        state.setup.saveSetting(state.setup.enabled);
    }
    if (!state.setup.enabled) {
        Perform(state.watch.WithdrawAll());
    } else {
        // The warnings in force now are taken on the next heartbeat.
        state.taken = 0;
    }
}

bool ReadAlertSetting(SettingsStore& store) {
    std::uint32_t value = 1;
    const bool read = store.OpenForReading() && store.Read(kSettingName, &value);
    store.Close();
    return !read || value != 0;
}

void WriteAlertSetting(SettingsStore& store, bool enabled) {
    if (store.OpenForWriting()) {
        store.Write(kSettingName, enabled ? 1u : 0u);
        store.Close();
    }
}

void HandOverAlertMessages(std::vector<live::AlertMessage> messages, std::int64_t serviceNow) {
    mailbox.Put(std::move(messages), serviceNow);
}

void DeliverAlertNotifications() {
    // Without a desktop to tell, nothing counts as notified: a warning
    // still pops up in a later run that has one.
    if (!AlertNotificationsOn() || !state.setup.notifier || !mailbox.Any()) {
        return;
    }
    std::int64_t now = 0;
    std::optional<std::vector<live::AlertMessage>> messages = mailbox.TakeNewer(&state.taken, &now);
    const std::vector<live::NoticeAction> actions =
        messages ? state.watch.Take(*messages, now) : state.watch.Expire(now);
    Perform(actions);
    // A warning forgotten quietly (ended while cancelled) is saved with the
    // next answer; nothing is written on the heartbeats between.
    if (messages || !actions.empty()) {
        SaveMemoryIfChanged();
    }
}

void ResetAlertNotifications() {
    state = Notifications{};
    mailbox.Clear();
}

}  // namespace tickwell
