#include "platform/win32/gui/popup_menu.h"

namespace tickwell::win32 {

UINT MenuFlagsFor(std::uint32_t flags) {
    UINT result = MF_STRING;
    if (flags & MenuChecked) result |= MF_CHECKED;
    if (flags & MenuDisabled) result |= MF_DISABLED;
    if (flags & MenuGrayed) result |= MF_GRAYED;
    return result;
}

Win32PopupMenu::Win32PopupMenu(HWND owner) : owner_(owner), menu_(::CreatePopupMenu()) {}

Win32PopupMenu::~Win32PopupMenu() {
    if (menu_ != nullptr) ::DestroyMenu(menu_);
}

void Win32PopupMenu::AppendItem(const char* text, int commandId, std::uint32_t flags) {
    ::AppendMenuA(menu_, MenuFlagsFor(flags), static_cast<UINT_PTR>(commandId), text);
}

void Win32PopupMenu::AppendSeparator() {
    ::AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr);
}

void Win32PopupMenu::Track(int x, int y) {
    // Centred on x, top edge at y, either button chooses; the command comes
    // to the owner as WM_COMMAND after the menu closes.
    ::TrackPopupMenuEx(menu_, TPM_CENTERALIGN | TPM_RIGHTBUTTON, x, y, owner_, nullptr);
}

}  // namespace tickwell::win32
