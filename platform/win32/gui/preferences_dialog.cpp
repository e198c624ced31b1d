#include "platform/win32/gui/preferences_dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/dialog_number.h"
#include "platform/win32/gui/module_instance.h"
#include "resources/resource_ids.h"

namespace tickwell::win32 {

namespace {

// The logic of the dialog that is open. The dialog is modal and its owner
// is disabled while it runs, so only one is open at a time; the creation
// parameter stays 0 as the template's users expect.
DialogProcedure* openProcedure = nullptr;

INT_PTR CALLBACK PreferencesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (openProcedure == nullptr) return FALSE;
    Win32DialogControls controls(dialog);
    switch (message) {
        case WM_INITDIALOG:
            // The Units dialog has no up-down control: the message then goes
            // nowhere.
            ::SendDlgItemMessageA(dialog, IDC_INTERVAL_SPIN, UDM_SETRANGE32, kSpinMinimum,
                                  kSpinMaximum);
            openProcedure->OnInit(controls);
            return TRUE;
        case WM_COMMAND:
            openProcedure->OnCommand(controls, LOWORD(wParam), HIWORD(wParam));
            return FALSE;
        default: return FALSE;
    }
}

}  // namespace

void Win32DialogControls::SetUnsigned(int controlId, std::uint32_t value) {
    ::SetDlgItemInt(dialog_, controlId, value, FALSE);
}

std::uint32_t Win32DialogControls::GetUnsigned(int controlId, bool* tooLarge) {
    BOOL translated = FALSE;
    const UINT value = ::GetDlgItemInt(dialog_, controlId, &translated, FALSE);
    if (translated) {
        *tooLarge = false;
        return value;
    }
    // GetDlgItemInt fails alike for an empty field, for text after the
    // digits and for a number beyond 32 bits; the text tells them apart.
    char text[64] = {};
    ::GetDlgItemTextA(dialog_, controlId, text, sizeof text);
    return ParseUnsignedField(text, tooLarge);
}

void Win32DialogControls::ShowNormal() {
    ::ShowWindow(dialog_, SW_SHOWNORMAL);
}

void Win32DialogControls::End(int result) {
    ::EndDialog(dialog_, result);
}

void Win32DialogControls::OpenUrl(const char* url) {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.lpFile = url;
    info.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExA(&info);
}

void Win32DialogControls::SetChoices(int controlId, const std::vector<std::string>& items,
                                     int selected) {
    ::SendDlgItemMessageA(dialog_, controlId, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) {
        ::SendDlgItemMessageA(dialog_, controlId, CB_ADDSTRING, 0,
                              reinterpret_cast<LPARAM>(item.c_str()));
    }
    ::SendDlgItemMessageA(dialog_, controlId, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int Win32DialogControls::GetChoice(int controlId) {
    const LRESULT index = ::SendDlgItemMessageA(dialog_, controlId, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

namespace {

int RunDialog(HWND owner, int templateId, DialogProcedure& procedure) {
    DialogProcedure* outer = openProcedure;
    openProcedure = &procedure;
    const INT_PTR result =
        ::DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(templateId), owner, PreferencesProc, 0);
    openProcedure = outer;
    return static_cast<int>(result);
}

}  // namespace

int RunPreferencesDialog(HWND owner, DialogProcedure& procedure) {
    return RunDialog(owner, IDD_PREFERENCES, procedure);
}

int RunUnitsDialog(HWND owner, DialogProcedure& procedure) {
    return RunDialog(owner, IDD_UNITS, procedure);
}

}  // namespace tickwell::win32
