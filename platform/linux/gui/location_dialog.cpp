#include "platform/linux/gui/location_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/location_dialog.h"
#include "platform/linux/gui/modal_dialog.h"

namespace tickwell::linux_gui {

namespace {

// The dialog's sizes in pixels: kLayout at a scale of 1; every one grows
// with the main window's scale, as the Preferences dialog's do.
struct Layout {
    int width;
    int height;
    int margin;
    int labelHeight;
    int fieldHeight;
    int buttonWidth;
    int buttonHeight;
    Fl_Fontsize textSize;
};
constexpr Layout kLayout{460, 260, 10, 16, 24, 75, 26, 12};

Layout Scaled(const Layout& l, int scale) {
    return Layout{l.width * scale,        l.height * scale,      l.margin * scale,
                  l.labelHeight * scale,  l.fieldHeight * scale, l.buttonWidth * scale,
                  l.buttonHeight * scale, l.textSize * scale};
}

// The dialog's width: the layout's, narrowed to the screen when that is
// smaller (a scale of 3 on a screen that is not dense); the list then
// scrolls sideways a little more.
int DialogWidth(const Layout& layout) {
    return std::min(layout.width, std::max(Fl::w() - 2, layout.width / 2));
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
        : field_(field), list_(list), ending_(window, kLocationCancel) {}

    std::string QueryText() override { return field_.value(); }
    void SetMatchLines(const std::vector<std::string>& lines) override {
        list_.clear();
        for (const std::string& line : lines) list_.add(line.c_str());
        list_.value(0);
        list_.topline(1);
    }
    int HighlightedLine() override { return list_.value() - 1; }
    void End(int result) override { ending_.End(result); }

    const DialogEnding& ending() const { return ending_; }

private:
    QueryField& field_;
    MatchList& list_;
    DialogEnding ending_;
};

class LocationWindow : public Fl_Window {
public:
    LocationWindow(LocationProcedure& procedure, int x, int y, const Layout& layout, int scale);

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

LocationWindow::LocationWindow(LocationProcedure& procedure, int x, int y, const Layout& layout,
                               int scale)
    : Fl_Window(x, y, DialogWidth(layout), layout.height, "Tickwell Location"),
      procedure_(procedure) {
    const int inner = w() - 2 * layout.margin;
    int top = layout.margin;

    auto* label = new Fl_Box(layout.margin, top, inner, layout.labelHeight,
                             "Town, city, airport or station id:");
    label->box(FL_NO_BOX);
    label->labelsize(layout.textSize);
    label->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    top += layout.labelHeight + 2 * scale;

    field_ = new QueryField(*this, layout.margin, top, inner, layout.fieldHeight);
    field_->textsize(layout.textSize);
    field_->maximum_size(static_cast<int>(kMaxQueryBytes));
    field_->when(FL_WHEN_CHANGED);
    field_->callback([](Fl_Widget* widget, void*) {
        static_cast<LocationWindow*>(widget->window())->QueryChanged();
    });
    top += layout.fieldHeight + 8 * scale;

    const int buttonsTop = layout.height - layout.margin - layout.buttonHeight;
    list_ = new MatchList(*this, layout.margin, top, inner, buttonsTop - 8 * scale - top);
    list_->textsize(layout.textSize);
    list_->scrollbar_size(Fl::scrollbar_size() * scale);
    // Station names are shown as they are: no '@' formatting codes.
    list_->format_char(0);
    list_->when(FL_WHEN_RELEASE_ALWAYS);
    list_->callback([](Fl_Widget* widget, void*) {
        if (Fl::event_clicks() > 0) static_cast<LocationWindow*>(widget->window())->Ok();
    });

    const int okLeft = w() - layout.margin - layout.buttonWidth;
    DialogButton(
        new Fl_Return_Button(okLeft, buttonsTop, layout.buttonWidth, layout.buttonHeight, "OK"),
        layout.textSize, [](Fl_Window& window) { static_cast<LocationWindow&>(window).Ok(); });
    DialogButton(new Fl_Button(okLeft - layout.buttonWidth - 8 * scale, buttonsTop,
                               layout.buttonWidth, layout.buttonHeight, "Cancel"),
                 layout.textSize,
                 [](Fl_Window& window) { static_cast<LocationWindow&>(window).Cancel(); });
    end();

    controls_ = std::make_unique<Controls>(*this, *field_, *list_);
    MakeModal(*this, [](Fl_Window& window) { static_cast<LocationWindow&>(window).Cancel(); });
}

void LocationWindow::MoveHighlight(int step) {
    const int lines = list_->size();
    if (lines == 0) return;
    const int now = list_->value();
    const int next = now == 0 ? 1 : std::clamp(now + step, 1, lines);
    list_->value(next);
}

}  // namespace

int RunLocation(LocationProcedure& procedure, int screenX, int screenY, int scale) {
    LocationWindow window(procedure, screenX, screenY, Scaled(kLayout, scale), scale);
    Controls& controls = window.controls();
    procedure.OnInit(controls);
    return RunModalDialog(window, controls.ending(), screenX, screenY, &window.field());
}

}  // namespace tickwell::linux_gui
