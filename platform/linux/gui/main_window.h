// The main window on FLTK: a 200x45 undecorated, always-on-top utility
// window with a one-pixel black border, a retained back buffer for its
// 198x43 client area, the close button, dragging, the right-click menu and
// the 250 ms timer. At a scale of 2 or 3 the window is that many times
// larger and shows the same 1x picture with every pixel enlarged.
#pragma once

#include <FL/Fl_Window.H>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/linux/gui/fltk_graphics.h"
#include "platform/window.h"

namespace tickwell::linux_gui {

// The window's border, and the client area inside it.
constexpr int kBorder = 1;
constexpr Color kBorderColor = 0x000000;
// The stock gray brush the window's background is erased with.
constexpr Color kWindowBackground = 0x808080;

class FltkWindowServices;

// The FLTK widget: shows the back buffer and turns mouse events into the
// window's events.
class MainWindowWidget : public Fl_Window {
public:
    // `width` and `height` are the 1x size; the window is `scale` times it.
    MainWindowWidget(FltkWindowServices& services, int x, int y, int width, int height, int scale);

    void show() override;
    int handle(int event) override;
    void draw() override;

    // Parts of the window (window coordinates) whose back buffer changed.
    void ShowAreas(const std::vector<Rect>& areas);
    // The button and its place in the 1x picture (window coordinates).
    void SetCloseButton(Fl_Widget* button, const Rect& place);

private:
    void CopyFromBackBuffer(const Rect& area);
    void DrawEnlarged();
    void ShowEnlarged(const Rect& area);

    FltkWindowServices& services_;
    const int scale_;
    Fl_Widget* closeButton_ = nullptr;
    Rect closeButtonPlace_{};
    // At scale 2 or 3: where a part of the picture and the button over it
    // are put together at 1x before they are enlarged.
    std::unique_ptr<FltkBitmap> composed_;
    std::vector<Rect> dirty_;
    bool dragging_ = false;
    int dragOffsetX_ = 0;
    int dragOffsetY_ = 0;
};

class FltkWindowServices : public WindowServices {
public:
    // `width` and `height` are the 1x size the logic works in.
    FltkWindowServices(FltkGraphics& graphics, WindowHandlers& handlers, int x, int y, int width,
                       int height, int scale);
    ~FltkWindowServices() override;
    FltkWindowServices(const FltkWindowServices&) = delete;
    FltkWindowServices& operator=(const FltkWindowServices&) = delete;

    void Invalidate(const Rect* area, bool eraseBackground) override;
    void CreateCloseButton(const Rect& bounds, int controlId) override;
    std::uintptr_t StartTimer(std::uintptr_t id, std::uint32_t periodMs) override;
    void StopTimer(std::uintptr_t id) override;
    std::unique_ptr<Canvas> GetCanvas() override;
    Point ScreenPosition() override;
    void Close() override;
    void PostQuit(int exitCode) override;
    std::unique_ptr<PopupMenu> CreatePopupMenu() override;
    int RunPreferencesDialog(DialogProcedure& procedure) override;
    int RunLocationDialog(LocationProcedure& procedure) override;
    int RunUnitsDialog(DialogProcedure& procedure) override;

    // For the desktop and the widget.
    void Show();
    bool quitPosted() const { return quitPosted_; }
    int exitCode() const { return exitCode_; }
    Pixmap backBuffer() const { return backBuffer_->pixmap(); }
    void RightClick(int screenX, int screenY);
    void CloseRequested() { Close(); }

private:
    struct Timer {
        FltkWindowServices* owner;
        std::uintptr_t id;
        double seconds;
    };
    static void OnTimeout(void* timer);
    static void OnPaintDue(void* services);
    void PaintPending();
    Rect ClientRect() const;

    FltkGraphics& graphics_;
    WindowHandlers& handlers_;
    // Fixed at creation; kept apart from the widget, whose fields the
    // user-interface thread writes while another thread may invalidate.
    const Rect client_;
    const int scale_;
    std::unique_ptr<FltkBitmap> backBuffer_;
    MainWindowWidget* widget_;  // lives as long as this object
    std::map<std::uintptr_t, std::unique_ptr<Timer>> timers_;

    // Invalidated parts waiting for the next paint, filled by any thread.
    std::mutex pendingMutex_;
    bool paintScheduled_ = false;
    bool hasPending_ = false;
    Rect pendingClip_{};
    std::vector<Rect> pendingErase_;

    std::atomic<bool> alive_{true};
    const std::thread::id uiThread_ = std::this_thread::get_id();
    bool quitPosted_ = false;
    int exitCode_ = 0;
    int chosenCommand_ = 0;
    int closeButtonId_ = 0;
};

}  // namespace tickwell::linux_gui
