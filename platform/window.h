// Window services: what the main window's logic asks of the window system.
//
// The logic in app/ handles the window's events (creation, timer, paint,
// commands, destruction); each back end turns its own events into those
// calls and implements the services below on top of its toolkit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/geometry.h"

namespace tickwell {

enum MenuItemFlags : std::uint32_t {
    MenuEnabled = 0,
    MenuGrayed = 1,    // disabled and drawn grey
    MenuDisabled = 2,  // can't be chosen, drawn as usual
    MenuChecked = 8,
};

// A popup menu that lives for one right-click.
class PopupMenu {
public:
    virtual ~PopupMenu() = default;
    virtual void AppendItem(const char* text, int commandId, std::uint32_t flags) = 0;
    virtual void AppendSeparator() = 0;
    // Shows the menu centred horizontally on (x, y), its top edge at y, and
    // returns once it is closed. Either mouse button chooses; the chosen
    // command reaches the window's command handler afterwards.
    virtual void Track(int x, int y) = 0;
};

// The controls of an open dialog, by control id.
class DialogControls {
public:
    virtual ~DialogControls() = default;
    virtual void SetUnsigned(int controlId, std::uint32_t value) = 0;
    // The field's text as an unsigned number: leading digits only, 0 when
    // there are none. *tooLarge tells a number beyond 32 bits.
    virtual std::uint32_t GetUnsigned(int controlId, bool* tooLarge) = 0;
    virtual void ShowNormal() = 0;
    virtual void End(int result) = 0;
    // Hands a URL (web page or mailto:) to the desktop; the result is ignored.
    virtual void OpenUrl(const char* url) = 0;
    // A drop-down list of choices (the Units dialog's): fills it with
    // `items` and selects item `selected`. A dialog without lists ignores it.
    virtual void SetChoices(int controlId, const std::vector<std::string>& items, int selected) {
        (void)controlId;
        (void)items;
        (void)selected;
    }
    // The selected item's index; -1 when none is (or there is no such list).
    virtual int GetChoice(int controlId) {
        (void)controlId;
        return -1;
    }
};

// The logic of a modal dialog, called by the back end for its events.
class DialogProcedure {
public:
    virtual ~DialogProcedure() = default;
    virtual bool OnInit(DialogControls& controls) = 0;
    // A command from a control: its id and notification code.
    virtual void OnCommand(DialogControls& controls, int controlId, int notification) = 0;
};

// The controls of the open Location dialog: a search field, a list of
// matching stations, OK and Cancel. While the field has the focus, the Up
// and Down keys move the list's highlight (the back end does that itself).
class LocationControls {
public:
    virtual ~LocationControls() = default;
    // The search field's text, UTF-8.
    virtual std::string QueryText() = 0;
    // Replaces the list's lines; none is highlighted afterwards.
    virtual void SetMatchLines(const std::vector<std::string>& lines) = 0;
    // The highlighted line's index, or -1 when none is.
    virtual int HighlightedLine() = 0;
    virtual void End(int result) = 0;
};

// The logic of the Location dialog, called by the back end for its events.
class LocationProcedure {
public:
    virtual ~LocationProcedure() = default;
    virtual void OnInit(LocationControls& controls) = 0;
    // The search field's text changed (every key typed).
    virtual void OnQueryChanged(LocationControls& controls) = 0;
    // OK, Enter, or a double click on a line.
    virtual void OnOk(LocationControls& controls) = 0;
    // Cancel, Escape or the caption's close box.
    virtual void OnCancel(LocationControls& controls) = 0;
};

// The main window as its logic sees it. Only Invalidate may be called from
// another thread (the fetch job's), also after the window is gone.
class WindowServices {
public:
    virtual ~WindowServices() = default;
    // Marks `area` (null: the whole client area) for repainting.
    virtual void Invalidate(const Rect* area, bool eraseBackground) = 0;

    virtual void CreateCloseButton(const Rect& bounds, int controlId) = 0;
    // Starts a periodic timer; returns its id (0 on failure).
    virtual std::uintptr_t StartTimer(std::uintptr_t id, std::uint32_t periodMs) = 0;
    virtual void StopTimer(std::uintptr_t id) = 0;
    // A canvas on the client area for drawing outside a paint; released
    // when the canvas is destroyed.
    virtual std::unique_ptr<Canvas> GetCanvas() = 0;
    // Screen position of the window's top-left corner.
    virtual Point ScreenPosition() = 0;
    // Asks the window to close, as its close box would.
    virtual void Close() = 0;
    // Ends the message loop with `exitCode`.
    virtual void PostQuit(int exitCode) = 0;

    virtual std::unique_ptr<PopupMenu> CreatePopupMenu() = 0;
    // Runs the Preferences dialog modally, owned by this window; returns the
    // result the procedure ended it with.
    virtual int RunPreferencesDialog(DialogProcedure& procedure) = 0;
    // Runs the Location dialog modally, owned by this window; returns the
    // result the procedure ended it with.
    virtual int RunLocationDialog(LocationProcedure& procedure) = 0;
    // Runs the Units dialog (live builds) modally, owned by this window;
    // returns the result the procedure ended it with (2, Cancel, where there
    // is none).
    virtual int RunUnitsDialog(DialogProcedure& procedure) {
        (void)procedure;
        return 2;
    }
};

// What the main window's logic receives from the back end, in the order a
// run meets them: the creation first, the destruction last.
class WindowHandlers {
public:
    virtual ~WindowHandlers() = default;
    // The window exists but is not shown yet.
    virtual void OnCreate(WindowServices& window) = 0;
    virtual void OnTimer(WindowServices& window) = 0;
    virtual void OnPaint(Canvas& canvas) = 0;
    // A right-click at screen coordinates.
    virtual void OnRightClick(WindowServices& window, int screenX, int screenY) = 0;
    // A command (a menu item, the close button) with its notification code.
    virtual void OnCommand(WindowServices& window, int commandId, int notification) = 0;
    // The session ends (log-off, shut-down): the process may be ended as
    // soon as this returns, with no destruction of the window to follow.
    virtual void OnEndSession(WindowServices& window) = 0;
    // The window is going; nothing follows.
    virtual void OnDestroy(WindowServices& window) = 0;
};

// The desktop as start-up sees it.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual Graphics& GetGraphics() = 0;
    virtual void InitCommonControls() = 0;
    virtual bool RegisterWindowClass() = 0;
    virtual Point ScreenSize() = 0;
    // Creates the main window; handlers.OnCreate runs before this returns.
    // Returns null on failure.
    virtual WindowServices* CreateMainWindow(int x, int y, int width, int height,
                                             WindowHandlers& handlers) = 0;
    // Shows the window and invalidates all of it, background included.
    virtual void ShowMainWindow() = 0;
    // Runs until the quit message; returns its exit code.
    virtual int RunMessageLoop() = 0;
    // An error box without owner: caption string 2, text string `textId`.
    virtual void ShowErrorBox(int textId) = 0;
};

}  // namespace tickwell
