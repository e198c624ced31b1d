// The desktop of the Linux program: FLTK on X11.
#pragma once

#include <memory>

#include "platform/window.h"

namespace tickwell::linux_gui {

// Declared only, to keep the X11 headers (and their macros, such as None)
// out of the programs' sources.
class FltkGraphics;
class FltkWindowServices;

class FltkDesktop : public Desktop {
public:
    FltkDesktop();
    ~FltkDesktop() override;
    FltkDesktop(const FltkDesktop&) = delete;
    FltkDesktop& operator=(const FltkDesktop&) = delete;

    Graphics& GetGraphics() override;
    // The toolkit's controls need no set-up.
    void InitCommonControls() override {}
    // There is no window class to register; what can fail here is the
    // connection to the X server.
    bool RegisterWindowClass() override;
    Point ScreenSize() override;
    WindowServices* CreateMainWindow(int x, int y, int width, int height,
                                     WindowHandlers& handlers) override;
    void ShowMainWindow() override;
    int RunMessageLoop() override;
    // An error box titled "Tickwell Error"; without a display, the same
    // text on standard error.
    void ShowErrorBox(int textId) override;

private:
    // The scale the window is drawn at, decided on the first call, once the
    // settings are loaded (start-up loads them before it asks the desktop
    // for the screen or a window).
    int Scale();

    std::unique_ptr<FltkGraphics> graphics_;
    int scale_ = 0;
    // Never deleted: the fetch thread may still invalidate the window while
    // the process ends.
    FltkWindowServices* window_ = nullptr;
};

}  // namespace tickwell::linux_gui
