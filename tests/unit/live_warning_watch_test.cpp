// Which warnings reach the desktop and when: tables of message sequences
// and the notices they must give, the remembered warnings across a restart
// and their bound, and real recorded alert answers.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "live/alert_messages.h"
#include "live/warning_watch.h"

namespace tickwell::live {
namespace {

constexpr std::int64_t kHour = 3600;
// Monday 2026-12-07 20:00 UTC.
constexpr std::int64_t kNow = 1796673600;
constexpr int kCentral = -6 * 60;

AlertMessage Message(const std::string& id, MessageType type, const std::string& event, int rank,
                     std::int64_t sent, std::int64_t end, std::vector<std::string> references = {},
                     const std::string& headline = "") {
    AlertMessage message;
    message.id = id;
    message.type = type;
    message.event = event;
    message.severityRank = rank;
    message.sent = sent;
    message.end = TimeStamp{end, kCentral};
    message.references = std::move(references);
    message.headline = headline.empty() ? event + " issued by NWS" : headline;
    return message;
}

const MessageType A = MessageType::Alert;
const MessageType U = MessageType::Update;
const MessageType C = MessageType::Cancel;
const std::string kTornado = "Tornado Warning";
const std::string kStorm = "Severe Thunderstorm Warning";

// "show 1 Tornado Warning", "update 1 Tornado Warning", "close 1".
std::vector<std::string> Described(const std::vector<NoticeAction>& actions) {
    std::vector<std::string> described;
    for (const NoticeAction& action : actions) {
        const std::string id = std::to_string(action.notice);
        switch (action.kind) {
            case NoticeAction::Kind::Show:
                described.push_back("show " + id + " " + action.content.summary);
                break;
            case NoticeAction::Kind::Update:
                described.push_back("update " + id + " " + action.content.summary);
                break;
            case NoticeAction::Kind::Close: described.push_back("close " + id); break;
        }
    }
    return described;
}

struct Step {
    std::vector<AlertMessage> messages;
    std::int64_t now = kNow;
    std::vector<std::string> want;
    // The program restarts before this step: the watch is made again from
    // the text it would have saved.
    bool restart = false;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
};

const AlertMessage kTornadoAlert = Message("t1", A, kTornado, 0, kNow - 600, kNow + kHour);
const AlertMessage kTornadoUpdate = Message("t2", U, kTornado, 0, kNow - 300, kNow + kHour, {"t1"},
                                            "Tornado Warning remains in effect");
const AlertMessage kTornadoCancel =
    Message("t3", C, kTornado, 2, kNow - 100, kNow + kHour, {"t1", "t2"});
const AlertMessage kStormA = Message("s1", A, kStorm, 1, kNow - 900, kNow + 2 * kHour);
const AlertMessage kStormB = Message("s2", A, kStorm, 1, kNow - 900, kNow + 2 * kHour);
const AlertMessage kAdvisory = Message("w1", A, "Wind Advisory", 2, kNow - 900, kNow + 3 * kHour);

std::vector<Case> Cases() {
    const AlertMessage stormSevere = Message("e1", A, kStorm, 1, kNow - 900, kNow + kHour);
    const AlertMessage stormExtreme = Message("e2", U, kStorm, 0, kNow - 300, kNow + kHour, {"e1"});
    const AlertMessage watch = Message("x1", A, "Tornado Watch", 1, kNow - 900, kNow + 4 * kHour);
    const AlertMessage watchToWarning =
        Message("x2", U, kTornado, 0, kNow - 300, kNow + kHour, {"x1"});
    const AlertMessage extended = Message("t4", U, kTornado, 0, kNow - 200, kNow + 2 * kHour,
                                          {"t2"}, "Tornado Warning extended");
    return {
        {"an alert pops up once, however often it is given",
         {{{kTornadoAlert}, kNow, {"show 1 Tornado Warning"}},
          {{kTornadoAlert}, kNow + 60, {}},
          {{kTornadoAlert}, kNow + 120, {}}}},
        {"advisories and other lesser alerts never",
         {{{kAdvisory, Message("m1", A, "Flood Watch", 2, kNow, kNow + kHour)}, kNow, {}}}},
        {"an update changes the notice in place, once",
         {{{kTornadoAlert}, kNow, {"show 1 Tornado Warning"}},
          {{kTornadoUpdate}, kNow + 60, {"update 1 Tornado Warning"}},
          {{kTornadoUpdate}, kNow + 120, {}},
          {{extended}, kNow + 180, {"update 1 Tornado Warning"}}}},
        {"a cancel withdraws it, and the warning stays quiet",
         {{{kTornadoAlert}, kNow, {"show 1 Tornado Warning"}},
          {{kTornadoUpdate}, kNow + 60, {"update 1 Tornado Warning"}},
          {{kTornadoCancel}, kNow + 120, {"close 1"}},
          {{kTornadoAlert, kTornadoUpdate}, kNow + 180, {}}}},
        {"a higher severity pops up again",
         {{{stormSevere}, kNow, {"show 1 Severe Thunderstorm Warning"}},
          {{stormExtreme}, kNow + 60, {"close 1", "show 2 Severe Thunderstorm Warning"}}}},
        {"a watch becoming a warning pops up again",
         {{{watch}, kNow, {"show 1 Tornado Watch"}},
          {{watchToWarning}, kNow + 60, {"close 1", "show 2 Tornado Warning"}}}},
        {"a lower severity only updates",
         {{{stormExtreme}, kNow, {"show 1 Severe Thunderstorm Warning"}},
          {{Message("e3", U, kStorm, 1, kNow, kNow + kHour, {"e2"}, "Downgraded")},
           kNow + 60,
           {"update 1 Severe Thunderstorm Warning"}}}},
        {"its end passing withdraws and forgets it",
         {{{kTornadoAlert}, kNow, {"show 1 Tornado Warning"}},
          {{kTornadoAlert}, kNow + kHour - 1, {}},
          {{}, kNow + kHour, {"close 1"}},
          {{kTornadoAlert}, kNow + kHour + 60, {}}}},
        {"an alert already over never pops up",
         {{{Message("o1", A, kTornado, 0, kNow - kHour, kNow - 1)}, kNow, {}}}},
        {"the same event and end under several ids is one notice",
         {{{kStormA, kStormB}, kNow, {"show 1 Severe Thunderstorm Warning"}},
          {{kStormB, kStormA}, kNow + 60, {}}}},
        {"the same event with another end is another warning",
         {{{kStormA, Message("s9", A, kStorm, 1, kNow - 900, kNow + 3 * kHour)},
           kNow,
           {"show 1 Severe Thunderstorm Warning", "show 2 Severe Thunderstorm Warning"}}}},
        {"an update given before its alert in one answer: one notice",
         {{{kTornadoUpdate, kTornadoAlert}, kNow, {"show 1 Tornado Warning"}},
          {{kTornadoUpdate, kTornadoAlert}, kNow + 60, {}}}},
        {"an old message after its update changes nothing",
         {{{kTornadoUpdate}, kNow, {"show 1 Tornado Warning"}}, {{kTornadoAlert}, kNow + 60, {}}}},
        {"an alert and its cancel in one answer: nothing",
         {{{kTornadoCancel, kTornadoAlert}, kNow, {}}}},
        {"a cancel before the alert keeps it quiet",
         {{{kTornadoCancel}, kNow, {}}, {{kTornadoAlert, kTornadoUpdate}, kNow + 60, {}}}},
        {"the warnings notified stay quiet after a restart",
         {{{kTornadoAlert, kStormA, kStormB, kAdvisory},
           kNow,
           {"show 1 Severe Thunderstorm Warning", "show 2 Tornado Warning"}},
          {{kTornadoAlert, kStormA, kStormB, kAdvisory}, kNow + 60, {}, true},
          {{kTornadoUpdate, kStormA}, kNow + 120, {}},
          {{kTornadoCancel, kStormA}, kNow + 180, {}},
          {{kTornadoAlert, kStormA}, kNow + 240, {}, true}}},
        {"an escalation after a restart pops up",
         {{{stormSevere}, kNow, {"show 1 Severe Thunderstorm Warning"}},
          {{stormExtreme}, kNow + 60, {"show 1 Severe Thunderstorm Warning"}, true}}},
    };
}

TEST(WarningWatchRules, Table) {
    for (const Case& each : Cases()) {
        SCOPED_TRACE(each.name);
        WarningWatch watch;
        int number = 0;
        for (const Step& step : each.steps) {
            SCOPED_TRACE("step " + std::to_string(++number));
            if (step.restart) {
                bool damaged = true;
                watch = WarningWatch(ParseWarningsText(WarningsText(watch.Known()), &damaged));
                EXPECT_FALSE(damaged);
            }
            EXPECT_EQ(Described(watch.Take(step.messages, step.now)), step.want);
        }
    }
}

TEST(WarningWatchRules, WhatTheNoticeSays) {
    AlertMessage message = Message("t1", A, kTornado, 0, kNow, kNow + kHour);
    // 20:00 UTC is 14:00 Central; the end an hour later.
    message.end = TimeStamp{kNow + kHour - 15 * 60, kCentral};
    message.headline = "";
    message.description =
        "The National Weather Service in Norman has issued a\n* Tornado "
        "Warning for... Cleveland County. At 412 PM, a tornado was seen.";
    message.instruction = "TAKE COVER NOW! Move to a basement. Avoid windows.";
    Notice notice = NoticeOf(message, kNow);
    EXPECT_EQ(notice.summary, "Tornado Warning");
    EXPECT_TRUE(notice.critical);
    EXPECT_EQ(notice.body,
              "Until 2:45 PM\nThe National Weather Service in Norman has issued a * Tornado "
              "Warning for... Cleveland County.\nTAKE COVER NOW! Move to a basement.");

    message.severityRank = 1;
    message.headline = "Severe Thunderstorm Warning issued December 7 at 1:00PM CST";
    message.instruction = "";
    message.end = TimeStamp{kNow + 20 * kHour, kCentral};
    notice = NoticeOf(message, kNow);
    EXPECT_FALSE(notice.critical);
    EXPECT_EQ(notice.body,
              "Until 10:00 AM Tuesday\nSevere Thunderstorm Warning issued December "
              "7 at 1:00PM CST");
    message.end.reset();
    EXPECT_EQ(NoticeOf(message, kNow).body.substr(0, 10), "In effect\n");
}

TEST(WarningWatchMemory, BoundAndDamage) {
    // More warnings than are kept: the ones that end last stay.
    std::vector<AlertMessage> many;
    for (int i = 0; i < 150; ++i) {
        many.push_back(Message("id" + std::to_string(i), A, "Warning " + std::to_string(i), 1, kNow,
                               kNow + kHour + i * 60));
    }
    WarningWatch watch;
    const std::vector<NoticeAction> actions = watch.Take(many, kNow);
    EXPECT_EQ(watch.Known().size(), kMaxWarningsKept);
    EXPECT_EQ(watch.Known().back().event, "Warning 50");
    // The 50 dropped are never shown.
    EXPECT_EQ(actions.size(), kMaxWarningsKept);

    bool damaged = false;
    const std::string text = WarningsText(watch.Known());
    EXPECT_EQ(ParseWarningsText(text, &damaged).size(), kMaxWarningsKept);
    EXPECT_FALSE(damaged);
    EXPECT_TRUE(ParseWarningsText("", &damaged).empty());
    EXPECT_FALSE(damaged);
    const std::vector<std::string> broken = {
        "not ours\n",
        text.substr(0, text.size() / 2),          // torn in a line
        text + text.substr(text.find('\n') + 1),  // over the bound
        "tickwell warnings 1\n1796673600\t-360\t9\t0\t0\tTornado Warning\tt1\n",
        "tickwell warnings 1\n1796673600\t-360\t0\t0\t0\t\tt1\n",
        "tickwell warnings 1\n1796673600\t-360\t0\t0\t0\tTornado Warning\n",
        "tickwell warnings 1\nx\t-360\t0\t0\t0\tTornado Warning\tt1\n",
        std::string("tickwell warnings 1\n1796673600\t-360\t0\t0\t0\tTornado\x01\tt1\n"),
    };
    for (const std::string& each : broken) {
        SCOPED_TRACE(each.substr(0, 60));
        EXPECT_TRUE(ParseWarningsText(each, &damaged).empty());
        EXPECT_TRUE(damaged);
    }
}

TEST(WarningWatchMessages, UntrustedText) {
    EXPECT_EQ(OneLine("  Take\tcover\r\n now\x01\x7f \xff\xc3(caf\xc3\xa9)  "),
              "Take cover now (café)");
    EXPECT_EQ(FirstSentence("Until 5 PM. Then calm.", 100), "Until 5 PM.");
    EXPECT_EQ(FirstSentence("No stop at all", 100), "No stop at all");
    const nlohmann::json notCollection = nlohmann::json::parse(R"({"title":"x"})");
    EXPECT_FALSE(ParseAlertMessages(notCollection).has_value());
    const nlohmann::json odd = nlohmann::json::parse(
        R"({"features":[1,{"properties":{"status":"Actual","id":"a","event":"Tornado Warning",
            "references":[3,{"identifier":7},{"identifier":"b"}],"sent":"not a time"}},
            {"properties":{"status":"Test","id":"c","event":"Tornado Warning"}},
            {"properties":{"status":"Actual","event":"Tornado Warning"}}]})");
    const auto messages = ParseAlertMessages(odd);
    ASSERT_TRUE(messages.has_value());
    ASSERT_EQ(messages->size(), 1u);
    EXPECT_EQ((*messages)[0].references, std::vector<std::string>{"b"});
    EXPECT_EQ((*messages)[0].sent, 0);
    EXPECT_FALSE((*messages)[0].end.has_value());
}

// --- Real answers recorded by others (../shared/reference/nws/recorded). ---

const std::string kRecorded = TICKWELL_SOURCE_DIR "/../shared/reference/nws/recorded/alerts/";

std::optional<std::vector<AlertMessage>> Recorded(const std::string& name) {
    std::ifstream file(kRecorded + name);
    if (!file) return std::nullopt;
    std::stringstream text;
    text << file.rdbuf();
    return ParseAlertMessages(nlohmann::json::parse(text.str(), nullptr, false));
}

struct RecordedCase {
    const char* file;
    // The time of the answer: a little after its newest message.
    const char* now;
    std::vector<std::string> want;
};

TEST(WarningWatchRecorded, OneNoticeEachWarning) {
    const std::vector<RecordedCase> cases = {
        // Warnings and a watch of severity Severe; statements and advisories
        // stay quiet.
        {"nebraska-2021-08-22.json",
         "2021-08-22T21:50:00-05:00",
         {"show 1 Severe Thunderstorm Watch", "show 2 Flash Flood Warning",
          "show 3 Severe Thunderstorm Warning"}},
        // The same Flood Watch (an update) as two messages of one product.
        {"ORZ004-2019-12-20.json", "2019-12-20T13:40:00-08:00", {"show 1 Flood Watch"}},
        // An update whose alert was never seen is a warning all the same;
        // an Air Quality Alert of unknown severity is none.
        {"maricopa-33.25,-112.30-2024-07-18.json",
         "2024-07-18T13:00:00-07:00",
         {"show 1 Excessive Heat Warning"}},
        {"broward-FLZ172-2019-09-03.json",
         "2019-09-03T05:15:00-04:00",
         {"show 1 Tropical Storm Watch"}},
    };
    for (const RecordedCase& each : cases) {
        SCOPED_TRACE(each.file);
        const auto messages = Recorded(each.file);
        if (!messages) {
            GTEST_SKIP() << "no recorded alerts in " << kRecorded;
        }
        const std::int64_t now = ParseIsoTime(each.now)->unixSeconds;
        WarningWatch watch;
        EXPECT_EQ(Described(watch.Take(*messages, now)), each.want);
        // The same answer again, and after a restart: nothing more.
        EXPECT_TRUE(watch.Take(*messages, now + 60).empty());
        bool damaged = true;
        WarningWatch restarted(ParseWarningsText(WarningsText(watch.Known()), &damaged));
        EXPECT_TRUE(restarted.Take(*messages, now + 120).empty());
    }
}

}  // namespace
}  // namespace tickwell::live
