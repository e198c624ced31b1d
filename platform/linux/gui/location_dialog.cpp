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

// The dialog's width: the layout's, narrowed to the screen when that is
// smaller (a scale of 3 on a screen that is not dense); the list then
// scrolls sideways a little more.
int DialogWidth(int scale) {
    return std::min(kWidth * scale, std::max(Fl::w() - 2, kWidth * scale / 2));
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
    LocationWindow(LocationProcedure& procedure, int x, int y, int scale);

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

LocationWindow::LocationWindow(LocationProcedure& procedure, int x, int y, int scale)
    : Fl_Window(x, y, DialogWidth(scale), kHeight * scale, "Tickwell Location"),
      procedure_(procedure) {
    // Every number of the layout grows with the main window's scale.
    const auto scaled = [scale](int pixels) { return pixels * scale; };
    const Fl_Fontsize textSize = static_cast<Fl_Fontsize>(kTextSize * scale);
    const int inner = w() - scaled(2 * kMargin);
    int top = scaled(kMargin);

    auto* label = new Fl_Box(scaled(kMargin), top, inner, scaled(kLabelHeight),
                             "Town, city, airport or station id:");
    label->box(FL_NO_BOX);
    label->labelsize(textSize);
    label->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    top += scaled(kLabelHeight + 2);

    field_ = new QueryField(*this, scaled(kMargin), top, inner, scaled(kFieldHeight));
    field_->textsize(textSize);
    field_->maximum_size(static_cast<int>(kMaxQueryBytes));
    field_->when(FL_WHEN_CHANGED);
    field_->callback([](Fl_Widget* widget, void*) {
        static_cast<LocationWindow*>(widget->window())->QueryChanged();
    });
    top += scaled(kFieldHeight + 8);

    const int buttonsTop = scaled(kHeight - kMargin - kButtonHeight);
    list_ = new MatchList(*this, scaled(kMargin), top, inner, buttonsTop - scaled(8) - top);
    list_->textsize(textSize);
    list_->scrollbar_size(Fl::scrollbar_size() * scale);
    // Station names are shown as they are: no '@' formatting codes.
    list_->format_char(0);
    list_->when(FL_WHEN_RELEASE_ALWAYS);
    list_->callback([](Fl_Widget* widget, void*) {
        if (Fl::event_clicks() > 0) static_cast<LocationWindow*>(widget->window())->Ok();
    });

    DialogButton(new Fl_Return_Button(w() - scaled(kMargin + kButtonWidth), buttonsTop,
                                      scaled(kButtonWidth), scaled(kButtonHeight), "OK"),
                 textSize, [](Fl_Window& window) { static_cast<LocationWindow&>(window).Ok(); });
    DialogButton(new Fl_Button(w() - scaled(kMargin + 2 * kButtonWidth + 8), buttonsTop,
                               scaled(kButtonWidth), scaled(kButtonHeight), "Cancel"),
                 textSize,
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
    LocationWindow window(procedure, screenX, screenY, scale);
    Controls& controls = window.controls();
    procedure.OnInit(controls);
    return RunModalDialog(window, controls.ending(), screenX, screenY, &window.field());
}

}  // namespace tickwell::linux_gui
