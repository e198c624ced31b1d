#include "support/fake_window.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

#include "app/dialog_number.h"

namespace tickwell::fakes {

namespace {

std::atomic<int> liveObjects{0};
std::mutex deletedMutex;
std::vector<std::string> deletedObjects;

void RecordDeletion(const std::string& name) {
    std::lock_guard<std::mutex> hold(deletedMutex);
    deletedObjects.push_back(name);
}

std::string Hex(Color color) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(color));
    return text;
}

std::string RectText(const Rect& box) {
    return std::to_string(box.left) + "," + std::to_string(box.top) + "," +
           std::to_string(box.right) + "," + std::to_string(box.bottom);
}

// Stock objects live for the whole test program and are never counted.
template <typename Object>
Object* NewStock(const char* name) {
    auto* made = new Object(name);
    liveObjects -= 1;
    return made;
}

}  // namespace

void CallLog::Add(const std::string& entry) {
    std::lock_guard<std::mutex> hold(mutex_);
    entries_.push_back(entry);
}

std::vector<std::string> CallLog::Entries() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return entries_;
}

void CallLog::Clear() {
    std::lock_guard<std::mutex> hold(mutex_);
    entries_.clear();
}

int CallLog::Count(const std::string& prefix) const {
    std::lock_guard<std::mutex> hold(mutex_);
    int count = 0;
    for (const std::string& entry : entries_) {
        count += entry.rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return count;
}

int CallLog::Find(const std::string& prefix, int from) const {
    std::lock_guard<std::mutex> hold(mutex_);
    for (int i = from < 0 ? 0 : from; i < static_cast<int>(entries_.size()); ++i) {
        if (entries_[i].rfind(prefix, 0) == 0) {
            return i;
        }
    }
    return -1;
}

NamedPen::NamedPen(std::string objectName) : name(std::move(objectName)) {
    liveObjects += 1;
}
NamedPen::~NamedPen() {
    liveObjects -= 1;
    RecordDeletion(name);
}
NamedBrush::NamedBrush(std::string objectName) : name(std::move(objectName)) {
    liveObjects += 1;
}
NamedBrush::~NamedBrush() {
    liveObjects -= 1;
    RecordDeletion(name);
}
NamedFont::NamedFont(std::string objectName) : name(std::move(objectName)) {
    liveObjects += 1;
}
NamedFont::~NamedFont() {
    liveObjects -= 1;
    RecordDeletion(name);
}
NamedBitmap::NamedBitmap(std::string objectName) : name(std::move(objectName)) {
    liveObjects += 1;
}
NamedBitmap::~NamedBitmap() {
    liveObjects -= 1;
    RecordDeletion(name);
}

std::string NameOf(const GraphicsObject* object) {
    if (object == nullptr) {
        return "none";
    }
    if (const auto* pen = dynamic_cast<const NamedPen*>(object)) return pen->name;
    if (const auto* brush = dynamic_cast<const NamedBrush*>(object)) return brush->name;
    if (const auto* font = dynamic_cast<const NamedFont*>(object)) return font->name;
    if (const auto* bitmap = dynamic_cast<const NamedBitmap*>(object)) return bitmap->name;
    return "foreign";
}

int LiveNamedObjects() {
    return liveObjects;
}

std::vector<std::string> DeletedNamedObjects() {
    std::lock_guard<std::mutex> hold(deletedMutex);
    return deletedObjects;
}

int RecordingCanvas::charWidth = 8;

Pen* RecordingCanvas::StockPen() {
    static Pen* const object = NewStock<NamedPen>("stock pen");
    return object;
}
Brush* RecordingCanvas::StockBrush() {
    static Brush* const object = NewStock<NamedBrush>("stock brush");
    return object;
}
Font* RecordingCanvas::StockFont() {
    static Font* const object = NewStock<NamedFont>("stock font");
    return object;
}
Bitmap* RecordingCanvas::StockBitmap() {
    static Bitmap* const object = NewStock<NamedBitmap>("stock bitmap");
    return object;
}

RecordingCanvas::RecordingCanvas(CallLog& log, std::string name)
    : log_(log),
      name_(std::move(name)),
      pen_(StockPen()),
      brush_(StockBrush()),
      font_(StockFont()),
      bitmap_(StockBitmap()) {}

void RecordingCanvas::Log(const std::string& entry) {
    log_.Add(name_ + ": " + entry);
}

Pen* RecordingCanvas::SelectPen(Pen* pen) {
    Log("SelectPen " + NameOf(pen));
    Pen* previous = pen_;
    pen_ = pen;
    return previous;
}

Brush* RecordingCanvas::SelectBrush(Brush* brush) {
    Log("SelectBrush " + NameOf(brush));
    Brush* previous = brush_;
    brush_ = brush;
    return previous;
}

Font* RecordingCanvas::SelectFont(Font* font) {
    Log("SelectFont " + NameOf(font));
    Font* previous = font_;
    font_ = font;
    return previous;
}

Bitmap* RecordingCanvas::SelectBitmap(Bitmap* bitmap) {
    Log("SelectBitmap " + NameOf(bitmap));
    Bitmap* previous = bitmap_;
    bitmap_ = bitmap;
    return previous;
}

BackgroundMode RecordingCanvas::SetBackgroundMode(BackgroundMode mode) {
    Log(mode == BackgroundMode::Transparent ? "SetBackgroundMode transparent"
                                            : "SetBackgroundMode opaque");
    return BackgroundMode::Opaque;
}

Color RecordingCanvas::SetTextColor(Color color) {
    Log("SetTextColor " + Hex(color));
    return 0;
}

void RecordingCanvas::Line(int fromX, int fromY, int toX, int toY) {
    Log("Line " + std::to_string(fromX) + "," + std::to_string(fromY) + "," + std::to_string(toX) +
        "," + std::to_string(toY) + " " + NameOf(pen_));
}

void RecordingCanvas::Ellipse(const Rect& box) {
    Log("Ellipse " + RectText(box));
}

void RecordingCanvas::Rectangle(const Rect& box) {
    Log("Rectangle " + RectText(box) + " " + NameOf(pen_) + " " + NameOf(brush_));
}

void RecordingCanvas::Text(int x, int y, const char* text) {
    Log("Text " + std::to_string(x) + "," + std::to_string(y) + " " + text);
}

void RecordingCanvas::TextLine(const Rect& box, const char* text) {
    Log("TextLine " + RectText(box) + " " + text);
}

int RecordingCanvas::CharWidth(char) {
    return charWidth;
}

bool RecordingCanvas::RectVisible(const Rect& box) const {
    const Rect part = Intersect(box, visibleArea);
    return part.Width() > 0 && part.Height() > 0;
}

std::unique_ptr<Canvas> RecordingCanvas::CreateCompatibleCanvas() {
    Log("CreateCompatibleCanvas");
    return std::make_unique<RecordingCanvas>(log_, "memory");
}

Bitmap* RecordingCanvas::CreateCompatibleBitmap(int width, int height) {
    Log("CreateCompatibleBitmap " + std::to_string(width) + "x" + std::to_string(height));
    return new NamedBitmap("bitmap " + std::to_string(width) + "x" + std::to_string(height));
}

void RecordingCanvas::CopyFrom(const Canvas&, int sourceX, int sourceY, int width, int height,
                               int x, int y) {
    Log("CopyFrom " + std::to_string(sourceX) + "," + std::to_string(sourceY) + " " +
        std::to_string(width) + "x" + std::to_string(height) + " to " + std::to_string(x) + "," +
        std::to_string(y));
}

Pen* FakeGraphics::CreatePen(Color color) {
    log_.Add("CreatePen " + Hex(color));
    return new NamedPen("pen " + Hex(color));
}

Brush* FakeGraphics::CreateSolidBrush(Color color) {
    log_.Add("CreateSolidBrush " + Hex(color));
    return new NamedBrush("brush " + Hex(color));
}

Font* FakeGraphics::CreateFixedFont(const FontAttributes& attributes) {
    const std::string name = "font " + std::to_string(attributes.cellHeight);
    log_.Add("CreateFixedFont " + std::to_string(attributes.cellHeight));
    return new NamedFont(name);
}

Pen* FakeGraphics::NullPen() {
    static Pen* const object = NewStock<NamedPen>("null pen");
    return object;
}

std::unique_ptr<Canvas> FakeGraphics::OpenDisplayCanvas() {
    log_.Add("OpenDisplayCanvas");
    return std::make_unique<RecordingCanvas>(log_, "display");
}

FakePopupMenu::~FakePopupMenu() {
    log_.Add("DestroyMenu");
}

void FakePopupMenu::AppendItem(const char* text, int commandId, std::uint32_t flags) {
    log_.Add(std::string("AppendItem ") + text + " " + std::to_string(commandId) + " " +
             std::to_string(flags));
    items_.push_back(MenuItem{text, commandId, flags, false});
}

void FakePopupMenu::AppendSeparator() {
    log_.Add("AppendSeparator");
    items_.push_back(MenuItem{"", 0, 0, true});
}

void FakePopupMenu::Track(int x, int y) {
    log_.Add("Track " + std::to_string(x) + "," + std::to_string(y));
}

void FakeDialogControls::SetUnsigned(int controlId, std::uint32_t value) {
    log_.Add("SetUnsigned " + std::to_string(controlId) + " " + std::to_string(value));
    fieldText[controlId] = std::to_string(value);
}

std::uint32_t FakeDialogControls::GetUnsigned(int controlId, bool* tooLarge) {
    log_.Add("GetUnsigned " + std::to_string(controlId));
    return ParseUnsignedField(fieldText[controlId].c_str(), tooLarge);
}

void FakeDialogControls::ShowNormal() {
    log_.Add("ShowNormal");
}

void FakeDialogControls::End(int endResult) {
    log_.Add("End " + std::to_string(endResult));
    result = endResult;
    ended = true;
}

void FakeDialogControls::OpenUrl(const char* url) {
    log_.Add(std::string("OpenUrl ") + url);
}

void FakeWindow::Invalidate(const Rect* area, bool eraseBackground) {
    log_.Add("Invalidate " + (area == nullptr ? std::string("all") : RectText(*area)) +
             (eraseBackground ? " erase" : " keep"));
}

void FakeWindow::CreateCloseButton(const Rect& bounds, int controlId) {
    log_.Add("CreateCloseButton " + RectText(bounds) + " " + std::to_string(controlId));
}

std::uintptr_t FakeWindow::StartTimer(std::uintptr_t id, std::uint32_t periodMs) {
    log_.Add("StartTimer " + std::to_string(id) + " " + std::to_string(periodMs));
    return timerIdToReturn;
}

void FakeWindow::StopTimer(std::uintptr_t id) {
    log_.Add("StopTimer " + std::to_string(id));
}

std::unique_ptr<Canvas> FakeWindow::GetCanvas() {
    log_.Add("GetCanvas");
    return std::make_unique<RecordingCanvas>(log_, "client");
}

Point FakeWindow::ScreenPosition() {
    log_.Add("ScreenPosition");
    return position;
}

void FakeWindow::Close() {
    log_.Add("Close");
    if (handlers != nullptr && !destroyed) {
        destroyed = true;
        handlers->OnDestroy(*this);
    }
}

void FakeWindow::PostQuit(int exitCode) {
    log_.Add("PostQuit " + std::to_string(exitCode));
    quitCode = exitCode;
}

std::unique_ptr<PopupMenu> FakeWindow::CreatePopupMenu() {
    log_.Add("CreatePopupMenu");
    menuItems.clear();
    return std::make_unique<FakePopupMenu>(log_, menuItems);
}

std::string FakeLocationControls::QueryText() {
    return query;
}

void FakeLocationControls::SetMatchLines(const std::vector<std::string>& newLines) {
    log_.Add("SetMatchLines " + std::to_string(newLines.size()));
    lines = newLines;
    highlighted = -1;
}

int FakeLocationControls::HighlightedLine() {
    return highlighted;
}

void FakeLocationControls::End(int endResult) {
    log_.Add("End " + std::to_string(endResult));
    result = endResult;
    ended = true;
}

void FakeLocationControls::Type(LocationProcedure& procedure, const std::string& text) {
    query = text;
    procedure.OnQueryChanged(*this);
}

int FakeWindow::RunLocationDialog(LocationProcedure& procedure) {
    log_.Add("RunLocationDialog");
    lastLocationDialog = std::make_unique<FakeLocationControls>(log_);
    procedure.OnInit(*lastLocationDialog);
    if (locationScript) {
        locationScript(procedure, *lastLocationDialog);
    }
    return lastLocationDialog->ended ? lastLocationDialog->result : 2;
}

void FakeDialogControls::SetChoices(int controlId, const std::vector<std::string>& items,
                                    int selected) {
    log_.Add("SetChoices " + std::to_string(controlId) + " " + std::to_string(items.size()) + " " +
             std::to_string(selected));
    choiceItems[controlId] = items;
    choice[controlId] = selected;
}

int FakeDialogControls::GetChoice(int controlId) {
    const auto found = choice.find(controlId);
    return found != choice.end() ? found->second : -1;
}

int FakeWindow::RunUnitsDialog(DialogProcedure& procedure) {
    log_.Add("RunUnitsDialog");
    lastDialog = std::make_unique<FakeDialogControls>(log_);
    procedure.OnInit(*lastDialog);
    if (dialogScript) {
        dialogScript(procedure, *lastDialog);
    }
    return lastDialog->ended ? lastDialog->result : 2;
}

int FakeWindow::RunPreferencesDialog(DialogProcedure& procedure) {
    log_.Add("RunPreferencesDialog");
    lastDialog = std::make_unique<FakeDialogControls>(log_);
    const bool initialised = procedure.OnInit(*lastDialog);
    log_.Add(initialised ? "OnInit true" : "OnInit false");
    if (dialogScript) {
        dialogScript(procedure, *lastDialog);
    }
    return lastDialog->result;
}

void FakeDesktop::InitCommonControls() {
    log_.Add("InitCommonControls");
}

bool FakeDesktop::RegisterWindowClass() {
    log_.Add("RegisterWindowClass");
    return !registerFails;
}

Point FakeDesktop::ScreenSize() {
    log_.Add("ScreenSize");
    return screen;
}

WindowServices* FakeDesktop::CreateMainWindow(int x, int y, int width, int height,
                                              WindowHandlers& handlers) {
    log_.Add("CreateMainWindow " + std::to_string(x) + "," + std::to_string(y) + " " +
             std::to_string(width) + "x" + std::to_string(height));
    if (createFails) {
        return nullptr;
    }
    window_.handlers = &handlers;
    window_.position = Point{x, y};
    handlers.OnCreate(window_);
    return &window_;
}

void FakeDesktop::ShowMainWindow() {
    log_.Add("ShowMainWindow");
}

int FakeDesktop::RunMessageLoop() {
    log_.Add("RunMessageLoop");
    if (loopScript) {
        loopScript(window_, *window_.handlers);
    }
    if (!window_.destroyed) {
        window_.Close();
    }
    log_.Add("LoopEnded");
    return window_.quitCode;
}

void FakeDesktop::ShowErrorBox(int textId) {
    log_.Add("ShowErrorBox " + std::to_string(textId));
}

namespace {

class NoRequestConnection : public platform::HttpConnection {
public:
    explicit NoRequestConnection(int& open) : open_(open) { open_ += 1; }
    ~NoRequestConnection() override { open_ -= 1; }
    platform::HttpRequest* OpenRequest(const char*) override { return nullptr; }

private:
    int& open_;
};

class CountedSession : public platform::HttpSession {
public:
    CountedSession(OfflineInternet& internet) : internet_(internet) { internet_.sessionsOpen += 1; }
    ~CountedSession() override { internet_.sessionsOpen -= 1; }
    platform::HttpConnection* Connect(const char*, std::uint16_t, const char*) override {
        if (!internet_.connectionOpens) {
            return nullptr;
        }
        return new NoRequestConnection(internet_.connectionsOpen);
    }

private:
    OfflineInternet& internet_;
};

}  // namespace

bool OfflineInternet::CanConnect(const char*, std::uint16_t) {
    return canConnect;
}

platform::HttpSession* OfflineInternet::OpenSession(const char*) {
    if (!sessionOpens) {
        return nullptr;
    }
    return new CountedSession(*this);
}

}  // namespace tickwell::fakes
