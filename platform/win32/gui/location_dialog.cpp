#include "platform/win32/gui/location_dialog.h"

#include <commctrl.h>

#include "platform/win32/gui/module_instance.h"
#include "resources/resource_ids.h"

namespace tickwell::win32 {

namespace {

// The subclass of the search field, which hands Up and Down to the list.
constexpr UINT_PTR kQuerySubclassId = 1;

LocationProcedure* ProcedureOf(HWND dialog) {
    return reinterpret_cast<LocationProcedure*>(::GetWindowLongPtrW(dialog, DWLP_USER));
}

// Moves the list's highlight by `step` lines and tells the dialog, as a
// click on the line would.
void MoveListHighlight(HWND dialog, int step) {
    HWND list = ::GetDlgItem(dialog, IDC_LOCATION_LIST);
    const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    const int current = static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
    const int moved = MovedHighlight(current, count, step);
    if (moved >= 0) ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(moved), 0);
}

// The search field keeps every key but Up and Down, which move the list's
// highlight while the typing goes on in the field.
LRESULT CALLBACK QueryFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_UP || wParam == VK_DOWN) {
                MoveListHighlight(::GetParent(field), wParam == VK_UP ? -1 : 1);
                return 0;
            }
            break;
        case WM_NCDESTROY: ::RemoveWindowSubclass(field, QueryFieldProc, kQuerySubclassId); break;
        default: break;
    }
    return ::DefSubclassProc(field, message, wParam, lParam);
}

void OnCommand(HWND dialog, LocationProcedure& procedure, int controlId, int notification) {
    Win32LocationControls controls(dialog);
    if (controlId == IDC_LOCATION_QUERY && notification == EN_CHANGE) {
        procedure.OnQueryChanged(controls);
    } else if (controlId == IDOK ||
               (controlId == IDC_LOCATION_LIST && notification == LBN_DBLCLK)) {
        procedure.OnOk(controls);
    } else if (controlId == IDCANCEL) {
        procedure.OnCancel(controls);
    }
}

// The procedure comes as the creation parameter and stays in the dialog's
// user word; messages before WM_INITDIALOG find none and get the default.
INT_PTR CALLBACK LocationDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        HWND field = ::GetDlgItem(dialog, IDC_LOCATION_QUERY);
        ::SetWindowSubclass(field, QueryFieldProc, kQuerySubclassId, 0);
        Win32LocationControls controls(dialog);
        reinterpret_cast<LocationProcedure*>(lParam)->OnInit(controls);
        ::SetFocus(field);
        return FALSE;  // the focus is set
    }
    LocationProcedure* procedure = ProcedureOf(dialog);
    if (procedure == nullptr || message != WM_COMMAND) return FALSE;
    OnCommand(dialog, *procedure, LOWORD(wParam), HIWORD(wParam));
    return TRUE;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          length);
    return wide;
}

std::string Utf8FromWide(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                          length, nullptr, nullptr);
    return narrow;
}

int MovedHighlight(int current, int count, int step) {
    if (count <= 0) return -1;
    if (current < 0 || current >= count) return 0;
    const int moved = current + step;
    if (moved < 0) return 0;
    if (moved >= count) return count - 1;
    return moved;
}

std::string Win32LocationControls::QueryText() {
    HWND field = ::GetDlgItem(dialog_, IDC_LOCATION_QUERY);
    const int length = ::GetWindowTextLengthW(field);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(field, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return Utf8FromWide(text);
}

void Win32LocationControls::SetMatchLines(const std::vector<std::string>& lines) {
    HWND list = ::GetDlgItem(dialog_, IDC_LOCATION_LIST);
    // One repaint for the whole change instead of one a line.
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : lines) {
        const std::wstring wide = WideFromUtf8(line);
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

int Win32LocationControls::HighlightedLine() {
    const LRESULT index = ::SendDlgItemMessageW(dialog_, IDC_LOCATION_LIST, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void Win32LocationControls::End(int result) {
    ::EndDialog(dialog_, result);
}

int RunLocationDialog(HWND owner, LocationProcedure& procedure) {
    const INT_PTR result =
        ::DialogBoxParamW(moduleInstance, MAKEINTRESOURCEW(IDD_LOCATION), owner, LocationDialogProc,
                          reinterpret_cast<LPARAM>(&procedure));
    return static_cast<int>(result);
}

}  // namespace tickwell::win32
