// The context menu as a Windows popup menu.
#pragma once

#include <windows.h>

#include "platform/window.h"

namespace tickwell::win32 {

// Menu flags of the window seam as AppendMenuA flags (MF_STRING plus
// MF_CHECKED, MF_DISABLED or MF_GRAYED).
UINT MenuFlagsFor(std::uint32_t flags);

class Win32PopupMenu : public PopupMenu {
public:
    explicit Win32PopupMenu(HWND owner);
    ~Win32PopupMenu() override;
    Win32PopupMenu(const Win32PopupMenu&) = delete;
    Win32PopupMenu& operator=(const Win32PopupMenu&) = delete;

    void AppendItem(const char* text, int commandId, std::uint32_t flags) override;
    void AppendSeparator() override;
    void Track(int x, int y) override;

private:
    HWND owner_;
    HMENU menu_;
};

}  // namespace tickwell::win32
