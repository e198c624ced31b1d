// The Preferences dialog's logic: the refresh interval in whole minutes,
// and the two buttons that open the maker's web page and a mail to the
// maker.
#pragma once

#include <cstdint>

#include "platform/settings_store.h"
#include "platform/window.h"

namespace tickwell {

// The interval the dialog accepts, in minutes; the back ends give the
// up-down control this range, with the up arrow raising the number.
constexpr std::uint32_t kMinMinutes = 1;
constexpr std::uint32_t kMaxMinutes = 136;

class PreferencesDialog : public DialogProcedure {
public:
    explicit PreferencesDialog(SettingsStore& store);

    bool OnInit(DialogControls& controls) override;
    void OnCommand(DialogControls& controls, int controlId, int notification) override;

private:
    void Accept(DialogControls& controls);

    SettingsStore& store_;
};

}  // namespace tickwell
