#include "app/preferences_dialog.h"

#include "resources/resource_ids.h"
#include "settings/settings.h"

namespace tickwell {

namespace {

constexpr int kOkId = 1;
constexpr int kCancelId = 2;
// A button's click arrives with notification code 0.
constexpr int kClicked = 0;

// The minutes to store for what the field reads: 0 becomes 1, anything
// above 136 becomes 136. A number too large for 32 bits reads as 0 with
// `tooLarge` set; it counts as above 136, not as 0, which would have saved
// a single minute.
std::uint32_t ClampMinutes(std::uint32_t minutes, bool tooLarge) {
    if (tooLarge || minutes > kMaxMinutes) {
        return kMaxMinutes;
    }
    if (minutes < kMinMinutes) {
        return kMinMinutes;
    }
    return minutes;
}

}  // namespace

PreferencesDialog::PreferencesDialog(SettingsStore& store) : store_(store) {}

bool PreferencesDialog::OnInit(DialogControls& controls) {
    // Truncating division: 3839 ticks still show 15 minutes.
    const std::int32_t minutes = settings.intervalTicks / kTicksPerMinute;
    controls.SetUnsigned(IDC_INTERVAL_EDIT, static_cast<std::uint32_t>(minutes));
    controls.ShowNormal();
    return true;
}

void PreferencesDialog::OnCommand(DialogControls& controls, int controlId, int notification) {
    switch (controlId) {
        case kOkId:
            if (notification == kClicked) {
                Accept(controls);
            }
            break;
        case kCancelId:
            if (notification == kClicked) {
                controls.End(kCancelId);
            }
            break;
        case IDC_VISIT_WEB_PAGE: controls.OpenUrl(URL_WEB_PAGE); break;
        case IDC_SEND_EMAIL: controls.OpenUrl(URL_EMAIL); break;
        default: break;
    }
}

void PreferencesDialog::Accept(DialogControls& controls) {
    bool tooLarge = false;
    const std::uint32_t typed = controls.GetUnsigned(IDC_INTERVAL_EDIT, &tooLarge);
    const std::uint32_t minutes = ClampMinutes(typed, tooLarge);
    settings.intervalTicks = static_cast<std::int32_t>(minutes) * kTicksPerMinute;
    SaveSettings(store_);
    controls.End(kOkId);
}

}  // namespace tickwell
