#include "app/context_menu.h"

#include <memory>

#include "app/alert_notifications.h"
#include "app/station_choice.h"
#include "app/unit_choice.h"
#include "fetch/fetch_job.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"

namespace tickwell {

namespace {

std::uint32_t CheckedIf(bool condition) {
    return condition ? MenuChecked : MenuEnabled;
}

}  // namespace

void ShowContextMenu(WindowServices& window, int x, int y) {
    std::unique_ptr<PopupMenu> menu = window.CreatePopupMenu();
    if (!menu) {
        return;
    }
    menu->AppendItem("&Today's Forecast", IDM_TODAY, CheckedIf(!settings.showOutlook));
    menu->AppendItem("&Outlook Forecast", IDM_OUTLOOK, CheckedIf(settings.showOutlook));
    menu->AppendItem("&Faster Display", IDM_FASTER, CheckedIf(settings.fastScroll));
    menu->AppendSeparator();
    // "Update now" can't be chosen while a job still works. It stays drawn
    // as usual rather than greyed, so the menu does not flicker between
    // states.
    menu->AppendItem("&Update now", IDM_UPDATE_NOW, FetchIsRunning() ? MenuDisabled : MenuEnabled);
    menu->AppendItem("&Preferences...", IDM_PREFERENCES, MenuEnabled);
    // Only the live source can change its station; the classic build keeps
    // its six items.
    if (StationChoiceOffered()) {
        menu->AppendSeparator();
        menu->AppendItem("&Location...", IDM_LOCATION, MenuEnabled);
    }
    if (UnitsChoiceOffered()) {
        menu->AppendItem("U&nits...", IDM_UNITS, MenuEnabled);
    }
    if (AlertNotificationsOffered()) {
        menu->AppendItem("&Alert notifications", IDM_ALERT_NOTIFICATIONS,
                         CheckedIf(AlertNotificationsOn()));
    }
    menu->Track(x, y);
}

}  // namespace tickwell
