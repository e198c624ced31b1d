// Fakes of the window seams (WindowServices, PopupMenu, DialogControls,
// Desktop) and of the drawing seam, which record every call in one log in
// the order it happened, plus an HTTP library that never reaches a server.
//
// Log entries are plain text, for example "Invalidate all erase",
// "StartTimer 1 250", "window: SelectFont font 13", "AppendItem &Update now
// 40004 2". Canvas entries name the canvas they were made on: "window" (the
// paint canvas a test hands in), "client" (from GetCanvas), "memory" (from
// CreateCompatibleCanvas) and "display" (from OpenDisplayCanvas).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/http.h"
#include "platform/window.h"

namespace tickwell::fakes {

// A thread-safe list of calls: the fetch job invalidates from its thread.
class CallLog {
public:
    void Add(const std::string& entry);
    std::vector<std::string> Entries() const;
    void Clear();
    // How many entries start with `prefix`.
    int Count(const std::string& prefix) const;
    // The index of the first entry at or after `from` that starts with
    // `prefix`, or -1.
    int Find(const std::string& prefix, int from = 0) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

// A drawing object that knows its name, e.g. "brush 00DC32" or "null pen".
class NamedPen : public Pen {
public:
    explicit NamedPen(std::string name);
    ~NamedPen() override;
    std::string name;
};
class NamedBrush : public Brush {
public:
    explicit NamedBrush(std::string name);
    ~NamedBrush() override;
    std::string name;
};
class NamedFont : public Font {
public:
    explicit NamedFont(std::string name);
    ~NamedFont() override;
    std::string name;
};
class NamedBitmap : public Bitmap {
public:
    explicit NamedBitmap(std::string name);
    ~NamedBitmap() override;
    std::string name;
};

// The name of any object made by FakeGraphics or a RecordingCanvas;
// "none" for null.
std::string NameOf(const GraphicsObject* object);
// Objects made and not yet deleted, stock objects excluded.
int LiveNamedObjects();
// The names of the named objects deleted so far, in order.
std::vector<std::string> DeletedNamedObjects();

// A canvas that draws nothing and logs every call, tracking what is
// selected the way a device context does.
class RecordingCanvas : public Canvas {
public:
    RecordingCanvas(CallLog& log, std::string name);

    Pen* SelectPen(Pen* pen) override;
    Brush* SelectBrush(Brush* brush) override;
    Font* SelectFont(Font* font) override;
    Bitmap* SelectBitmap(Bitmap* bitmap) override;
    BackgroundMode SetBackgroundMode(BackgroundMode mode) override;
    Color SetTextColor(Color color) override;
    void Line(int fromX, int fromY, int toX, int toY) override;
    void Ellipse(const Rect& box) override;
    void Rectangle(const Rect& box) override;
    void Text(int x, int y, const char* text) override;
    void TextLine(const Rect& box, const char* text) override;
    int CharWidth(char character) override;
    bool RectVisible(const Rect& box) const override;
    std::unique_ptr<Canvas> CreateCompatibleCanvas() override;
    Bitmap* CreateCompatibleBitmap(int width, int height) override;
    void CopyFrom(const Canvas& source, int sourceX, int sourceY, int width, int height, int x,
                  int y) override;

    Pen* selectedPen() const { return pen_; }
    Brush* selectedBrush() const { return brush_; }
    Font* selectedFont() const { return font_; }
    // The canvas's own defaults, shared by all canvases.
    static Pen* StockPen();
    static Brush* StockBrush();
    static Font* StockFont();
    static Bitmap* StockBitmap();

    // Width every character reports; 8 unless a test changes it.
    static int charWidth;
    // The part being repainted, as RectVisible reports it: all unless a
    // test limits it.
    Rect visibleArea{-(1 << 20), -(1 << 20), 1 << 20, 1 << 20};

private:
    void Log(const std::string& entry);

    CallLog& log_;
    std::string name_;
    Pen* pen_;
    Brush* brush_;
    Font* font_;
    Bitmap* bitmap_;
};

class FakeGraphics : public Graphics {
public:
    explicit FakeGraphics(CallLog& log) : log_(log) {}
    // Names: "pen RRGGBB" style hex of the colour value (0x00BBGGRR as
    // written), "brush 00DC32", "font 13" (the cell height), "null pen".
    Pen* CreatePen(Color color) override;
    Brush* CreateSolidBrush(Color color) override;
    Font* CreateFixedFont(const FontAttributes& attributes) override;
    Pen* NullPen() override;
    std::unique_ptr<Canvas> OpenDisplayCanvas() override;

private:
    CallLog& log_;
};

struct MenuItem {
    std::string text;  // empty for a separator
    int commandId = 0;
    std::uint32_t flags = 0;
    bool separator = false;
};

class FakePopupMenu : public PopupMenu {
public:
    FakePopupMenu(CallLog& log, std::vector<MenuItem>& items) : log_(log), items_(items) {}
    ~FakePopupMenu() override;
    void AppendItem(const char* text, int commandId, std::uint32_t flags) override;
    void AppendSeparator() override;
    void Track(int x, int y) override;

private:
    CallLog& log_;
    std::vector<MenuItem>& items_;
};

// The controls of the Preferences dialog: the edit field's text, read back
// as a number the way the back ends do.
class FakeDialogControls : public DialogControls {
public:
    explicit FakeDialogControls(CallLog& log) : log_(log) {}
    void SetUnsigned(int controlId, std::uint32_t value) override;
    std::uint32_t GetUnsigned(int controlId, bool* tooLarge) override;
    void ShowNormal() override;
    void End(int result) override;
    void OpenUrl(const char* url) override;
    // Logs "SetChoices id N selected" and keeps the list.
    void SetChoices(int controlId, const std::vector<std::string>& items, int selected) override;
    int GetChoice(int controlId) override;

    std::map<int, std::string> fieldText;
    // Each drop-down list's items and selected index, which a test sets as
    // the user would.
    std::map<int, std::vector<std::string>> choiceItems;
    std::map<int, int> choice;
    int result = 0;
    bool ended = false;

private:
    CallLog& log_;
};

// The controls of the Location dialog: the field's text, the list's lines
// and its highlight, which a test sets as the user's keys would.
class FakeLocationControls : public LocationControls {
public:
    explicit FakeLocationControls(CallLog& log) : log_(log) {}
    std::string QueryText() override;
    // Logs "SetMatchLines N" and takes the lines, with none highlighted.
    void SetMatchLines(const std::vector<std::string>& lines) override;
    int HighlightedLine() override;
    void End(int result) override;

    // Puts `text` in the field and reports the change, as typing does.
    void Type(LocationProcedure& procedure, const std::string& text);

    std::string query;
    std::vector<std::string> lines;
    int highlighted = -1;
    int result = 0;
    bool ended = false;

private:
    CallLog& log_;
};

class FakeWindow : public WindowServices {
public:
    explicit FakeWindow(CallLog& log) : log_(log) {}

    void Invalidate(const Rect* area, bool eraseBackground) override;
    void CreateCloseButton(const Rect& bounds, int controlId) override;
    std::uintptr_t StartTimer(std::uintptr_t id, std::uint32_t periodMs) override;
    void StopTimer(std::uintptr_t id) override;
    std::unique_ptr<Canvas> GetCanvas() override;
    Point ScreenPosition() override;
    // Logs the request and, as a real window does, destroys the window
    // through the handlers when they are known.
    void Close() override;
    void PostQuit(int exitCode) override;
    std::unique_ptr<PopupMenu> CreatePopupMenu() override;
    // Runs `procedure` like a modal dialog: OnInit, then `dialogScript`
    // (which plays the user), and returns the result the procedure ended
    // it with.
    int RunPreferencesDialog(DialogProcedure& procedure) override;
    // Runs `procedure` like the modal Location dialog: OnInit, then
    // `locationScript` (which plays the user), and returns the result the
    // procedure ended it with (2, Cancel, when it did not end it).
    int RunLocationDialog(LocationProcedure& procedure) override;
    // As RunPreferencesDialog, logged as "RunUnitsDialog".
    int RunUnitsDialog(DialogProcedure& procedure) override;

    WindowHandlers* handlers = nullptr;
    Point position{0, 0};
    std::uintptr_t timerIdToReturn = 77;
    int quitCode = -1;
    bool destroyed = false;
    // Items of the last menu, as appended.
    std::vector<MenuItem> menuItems;
    std::function<void(DialogProcedure&, FakeDialogControls&)> dialogScript;
    // The controls of the last dialog run.
    std::unique_ptr<FakeDialogControls> lastDialog;
    std::function<void(LocationProcedure&, FakeLocationControls&)> locationScript;
    std::unique_ptr<FakeLocationControls> lastLocationDialog;

private:
    CallLog& log_;
};

class FakeDesktop : public Desktop {
public:
    explicit FakeDesktop(CallLog& log) : log_(log), graphics_(log), window_(log) {}

    Graphics& GetGraphics() override { return graphics_; }
    void InitCommonControls() override;
    bool RegisterWindowClass() override;
    Point ScreenSize() override;
    WindowServices* CreateMainWindow(int x, int y, int width, int height,
                                     WindowHandlers& handlers) override;
    void ShowMainWindow() override;
    // Runs `loopScript` (default: closes the window), then returns the
    // quit code.
    int RunMessageLoop() override;
    void ShowErrorBox(int textId) override;

    FakeWindow& window() { return window_; }

    bool registerFails = false;
    bool createFails = false;
    Point screen{800, 600};
    std::function<void(FakeWindow&, WindowHandlers&)> loopScript;

private:
    CallLog& log_;
    FakeGraphics graphics_;
    FakeWindow window_;
};

// An HTTP library that can be told where to fail; requests never open, so
// a fetch job started against it fails every attempt without a network.
class OfflineInternet : public platform::Internet {
public:
    bool CanConnect(const char* host, std::uint16_t port) override;
    platform::HttpSession* OpenSession(const char* userAgent) override;

    bool canConnect = true;
    bool sessionOpens = true;
    bool connectionOpens = true;
    int sessionsOpen = 0;
    int connectionsOpen = 0;
};

}  // namespace tickwell::fakes
