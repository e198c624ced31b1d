// The Preferences dialog from dialog template 101, and the live builds'
// Units dialog from template 103, run modally.
#pragma once

#include <windows.h>

#include "platform/window.h"

namespace tickwell::win32 {

// The up-down control's range. Without one it keeps the common controls'
// default of 100 down to 0, so that its up arrow lowers the number; this
// range makes up raise it and keeps it within the minutes the dialog accepts.
constexpr int kSpinMinimum = 1;
constexpr int kSpinMaximum = 136;

// The dialog's controls, by id, for the dialog's logic.
class Win32DialogControls : public DialogControls {
public:
    explicit Win32DialogControls(HWND dialog) : dialog_(dialog) {}

    void SetUnsigned(int controlId, std::uint32_t value) override;
    std::uint32_t GetUnsigned(int controlId, bool* tooLarge) override;
    void ShowNormal() override;
    void End(int result) override;
    void OpenUrl(const char* url) override;
    void SetChoices(int controlId, const std::vector<std::string>& items, int selected) override;
    int GetChoice(int controlId) override;

private:
    HWND dialog_;
};

// Runs the dialog owned by `owner` until `procedure` ends it; returns the
// result it ended with (-1 when the dialog could not be created).
int RunPreferencesDialog(HWND owner, DialogProcedure& procedure);
// The Units dialog (template 103), run the same way.
int RunUnitsDialog(HWND owner, DialogProcedure& procedure);

}  // namespace tickwell::win32
