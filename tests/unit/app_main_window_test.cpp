// The main window's handlers against a recording window and canvas: what
// creation sets up, the tick schedule, painting order, commands and
// destruction.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>

#include "app/main_window.h"
#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "display/ticker.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "support/fake_settings_store.h"
#include "support/fake_window.h"
#include "support/fetch_gate.h"
#include "support/fetch_world.h"

namespace tickwell {
namespace {

using fakes::CallLog;
using fakes::FakeGraphics;
using fakes::FakeSettingsStore;
using fakes::FakeWindow;
using fakes::OfflineInternet;
using fakes::RecordingCanvas;

using fakes::FetchRunning;
using fakes::GatedPause;
using fakes::SetGate;
using fakes::WaitForFetch;

const std::string kLampInvalidation = "Invalidate 5,25,10,40 keep";
const std::string kTickerInvalidation = "Invalidate 25,5,195,20 keep";

CallLog sharedLog;
FakeGraphics graphics(sharedLog);
OfflineInternet internet;

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fakes::OpenFetchWorld(internet, graphics, GatedPause); }

    static void TearDownTestSuite() {
        SetGate(true);
        fakes::CloseFetchWorld();
    }

    void SetUp() override {
        settings = Settings{};
        tickCount = 0;
        weatherState.busy = false;
        window.handlers = &logic;
        sharedLog.Clear();
    }

    void TearDown() override {
        SetGate(true);
        WaitForFetch();
        if (!window.destroyed) {
            window.destroyed = true;
            logic.OnDestroy(window);
        }
    }

    // Creates the window and lets its first fetch job end.
    void CreateAndSettle() {
        logic.OnCreate(window);
        WaitForFetch();
        sharedLog.Clear();
    }

    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            logic.OnTimer(window);
        }
    }

    // The entries of the log without the fetch job's lamp invalidations,
    // whose timing belongs to the job's thread.
    static std::vector<std::string> WindowCalls() {
        std::vector<std::string> calls;
        for (const std::string& entry : sharedLog.Entries()) {
            if (entry != kLampInvalidation) {
                calls.push_back(entry);
            }
        }
        return calls;
    }

    FakeSettingsStore store;
    FakeWindow window{sharedLog};
    MainWindowLogic logic{graphics, store};
};

// ---- creation and destruction ----

class ProbingWindow : public FakeWindow {
public:
    using FakeWindow::FakeWindow;
    void CreateCloseButton(const Rect& bounds, int controlId) override {
        mainWindowAtFirstCall = mainWindow;
        FakeWindow::CreateCloseButton(bounds, controlId);
    }
    WindowServices* mainWindowAtFirstCall = nullptr;
};

TEST_F(MainWindowTest, CreationPublishesTheWindowBeforeAnythingElse) {
    mainWindow = nullptr;
    ProbingWindow probe(sharedLog);
    logic.OnCreate(probe);
    WaitForFetch();
    EXPECT_EQ(probe.mainWindowAtFirstCall, &probe);
    logic.OnDestroy(probe);
    mainWindow = &window;
}

TEST_F(MainWindowTest, CreationMakesButtonFetchTimerAndBrushesInOrder) {
    SetGate(false);
    logic.OnCreate(window);
    EXPECT_TRUE(FetchRunning());
    SetGate(true);
    WaitForFetch();
    EXPECT_EQ(WindowCalls(),
              (std::vector<std::string>{"CreateCloseButton 5,5,20,20 1004", "StartTimer 1 250",
                                        "Invalidate all erase", "CreateSolidBrush 00DC32",
                                        "CreateSolidBrush 005A14"}));
    EXPECT_EQ(timerId, window.timerIdToReturn);
    EXPECT_EQ(mainWindow, &window);
}

TEST_F(MainWindowTest, DestructionRecordsPositionStopsTimerAndQuits) {
    CreateAndSettle();
    const int objectsBefore = fakes::LiveNamedObjects();
    window.position = Point{-300, 1050};
    window.Close();
    EXPECT_EQ(WindowCalls(),
              (std::vector<std::string>{"Close", "ScreenPosition", "StopTimer 77", "PostQuit 0"}));
    EXPECT_EQ(settings.windowX, -300);
    EXPECT_EQ(settings.windowY, 1050);
    EXPECT_EQ(fakes::LiveNamedObjects(), objectsBefore - 2);
    EXPECT_EQ(lampBusyBrush, nullptr);
    EXPECT_EQ(lampIdleBrush, nullptr);
}

TEST_F(MainWindowTest, EndOfSessionSavesTheSettingsWithThePosition) {
    CreateAndSettle();
    settings.showOutlook = true;
    window.position = Point{123, -45};
    logic.OnEndSession(window);
    EXPECT_EQ(store.values["WinX"], 123u);
    EXPECT_EQ(store.values["WinY"], static_cast<std::uint32_t>(-45));
    EXPECT_EQ(store.values["Outlook"], 1u);
    EXPECT_EQ(sharedLog.Count("PostQuit 0"), 0) << "the session's end is no close";
}

// ---- the tick ----

TEST_F(MainWindowTest, SecondFetchStartsOnTheTickAfterTheInterval) {
    CreateAndSettle();
    Tick(3600);
    EXPECT_EQ(sharedLog.Count("Invalidate all"), 0);
    EXPECT_EQ(tickCount, 3600);
    Tick();
    EXPECT_EQ(tickCount, 0);
    EXPECT_EQ(sharedLog.Count("Invalidate all keep"), 1);
    WaitForFetch();
    // Each job lights the lamp and, after failing, puts it out again.
    EXPECT_EQ(sharedLog.Count(kLampInvalidation), 2);
}

TEST_F(MainWindowTest, RefreshDueWhileAJobRunsStillRestartsTheCount) {
    settings.intervalTicks = 2;
    SetGate(false);
    logic.OnCreate(window);
    WeatherFetchJob* running = currentJob;
    Tick(3);
    EXPECT_EQ(tickCount, 0);
    EXPECT_EQ(sharedLog.Count("Invalidate all keep"), 1);
    EXPECT_EQ(currentJob, running);
    EXPECT_TRUE(FetchRunning());
    SetGate(true);
}

TEST_F(MainWindowTest, ManualRefreshLeavesTheCountAlone) {
    CreateAndSettle();
    Tick(5);
    logic.OnCommand(window, IDM_UPDATE_NOW, 0);
    EXPECT_EQ(tickCount, 5);
    WaitForFetch();
    EXPECT_EQ(sharedLog.Count(kLampInvalidation), 2);
}

TEST_F(MainWindowTest, ZeroIntervalRefreshesOnEveryTick) {
    settings.intervalTicks = 0;
    CreateAndSettle();
    Tick();
    EXPECT_EQ(tickCount, 0);
    WaitForFetch();
    Tick();
    WaitForFetch();
    EXPECT_EQ(sharedLog.Count("Invalidate all keep"), 2);
    EXPECT_EQ(sharedLog.Count(kLampInvalidation), 4);
}

TEST_F(MainWindowTest, ClockIsDrawnWhenTheCountIsAMultipleOfEightZeroIncluded) {
    settings.intervalTicks = 10;
    CreateAndSettle();
    std::vector<int> clockTicks;
    for (int tick = 1; tick <= 22; ++tick) {
        const int before = sharedLog.Count("GetCanvas");
        Tick();
        WaitForFetch();
        if (sharedLog.Count("GetCanvas") > before) {
            clockTicks.push_back(tick);
        }
    }
    // Counts 8, 0 (after the refresh on tick 11), 8, 0 again.
    EXPECT_EQ(clockTicks, (std::vector<int>{8, 11, 19, 22}));
    // The clock is drawn on the canvas the window handed out.
    EXPECT_GT(sharedLog.Count("client: Line"), 0);
}

class TickerStepTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        std::strcpy(weatherState.today.text, "Sunny and warm today.");
        weatherState.today.length = 21;
        std::strcpy(weatherState.outlook.text, "Rain later this week.");
        weatherState.outlook.length = 21;
        weatherState.today.position = 3;
        weatherState.outlook.position = 7;
        CreateAndSettle();
    }
};

TEST_F(TickerStepTest, OneStepPerTickOnTheChosenTextThenTheStripIsInvalidated) {
    Tick();
    EXPECT_EQ(weatherState.today.position, 4);
    EXPECT_EQ(weatherState.outlook.position, 7);
    EXPECT_EQ(WindowCalls().back(), kTickerInvalidation);
    EXPECT_EQ(TickerWindow[0], 'n');  // "Sunny" from index 3
    settings.showOutlook = true;
    Tick();
    EXPECT_EQ(weatherState.today.position, 4);
    EXPECT_EQ(weatherState.outlook.position, 8);
}

TEST_F(TickerStepTest, FastScrollStepsTwicePerTickAndInvalidatesOnce) {
    settings.fastScroll = true;
    Tick();
    EXPECT_EQ(weatherState.today.position, 5);
    settings.showOutlook = true;
    Tick();
    EXPECT_EQ(weatherState.outlook.position, 9);
    EXPECT_EQ(weatherState.today.position, 5);
    EXPECT_EQ(sharedLog.Count(kTickerInvalidation), 2);
}

// ---- painting ----

class PaintTest : public MainWindowTest {
protected:
    // The paint canvas's own calls, in order.
    std::vector<std::string> Paint(bool busy, const Rect* repainted = nullptr) {
        // The window's first fetch job sets and clears `busy` itself.
        CreateAndSettle();
        weatherState.busy = busy;
        RecordingCanvas canvas(sharedLog, "window");
        if (repainted != nullptr) canvas.visibleArea = *repainted;
        logic.OnPaint(canvas);
        EXPECT_EQ(canvas.selectedFont(), RecordingCanvas::StockFont());
        EXPECT_EQ(canvas.selectedPen(), RecordingCanvas::StockPen());
        EXPECT_EQ(canvas.selectedBrush(), RecordingCanvas::StockBrush());
        std::vector<std::string> calls;
        for (const std::string& entry : sharedLog.Entries()) {
            if (entry.rfind("window: ", 0) == 0) {
                calls.push_back(entry.substr(8));
            }
        }
        return calls;
    }

    static int IndexOf(const std::vector<std::string>& calls, const std::string& prefix,
                       int from = 0) {
        for (int i = from; i < static_cast<int>(calls.size()); ++i) {
            if (calls[i].rfind(prefix, 0) == 0) return i;
        }
        return -1;
    }
};

TEST_F(PaintTest, TickerRepaintDrawsNoReadout) {
    // The timer's repaint covers the ticker strip only; a repaint of the
    // whole window, or one reaching a single readout row, draws them all.
    const std::vector<std::string> strip = Paint(false, &tickerRect);
    EXPECT_EQ(IndexOf(strip, "Line "), -1);
    EXPECT_NE(IndexOf(strip, "CopyFrom 0,0 170x15 to 25,5"), -1);
    RecordingCanvas row(sharedLog, "row");
    row.visibleArea = Rect{140, 38, 141, 39};
    logic.OnPaint(row);
    int lines = 0;
    for (const std::string& entry : sharedLog.Entries()) {
        lines += entry.rfind("row: Line ", 0) == 0 ? 1 : 0;
    }
    EXPECT_GT(lines, 0);
}

TEST_F(PaintTest, ReadoutsTickerLampAndCaptionsInThatOrder) {
    const std::vector<std::string> calls = Paint(true);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], "SelectFont font 13");
    EXPECT_EQ(calls[1], "SetBackgroundMode transparent");
    const int readout = IndexOf(calls, "Line ");
    const int ticker = IndexOf(calls, "CopyFrom 0,0 170x15 to 25,5");
    const int fontBack = IndexOf(calls, "SelectFont stock font", ticker);
    const int lamp = IndexOf(calls, "Rectangle 5,25,10,40 null pen brush 00DC32");
    const int caption = IndexOf(calls, "Text 15,21 Temp");
    EXPECT_LT(1, readout);
    EXPECT_LT(readout, ticker);
    EXPECT_LT(ticker, fontBack);
    ASSERT_LT(fontBack, lamp);
    ASSERT_LT(lamp, caption);
    // The lamp's brush and pen are chosen right before it and put back right after.
    EXPECT_EQ(calls[lamp - 2], "SelectBrush brush 00DC32");
    EXPECT_EQ(calls[lamp - 1], "SelectPen null pen");
    EXPECT_EQ(calls[lamp + 1], "SelectBrush stock brush");
    EXPECT_EQ(calls[lamp + 2], "SelectPen stock pen");
}

TEST_F(PaintTest, IdleLampUsesTheDarkBrush) {
    const std::vector<std::string> calls = Paint(false);
    EXPECT_GE(IndexOf(calls, "Rectangle 5,25,10,40 null pen brush 005A14"), 0);
    EXPECT_EQ(IndexOf(calls, "Rectangle 5,25,10,40 null pen brush 00DC32"), -1);
}

// ---- commands ----

TEST_F(MainWindowTest, CloseButtonClosesOnlyOnAClick) {
    CreateAndSettle();
    logic.OnCommand(window, IDC_CLOSE_BUTTON, 1);
    EXPECT_EQ(sharedLog.Count("Close"), 0);
    logic.OnCommand(window, IDC_CLOSE_BUTTON, 0);
    EXPECT_EQ(sharedLog.Count("Close"), 1);
    EXPECT_EQ(sharedLog.Count("PostQuit 0"), 1);
}

TEST_F(MainWindowTest, ChoosingATextRestartsItBehindTheGapWhateverTheNotification) {
    CreateAndSettle();
    weatherState.today.position = 12;
    weatherState.outlook.position = 30;
    logic.OnCommand(window, IDM_OUTLOOK, 1);
    EXPECT_TRUE(settings.showOutlook);
    EXPECT_EQ(weatherState.outlook.position, -20);
    EXPECT_EQ(weatherState.today.position, 12);
    weatherState.outlook.position = 30;
    logic.OnCommand(window, IDM_TODAY, 0);
    EXPECT_FALSE(settings.showOutlook);
    EXPECT_EQ(weatherState.today.position, -20);
    EXPECT_EQ(weatherState.outlook.position, 30);
    // Choosing the text already shown restarts it as well.
    weatherState.today.position = 5;
    logic.OnCommand(window, IDM_TODAY, 0);
    EXPECT_EQ(weatherState.today.position, -20);
    // Commands neither repaint nor save.
    EXPECT_TRUE(WindowCalls().empty());
    EXPECT_TRUE(store.calls.empty());
}

TEST_F(MainWindowTest, FasterDisplayTogglesBackOnTheSecondChoice) {
    CreateAndSettle();
    logic.OnCommand(window, IDM_FASTER, 0);
    EXPECT_TRUE(settings.fastScroll);
    logic.OnCommand(window, IDM_FASTER, 0);
    EXPECT_FALSE(settings.fastScroll);
}

TEST_F(MainWindowTest, PreferencesRunsTheDialogAndItsOkSavesAtOnce) {
    CreateAndSettle();
    settings.windowX = 40;
    window.dialogScript = [](DialogProcedure& dialog, fakes::FakeDialogControls& controls) {
        controls.fieldText[IDC_INTERVAL_EDIT] = "20";
        dialog.OnCommand(controls, 1, 0);
    };
    logic.OnCommand(window, IDM_PREFERENCES, 0);
    EXPECT_EQ(sharedLog.Count("RunPreferencesDialog"), 1);
    EXPECT_EQ(settings.intervalTicks, 4800);
    EXPECT_EQ(store.values["Interval"], 4800u);
    EXPECT_EQ(store.values["WinX"], 40u);
}

TEST_F(MainWindowTest, UnknownCommandsChangeNothing) {
    CreateAndSettle();
    const Settings before = settings;
    for (int id : {0, 1, 2, IDC_INTERVAL_EDIT, 40000, 40006}) {
        logic.OnCommand(window, id, 0);
    }
    EXPECT_EQ(settings.showOutlook, before.showOutlook);
    EXPECT_EQ(settings.fastScroll, before.fastScroll);
    EXPECT_EQ(settings.intervalTicks, before.intervalTicks);
    EXPECT_TRUE(WindowCalls().empty());
}

TEST_F(MainWindowTest, RightClickOpensTheMenuAtTheSignedScreenPoint) {
    CreateAndSettle();
    logic.OnRightClick(window, -150, -20);
    EXPECT_GE(sharedLog.Find("Track -150,-20"), 0);
    EXPECT_EQ(WindowCalls().back(), "DestroyMenu");
}

}  // namespace
}  // namespace tickwell
