// The warnings' way from the fetch thread to the desktop: handed over,
// taken on the heartbeat, turned off and on from the menu, remembered in a
// memory that may be damaged.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/alert_notifications.h"
#include "app/tray_status.h"
#include "live/warning_watch.h"

namespace tickwell {
namespace {

class RecordingNotifier : public Notifier {
public:
    explicit RecordingNotifier(std::vector<std::string>* log) : log_(log) {}
    void Show(std::uint32_t id, const Notice& notice) override {
        log_->push_back("show " + std::to_string(id) + " " + notice.summary);
    }
    void Update(std::uint32_t id, const Notice& notice) override {
        log_->push_back("update " + std::to_string(id) + " " + notice.summary);
    }
    void Close(std::uint32_t id) override { log_->push_back("close " + std::to_string(id)); }

private:
    std::vector<std::string>* log_;
};

constexpr std::int64_t kNow = 1796673600;

live::AlertMessage Tornado() {
    live::AlertMessage message;
    message.id = "t1";
    message.event = "Tornado Warning";
    message.severityRank = 0;
    message.sent = kNow - 60;
    message.end = live::TimeStamp{kNow + 3600, 0};
    return message;
}

struct Fixture {
    std::vector<std::string> shown;
    std::vector<bool> settings;
    std::string memory;
    int memoryWrites = 0;

    void SetUp(bool enabled) {
        AlertNotificationSetup setup;
        setup.notifier = std::make_unique<RecordingNotifier>(&shown);
        setup.enabled = enabled;
        setup.saveSetting = [this](bool on) { settings.push_back(on); };
        setup.loadMemory = [this] { return memory; };
        setup.saveMemory = [this](const std::string& text) {
            memory = text;
            ++memoryWrites;
        };
        SetUpAlertNotifications(std::move(setup));
    }
};

TEST(AlertNotificationsFlow, HandedOverShownRememberedToggled) {
    ResetAlertNotifications();
    Fixture fixture;
    fixture.memory = "damaged\n";
    fixture.SetUp(true);
    EXPECT_TRUE(AlertNotificationsOffered());
    DeliverAlertNotifications();
    EXPECT_TRUE(fixture.shown.empty());

    // Handed over from another thread, as the fetch job does.
    std::thread fetch([] { HandOverAlertMessages({Tornado()}, kNow); });
    fetch.join();
    DeliverAlertNotifications();
    DeliverAlertNotifications();
    EXPECT_EQ(fixture.shown, std::vector<std::string>{"show 1 Tornado Warning"});
    // The damaged memory was replaced by the warnings notified.
    EXPECT_EQ(fixture.memoryWrites, 1);
    EXPECT_NE(fixture.memory.find("Tornado Warning\tt1"), std::string::npos);

    // Off: the notice withdrawn, the choice saved; nothing shown meanwhile.
    ToggleAlertNotifications();
    EXPECT_FALSE(AlertNotificationsOn());
    HandOverAlertMessages({Tornado()}, kNow + 60);
    DeliverAlertNotifications();
    EXPECT_EQ(fixture.shown, (std::vector<std::string>{"show 1 Tornado Warning", "close 1"}));
    // On again: the warning was notified already.
    ToggleAlertNotifications();
    DeliverAlertNotifications();
    EXPECT_EQ(fixture.settings, (std::vector<bool>{false, true}));
    EXPECT_EQ(fixture.shown.size(), 2u);

    // A restart remembers it; a start with notifications off shows nothing.
    Fixture restarted;
    restarted.memory = fixture.memory;
    restarted.SetUp(true);
    HandOverAlertMessages({Tornado()}, kNow + 120);
    DeliverAlertNotifications();
    EXPECT_TRUE(restarted.shown.empty());
    Fixture off;
    off.SetUp(false);
    DeliverAlertNotifications();
    EXPECT_TRUE(off.shown.empty());
    // Without a desktop to tell, nothing is taken as notified.
    AlertNotificationSetup none;
    none.loadMemory = [] { return std::string(); };
    int saves = 0;
    none.saveMemory = [&saves](const std::string&) { ++saves; };
    SetUpAlertNotifications(std::move(none));
    HandOverAlertMessages({Tornado()}, kNow + 180);
    DeliverAlertNotifications();
    EXPECT_EQ(saves, 0);
    ResetAlertNotifications();
    EXPECT_FALSE(AlertNotificationsOffered());
}

TEST(AlertNotificationsFlow, TrayTipIsTheNowLine) {
    const std::string today =
        ".Tornado warning...Until 6 am tuesday. .Now...Mostly cloudy. 28 degrees. .Today...Sun. .";
    EXPECT_EQ(NowLineOf(today, 120), "Now...Mostly cloudy. 28 degrees.");
    EXPECT_EQ(NowLineOf(".Now...Clear.", 120), "Now...Clear.");
    EXPECT_EQ(NowLineOf(".Today...Sun. .", 120), "");
    EXPECT_LE(NowLineOf(".Now..." + std::string(300, 'x') + " y. .", 120).size(), 120u);
}

}  // namespace
}  // namespace tickwell
