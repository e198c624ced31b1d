// Desktop notifications of the weather warnings for the station's place
// (live builds). The fetch job hands the alert messages of each answer
// over; the user-interface thread takes them on its heartbeat, decides
// with a WarningWatch what the desktop shows, and keeps the warnings
// already notified across runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "live/alert_messages.h"
#include "platform/notifier.h"
#include "platform/settings_store.h"

namespace tickwell {

struct AlertNotificationSetup {
    // The desktop's notifications; null where there are none.
    std::unique_ptr<Notifier> notifier;
    // The "AlertNotifications" setting as stored (on when missing), and how
    // to store a change of it.
    bool enabled = true;
    std::function<void(bool enabled)> saveSetting;
    // The remembered warnings' text (empty when there is none) and how to
    // replace it durably.
    std::function<std::string()> loadMemory;
    std::function<void(const std::string& text)> saveMemory;
};

// Installs the notifications (the live start-up does, before the window
// opens); the menu then offers "Alert notifications". A damaged memory is
// ignored and rewritten with the next change.
void SetUpAlertNotifications(AlertNotificationSetup setup);
bool AlertNotificationsOffered();
bool AlertNotificationsOn();
// The menu's item: turns them off (withdrawing what is shown) or on, and
// saves the choice at once.
void ToggleAlertNotifications();

// The "AlertNotifications" setting in `store`: on unless it holds 0.
bool ReadAlertSetting(SettingsStore& store);
// Stores it; every other stored value stays.
void WriteAlertSetting(SettingsStore& store, bool enabled);

// Called on the fetch thread with each sound answer's messages and the
// service's time then.
void HandOverAlertMessages(std::vector<live::AlertMessage> messages, std::int64_t serviceNow);

// The heartbeat's part, on the user-interface thread: takes the newest
// messages handed over, withdraws warnings that have ended meanwhile, and
// tells the notifier.
void DeliverAlertNotifications();

// Forgets everything installed; for tests.
void ResetAlertNotifications();

}  // namespace tickwell
