#include "platform/linux/gui/location_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/location_dialog.h"
#include "platform/linux/gui/display_scale.h"

namespace tickwell::linux_gui {

namespace {

// The layout at a scale of 1, in pixels; every number grows with the
// main window's scale, as the Preferences dialog does.
constexpr int kWidth = 460;
constexpr int kHeight = 260;
constexpr int kMargin = 10;
constexpr int kLabelHeight = 16;
constexpr int kFieldHeight = 24;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 26;
constexpr Fl_Fontsize kTextSize = 12;

int Scaled(int pixels) {
    return pixels * DisplayScale();
}

// The dialog's width: the layout's, narrowed to the screen when that is
// smaller (a scale of 3 on a screen that is not dense); the list then
// scrolls sideways a little more.
int DialogWidth() {
    return std::min(Scaled(kWidth), std::max(Fl::w() - 2, Scaled(kWidth) / 2));
}

class LocationWindow;

// Up and Down in the field move the list's highlight; Enter takes it.
class QueryField : public Fl_Input {
public:
    QueryField(LocationWindow& window, int x, int y, int w, int h)
        : Fl_Input(x, y, w, h), window_(window) {}
    int handle(int event) override;

private:
    LocationWindow& window_;
};

// The list answers Enter as OK too; on its own it would keep the key.
class MatchList : public Fl_Hold_Browser {
public:
    MatchList(LocationWindow& window, int x, int y, int w, int h)
        : Fl_Hold_Browser(x, y, w, h), window_(window) {}
    int handle(int event) override;

private:
    LocationWindow& window_;
};

class Controls : public LocationControls {
public:
    Controls(Fl_Window& window, QueryField& field, MatchList& list)
        : window_(window), field_(field), list_(list) {}

    std::string QueryText() override { return field_.value(); }
    void SetMatchLines(const std::vector<std::string>& lines) override {
        list_.clear();
        for (const std::string& line : lines) list_.add(line.c_str());
        list_.value(0);
        list_.topline(1);
    }
    int HighlightedLine() override { return list_.value() - 1; }
    void End(int result) override {
        result_ = result;
        ended_ = true;
        window_.hide();
    }

    bool ended() const { return ended_; }
    int result() const { return result_; }

private:
    Fl_Window& window_;
    QueryField& field_;
    MatchList& list_;
    bool ended_ = false;
    int result_ = kLocationCancel;
};

class LocationWindow : public Fl_Window {
public:
    LocationWindow(LocationProcedure& procedure, int x, int y);

    Controls& controls() { return *controls_; }
    QueryField& field() { return *field_; }

    void Ok() { procedure_.OnOk(*controls_); }
    void Cancel() { procedure_.OnCancel(*controls_); }
    void QueryChanged() { procedure_.OnQueryChanged(*controls_); }
    // Moves the highlight one line down (+1) or up (-1), stopping at the
    // ends; from no highlight, either key lands on the first line.
    void MoveHighlight(int step);

private:
    LocationProcedure& procedure_;
    QueryField* field_ = nullptr;
    MatchList* list_ = nullptr;
    std::unique_ptr<Controls> controls_;
};

int QueryField::handle(int event) {
    if (event == FL_KEYBOARD) {
        switch (Fl::event_key()) {
            case FL_Up: window_.MoveHighlight(-1); return 1;
            case FL_Down: window_.MoveHighlight(+1); return 1;
            case FL_Enter:
            case FL_KP_Enter: window_.Ok(); return 1;
            default: break;
        }
    }
    return Fl_Input::handle(event);
}

int MatchList::handle(int event) {
    if (event == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
        window_.Ok();
        return 1;
    }
    return Fl_Hold_Browser::handle(event);
}

LocationWindow::LocationWindow(LocationProcedure& procedure, int x, int y)
    : Fl_Window(x, y, DialogWidth(), Scaled(kHeight), "Tickwell Location"), procedure_(procedure) {
    const Fl_Fontsize textSize = static_cast<Fl_Fontsize>(kTextSize * DisplayScale());
    const int inner = w() - Scaled(2 * kMargin);
    int top = Scaled(kMargin);

    auto* label = new Fl_Box(Scaled(kMargin), top, inner, Scaled(kLabelHeight),
                             "Town, city, airport or station id:");
    label->box(FL_NO_BOX);
    label->labelsize(textSize);
    label->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    top += Scaled(kLabelHeight + 2);

    field_ = new QueryField(*this, Scaled(kMargin), top, inner, Scaled(kFieldHeight));
    field_->textsize(textSize);
    field_->maximum_size(static_cast<int>(kMaxQueryBytes));
    field_->when(FL_WHEN_CHANGED);
    field_->callback([](Fl_Widget* widget, void*) {
        static_cast<LocationWindow*>(widget->window())->QueryChanged();
    });
    top += Scaled(kFieldHeight + 8);

    const int buttonsTop = Scaled(kHeight - kMargin - kButtonHeight);
    list_ = new MatchList(*this, Scaled(kMargin), top, inner, buttonsTop - Scaled(8) - top);
    list_->textsize(textSize);
    list_->scrollbar_size(Fl::scrollbar_size() * DisplayScale());
    // Station names are shown as they are: no '@' formatting codes.
    list_->format_char(0);
    list_->when(FL_WHEN_RELEASE_ALWAYS);
    list_->callback([](Fl_Widget* widget, void*) {
        if (Fl::event_clicks() > 0) static_cast<LocationWindow*>(widget->window())->Ok();
    });

    auto* ok = new Fl_Return_Button(w() - Scaled(kMargin + kButtonWidth), buttonsTop,
                                    Scaled(kButtonWidth), Scaled(kButtonHeight), "OK");
    ok->labelsize(textSize);
    ok->callback(
        [](Fl_Widget* widget, void*) { static_cast<LocationWindow*>(widget->window())->Ok(); });
    auto* cancel = new Fl_Button(w() - Scaled(kMargin + 2 * kButtonWidth + 8), buttonsTop,
                                 Scaled(kButtonWidth), Scaled(kButtonHeight), "Cancel");
    cancel->labelsize(textSize);
    cancel->callback(
        [](Fl_Widget* widget, void*) { static_cast<LocationWindow*>(widget->window())->Cancel(); });
    end();

    controls_ = std::make_unique<Controls>(*this, *field_, *list_);
    set_modal();
    // Escape and the close box both count as Cancel.
    callback([](Fl_Widget* widget, void*) { static_cast<LocationWindow*>(widget)->Cancel(); });
}

void LocationWindow::MoveHighlight(int step) {
    const int lines = list_->size();
    if (lines == 0) return;
    const int now = list_->value();
    const int next = now == 0 ? 1 : std::clamp(now + step, 1, lines);
    list_->value(next);
}

// Puts a shown dialog at (x, y), kept on the screen with one pixel of its
// frame inside each edge.
void PlaceOnScreen(Fl_Window& window, int x, int y) {
    constexpr int kFrame = 1;
    int screenX = 0;
    int screenY = 0;
    int screenW = 0;
    int screenH = 0;
    Fl::screen_xywh(screenX, screenY, screenW, screenH, x, y, window.w(), window.h());
    x = std::max(std::min(x, screenX + screenW - kFrame - window.w()), screenX + kFrame);
    y = std::max(std::min(y, screenY + screenH - kFrame - window.h()), screenY + kFrame);
    // FLTK moved the X window without recording it, so both are set.
    window.position(x, y);
    XMoveWindow(fl_display, fl_xid(&window), x, y);
}

}  // namespace

int RunLocation(LocationProcedure& procedure, int screenX, int screenY) {
    LocationWindow window(procedure, screenX, screenY);
    Controls& controls = window.controls();
    procedure.OnInit(controls);
    if (controls.ended()) return controls.result();
    window.show();
    PlaceOnScreen(window, screenX, screenY);
    window.field().take_focus();
    while (!controls.ended() && window.shown()) Fl::wait();
    window.hide();
    return controls.result();
}

}  // namespace tickwell::linux_gui
