#include "app/main_window.h"

#include "app/alert_notifications.h"
#include "app/context_menu.h"
#include "app/location_dialog.h"
#include "app/preferences_dialog.h"
#include "app/refresh_events.h"
#include "app/station_choice.h"
#include "app/unit_choice.h"
#include "app/units_dialog.h"
#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "display/ticker.h"
#include "fetch/fetch_job.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"

namespace tickwell {

std::int32_t tickCount = 0;
std::uintptr_t timerId = 0;
Brush* lampBusyBrush = nullptr;
Brush* lampIdleBrush = nullptr;

namespace {

// The clock is redrawn on every eighth tick, that is every two seconds.
constexpr std::int32_t kClockEveryTicks = 8;

ScrollText& ChosenText() {
    return settings.showOutlook ? weatherState.outlook : weatherState.today;
}

// Runs the Location dialog and takes its choice; only the live source,
// which installs a station handler, can change its station.
void ChooseLocation(WindowServices& window) {
    if (!StationChoiceOffered()) {
        return;
    }
    LocationDialog dialog(live::DistancesInKilometres(ChosenUnits()) ? places::Distance::Kilometres
                                                                     : places::Distance::Miles);
    if (window.RunLocationDialog(dialog) == kLocationOk) {
        ChooseStation(window, dialog.chosenStation(), dialog.chosenPlace());
    }
}

// Runs the Units dialog and takes its choice; only the live source, which
// installs a units handler, makes its pages in the user's units.
void ChooseUnitsInDialog(WindowServices& window) {
    if (!UnitsChoiceOffered()) {
        return;
    }
    UnitsDialog dialog(ChosenUnits());
    if (window.RunUnitsDialog(dialog) == kUnitsOk) {
        ChooseUnits(window, dialog.chosen());
    }
}

}  // namespace

MainWindowLogic::MainWindowLogic(Graphics& graphics, SettingsStore& store)
    : graphics_(graphics), store_(store) {}

void MainWindowLogic::OnCreate(WindowServices& window) {
    // The first fetch job invalidates the window, so it must be reachable
    // before that job starts.
    mainWindow = &window;
    window.CreateCloseButton(kCloseButtonBounds, IDC_CLOSE_BUTTON);
    StartFetch();
    timerId = window.StartTimer(kTimerId, kTimerPeriodMs);
    window.Invalidate(nullptr, true);
    lampBusyBrush = graphics_.CreateSolidBrush(kLampBusyColor);
    lampIdleBrush = graphics_.CreateSolidBrush(kLampIdleColor);
}

void MainWindowLogic::OnDestroy(WindowServices& window) {
    const Point position = window.ScreenPosition();
    settings.windowX = position.x;
    settings.windowY = position.y;
    window.StopTimer(timerId);
    delete lampBusyBrush;
    delete lampIdleBrush;
    lampBusyBrush = nullptr;
    lampIdleBrush = nullptr;
    window.PostQuit(0);
}

void MainWindowLogic::OnEndSession(WindowServices& window) {
    const Point position = window.ScreenPosition();
    settings.windowX = position.x;
    settings.windowY = position.y;
    SaveSettings(store_);
}

void MainWindowLogic::OnTimer(WindowServices& window) {
    // Before the ticker steps, so it never takes up text a job stored for
    // a station the user has just left.
    FinishStationSwitch(window);
    FinishUnitsSwitch(window);
    DeliverAlertNotifications();
    // Woken from sleep, or the network back: the regular refresh then
    // counts its interval from this one.
    if (StartEventRefresh(std::chrono::steady_clock::now())) {
        window.Invalidate(nullptr, false);
        tickCount = 0;
    }
    tickCount += 1;
    if (tickCount > settings.intervalTicks) {
        // StartFetch refuses while a job still runs; the count restarts
        // all the same, so the next attempt comes a whole interval later.
        StartFetch();
        window.Invalidate(nullptr, false);
        tickCount = 0;
    }
    if (tickCount % kClockEveryTicks == 0) {
        std::unique_ptr<Canvas> canvas = window.GetCanvas();
        if (canvas) {
            DrawClock(*canvas);
        }
    }
    // The text is chosen before each step, in case the choice changed.
    TickerStep(ChosenText());
    if (settings.fastScroll) {
        TickerStep(ChosenText());
    }
    window.Invalidate(&tickerRect, false);
}

void MainWindowLogic::OnPaint(Canvas& canvas) {
    HideStaleWeather();
    HideWeatherInOldUnits();
    Font* previousFont = canvas.SelectFont(tickerFont);
    canvas.SetBackgroundMode(BackgroundMode::Transparent);
    DrawReadouts(canvas);
    DrawTicker(canvas);
    canvas.SelectFont(previousFont);
    DrawLamp(canvas);
    DrawCaptions(canvas);
}

void MainWindowLogic::DrawLamp(Canvas& canvas) {
    Brush* previousBrush = canvas.SelectBrush(weatherState.busy ? lampBusyBrush : lampIdleBrush);
    Pen* previousPen = canvas.SelectPen(graphics_.NullPen());
    canvas.Rectangle(lampRect);
    canvas.SelectBrush(previousBrush);
    canvas.SelectPen(previousPen);
}

void MainWindowLogic::OnRightClick(WindowServices& window, int screenX, int screenY) {
    ShowContextMenu(window, screenX, screenY);
}

void MainWindowLogic::OnCommand(WindowServices& window, int commandId, int notification) {
    switch (commandId) {
        case IDC_CLOSE_BUTTON:
            if (notification == 0) {
                window.Close();
            }
            break;
        case IDM_TODAY:
            settings.showOutlook = false;
            weatherState.today.position = kScrollStart;
            break;
        case IDM_OUTLOOK:
            settings.showOutlook = true;
            weatherState.outlook.position = kScrollStart;
            break;
        case IDM_PREFERENCES: {
            PreferencesDialog dialog(store_);
            window.RunPreferencesDialog(dialog);
            break;
        }
        case IDM_UPDATE_NOW: StartFetch(); break;
        case IDM_FASTER: settings.fastScroll = !settings.fastScroll; break;
        case IDM_LOCATION: ChooseLocation(window); break;
        case IDM_UNITS: ChooseUnitsInDialog(window); break;
        case IDM_ALERT_NOTIFICATIONS: ToggleAlertNotifications(); break;
        default: break;
    }
}

}  // namespace tickwell
