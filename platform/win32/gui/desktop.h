// The Windows desktop as start-up sees it: common controls, the window
// class, the screen, the main window, the message loop and error boxes.
#pragma once

#include <windows.h>

#include "platform/win32/gui/gdi_graphics.h"
#include "platform/win32/gui/main_window.h"
#include "platform/window.h"

namespace tickwell::win32 {

class Win32Desktop : public Desktop {
public:
    Graphics& GetGraphics() override { return graphics_; }
    void InitCommonControls() override;
    bool RegisterWindowClass() override;
    Point ScreenSize() override;
    WindowServices* CreateMainWindow(int x, int y, int width, int height,
                                     WindowHandlers& handlers) override;
    void ShowMainWindow() override;
    int RunMessageLoop() override;
    void ShowErrorBox(int textId) override;

    // The scale the window is made at (1, 2 or 3), decided on the first
    // call and kept.
    int Scale();

private:
    GdiGraphics graphics_;
    int scale_ = 0;
    Win32Window* window_ = nullptr;
};

}  // namespace tickwell::win32
