// The Units item and dialog: offered only with a units handler (the live
// source); OK saves the four choices, shows the readouts in them and hands
// them to the source, never while a fetch job may hold it, and the window
// never shows what a job still running at the choice brings in the old
// units. The Location dialog gives distances in km with Celsius.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/context_menu.h"
#include "app/main_window.h"
#include "app/station_choice.h"
#include "app/unit_choice.h"
#include "app/units_dialog.h"
#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "display/ticker.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "support/fake_internet.h"
#include "support/fake_settings_store.h"
#include "support/fake_window.h"
#include "support/fetch_world.h"

namespace tickwell {
namespace {

using namespace std::chrono_literals;
using fakes::CallLog;
using fakes::FakeDialogControls;
using fakes::FakeGraphics;
using fakes::FakeResponse;
using fakes::FakeSettingsStore;
using fakes::FakeWindow;
using fakes::RecordingCanvas;

const char* const kForecastPage =
    "<pre>\nZONE FORECAST PRODUCT\n.TONIGHT...CLEAR.\n.MONDAY...SUNNY.\n</pre>\n";
const char* const kRoundupPage = "<pre>\nDENVER INTL AP SUNNY 75 40 29 W10G20 30.01F\n</pre>\n";

constexpr live::Units kMetric24{live::TemperatureUnit::Celsius, live::PressureUnit::Hectopascals,
                                live::WindUnit::KilometresPerHour,
                                live::ClockStyle::TwentyFourHour};

CallLog sharedLog;
FakeGraphics graphics(sharedLog);

using fakes::WaitForJob;

std::string Text(const live::Units& units) {
    return std::string(live::SettingText(units.temperature)) + " " +
           live::SettingText(units.pressure) + " " + live::SettingText(units.wind) + " " +
           live::SettingText(units.clock);
}

class UnitsChoiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        internet = new fakes::FakeInternet;
        fakes::OpenFetchWorld(*internet, graphics);
    }

    static void TearDownTestSuite() {
        internet->ReleaseSends();
        fakes::CloseFetchWorld();
    }

    void SetUp() override {
        settings = Settings{};
        tickCount = 0;
        internet->SetResponse(forecastPath, Body(kForecastPage));
        internet->SetResponse(roundupPath, Body(kRoundupPage));
        mainWindow = &window;
        window.handlers = &logic;
        StartFetch();
        WaitForJob();
        ASSERT_TRUE(weatherState.hasReadings);
        sharedLog.Clear();
    }

    void TearDown() override {
        internet->ReleaseSends();
        WaitForJob();
        ResetUnitsChoice();
        ResetStationChoice();
    }

    static FakeResponse Body(const char* body) {
        FakeResponse response;
        response.body = body;
        return response;
    }

    void InstallHandler(const live::Units& units = {}) {
        UnitsHandler handler;
        handler.units = units;
        handler.save = [this](const live::Units& chosen) {
            events.push_back("save " + Text(chosen));
        };
        handler.use = [this](const live::Units& chosen) {
            events.push_back("use " + Text(chosen));
        };
        SetUnitsHandler(std::move(handler));
    }

    // Chooses Units... and plays the user: selects `chosen` in the four
    // lists, then OK (or Cancel). Returns the dialog's result.
    int ChooseFromMenu(const live::Units& chosen, bool ok = true) {
        window.dialogScript = [&](DialogProcedure& dialog, FakeDialogControls& controls) {
            controls.choice[IDC_TEMPERATURE_UNIT] = static_cast<int>(chosen.temperature);
            controls.choice[IDC_PRESSURE_UNIT] = static_cast<int>(chosen.pressure);
            controls.choice[IDC_WIND_UNIT] = static_cast<int>(chosen.wind);
            controls.choice[IDC_CLOCK_STYLE] = static_cast<int>(chosen.clock);
            dialog.OnCommand(controls, ok ? kUnitsOk : kUnitsCancel, 0);
        };
        logic.OnCommand(window, IDM_UNITS, 0);
        return window.lastDialog ? window.lastDialog->result : -1;
    }

    static bool WindowIsClear() {
        return !weatherState.hasReadings && weatherState.today.length == 0 &&
               weatherState.today.text[0] == '\0';
    }

    static int Fetches() {
        int count = 0;
        for (const std::string& path : internet->OpenedPaths()) {
            count += path == roundupPath ? 1 : 0;
        }
        return count;
    }

    static fakes::FakeInternet* internet;
    FakeSettingsStore store;
    FakeWindow window{sharedLog};
    MainWindowLogic logic{graphics, store};
    std::vector<std::string> events;
};

fakes::FakeInternet* UnitsChoiceTest::internet = nullptr;

TEST_F(UnitsChoiceTest, TheMenuOffersUnitsOnlyWithAHandlerAndTheDialogStartsAtTheChoice) {
    ShowContextMenu(window, 10, 10);
    for (const fakes::MenuItem& item : window.menuItems) {
        EXPECT_NE(item.commandId, IDM_UNITS) << "the classic build has no Units item";
    }
    logic.OnCommand(window, IDM_UNITS, 0);
    EXPECT_EQ(sharedLog.Count("RunUnitsDialog"), 0);
    EXPECT_EQ(CurrentReadoutStyle(), ReadoutStyle{}) << "the classic picture";

    InstallHandler(kMetric24);
    EXPECT_TRUE(CurrentReadoutStyle().hectopascals);
    EXPECT_TRUE(CurrentReadoutStyle().twentyFourHourClock);
    ShowContextMenu(window, 10, 10);
    EXPECT_EQ(window.menuItems.back().text, "U&nits...");
    EXPECT_EQ(window.menuItems.back().commandId, IDM_UNITS);
    EXPECT_EQ(ChooseFromMenu(kMetric24, false), kUnitsCancel);
    const FakeDialogControls& controls = *window.lastDialog;
    EXPECT_EQ(controls.choiceItems.at(IDC_WIND_UNIT).size(), 4u);
    EXPECT_EQ(controls.choiceItems.at(IDC_CLOCK_STYLE).size(), 2u);
    EXPECT_GE(sharedLog.Find("SetChoices " + std::to_string(IDC_TEMPERATURE_UNIT) + " 2 1"), 0);
    EXPECT_GE(sharedLog.Find("SetChoices " + std::to_string(IDC_WIND_UNIT) + " 4 1"), 0);
    EXPECT_TRUE(events.empty()) << "Cancel changes nothing";
    EXPECT_TRUE(weatherState.hasReadings);
}

TEST_F(UnitsChoiceTest, OkSavesShowsAndHandsOverAtOnceWhenNoJobRuns) {
    InstallHandler();
    const int before = Fetches();
    tickCount = 500;
    internet->HoldSends();
    EXPECT_EQ(ChooseFromMenu(kMetric24), kUnitsOk);
    EXPECT_EQ(events, (std::vector<std::string>{"save C hPa km/h 24", "use C hPa km/h 24"}));
    ASSERT_TRUE(internet->WaitForHeldSend(10s));
    EXPECT_TRUE(WindowIsClear()) << "nothing in the old units stays on show";
    EXPECT_TRUE(CurrentReadoutStyle().hectopascals);
    EXPECT_TRUE(CurrentReadoutStyle().twentyFourHourClock);
    EXPECT_EQ(ChosenUnits(), kMetric24);
    EXPECT_EQ(tickCount, 0);
    internet->ReleaseSends();
    WaitForJob();
    EXPECT_EQ(Fetches(), before + 1);
    EXPECT_TRUE(weatherState.hasReadings);

    // The same units again: saved, nothing cleared or fetched.
    events.clear();
    ChooseFromMenu(kMetric24);
    EXPECT_EQ(events, (std::vector<std::string>{"save C hPa km/h 24"}));
    EXPECT_TRUE(weatherState.hasReadings);
}

TEST_F(UnitsChoiceTest, AJobRunningAtTheChoiceNeverGetsItsOldUnitsShown) {
    InstallHandler();
    internet->HoldSends();
    ASSERT_TRUE(StartFetch());
    ASSERT_TRUE(internet->WaitForHeldSend(5s));
    ChooseUnits(window, kMetric24);
    EXPECT_EQ(events, (std::vector<std::string>{"save C hPa km/h 24"}));
    EXPECT_TRUE(UnitsSwitchPending());
    EXPECT_TRUE(WindowIsClear());
    logic.OnTimer(window);
    EXPECT_TRUE(UnitsSwitchPending()) << "the job still runs";

    internet->ReleaseSends();
    WaitForJob();
    ASSERT_TRUE(weatherState.hasReadings);
    RecordingCanvas canvas(sharedLog, "window");
    logic.OnPaint(canvas);
    EXPECT_TRUE(WindowIsClear()) << "the old units' readings are never drawn";
    const int before = Fetches();
    logic.OnTimer(window);
    EXPECT_EQ(events, (std::vector<std::string>{"save C hPa km/h 24", "use C hPa km/h 24"}));
    EXPECT_FALSE(UnitsSwitchPending());
    WaitForJob();
    EXPECT_EQ(Fetches(), before + 1);
    EXPECT_TRUE(weatherState.hasReadings);
}

TEST_F(UnitsChoiceTest, LocationDistancesInKilometresWithCelsius) {
    StationHandler stations;
    stations.station = "KDEN";
    stations.save = [](const std::string&) {};
    stations.use = [](const std::string&) {};
    SetStationHandler(std::move(stations));
    struct {
        live::Units units;
        const char* unit;
    } const cases[] = {{live::Units{}, " mi from "}, {kMetric24, " km from "}};
    for (const auto& c : cases) {
        InstallHandler(c.units);
        std::vector<std::string> lines;
        window.locationScript = [&](LocationProcedure& dialog,
                                    fakes::FakeLocationControls& controls) {
            controls.Type(dialog, "golden");
            lines = controls.lines;
            dialog.OnCancel(controls);
        };
        logic.OnCommand(window, IDM_LOCATION, 0);
        int withDistance = 0;
        for (const std::string& line : lines) {
            withDistance += line.find(c.unit) != std::string::npos ? 1 : 0;
            EXPECT_EQ(line.find(c.units == kMetric24 ? " mi from " : " km from "),
                      std::string::npos)
                << line;
        }
        EXPECT_GT(withDistance, 0) << c.unit;
    }
}

}  // namespace
}  // namespace tickwell
