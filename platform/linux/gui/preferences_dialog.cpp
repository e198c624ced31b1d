#include "platform/linux/gui/preferences_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/filename.H>
#include <FL/x.H>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "app/dialog_number.h"
#include "app/preferences_dialog.h"
#include "platform/linux/gui/dialog_units.h"
#include "platform/linux/gui/display_scale.h"
#include "platform/linux/gui/interval_field.h"
#include "platform/linux/gui/picture.h"
#include "resources/resource_ids.h"

namespace tickwell::linux_gui {

namespace {

constexpr int kOkId = 1;
constexpr int kCancelId = 2;
constexpr int kClicked = 0;

// The dialog font: FLTK's sans-serif face at 9 pixels is about as wide as
// 8-point MS Sans Serif, so the texts fit their controls as they do there.
constexpr Fl_Fontsize kDialogTextSize = 9;

// The height, in dialog units, of a static that holds one line of text.
constexpr int kOneLineHeight = 10;

struct DialogRect {
    int x, y, width, height;  // dialog units
};

// Pixels from dialog units, and text sizes, grow with the main window's
// scale, so the dialog matches the window on a high-resolution screen.
int ScaledX(int units) {
    return DialogX(units) * DisplayScale();
}
int ScaledY(int units) {
    return DialogY(units) * DisplayScale();
}
Fl_Fontsize TextSize() {
    return static_cast<Fl_Fontsize>(kDialogTextSize * DisplayScale());
}

// A control's place in pixels, from its place in dialog units.
void Place(Fl_Widget& widget, const DialogRect& r) {
    widget.resize(ScaledX(r.x), ScaledY(r.y), ScaledX(r.width), ScaledY(r.height));
}

class PreferencesWindow;

class Controls : public DialogControls {
public:
    Controls(PreferencesWindow& window, IntervalField& field) : window_(window), field_(field) {}

    void SetUnsigned(int controlId, std::uint32_t value) override {
        if (controlId == IDC_INTERVAL_EDIT) field_.value(std::to_string(value).c_str());
    }
    std::uint32_t GetUnsigned(int controlId, bool* tooLarge) override {
        if (controlId != IDC_INTERVAL_EDIT) {
            if (tooLarge != nullptr) *tooLarge = false;
            return 0;
        }
        return ParseUnsignedField(field_.value(), tooLarge);
    }
    void ShowNormal() override;
    void End(int result) override;
    void OpenUrl(const char* url) override {
        char message[256];
        fl_open_uri(url, message, sizeof message);
    }

    bool ended() const { return ended_; }
    int result() const { return result_; }

private:
    PreferencesWindow& window_;
    IntervalField& field_;
    bool ended_ = false;
    int result_ = kCancelId;
};

class PreferencesWindow : public Fl_Window {
public:
    PreferencesWindow(DialogProcedure& procedure, int x, int y);

    Controls& controls() { return *controls_; }
    IntervalField& field() { return *field_; }

private:
    static void OnCommandButton(Fl_Widget* widget, void* data);
    void Command(int controlId);
    Fl_Button* AddButton(Fl_Button* button, int controlId);
    void AddStatic(const char* text, const DialogRect& place);

    DialogProcedure& procedure_;
    IntervalField* field_ = nullptr;
    std::unique_ptr<Controls> controls_;
    std::unique_ptr<Fl_RGB_Image> picture_;
    std::unique_ptr<Fl_Image> enlargedPicture_;
    std::map<Fl_Widget*, int> ids_;  // the command id of each button
};

void Controls::ShowNormal() {
    window_.show();
}

void Controls::End(int result) {
    result_ = result;
    ended_ = true;
    window_.hide();
}

PreferencesWindow::PreferencesWindow(DialogProcedure& procedure, int x, int y)
    : Fl_Window(x, y, ScaledX(222), ScaledY(71), "Tickwell Preferences"), procedure_(procedure) {
    // The twelve controls in template order, which is also the tab order.
    // 1 and 2: the edit field and its up-down arrows, aligned to the field's
    // right edge, which makes the field narrower by the arrows' width.
    const int arrowsWidth = ScaledX(9);
    field_ = new IntervalField(0, 0, 0, 0);
    Place(*field_, DialogRect{55, 50, 30, 10});
    field_->size(field_->w() - arrowsWidth, field_->h());
    field_->textsize(TextSize());
    auto* arrows = new UpDownArrows(field_->x() + field_->w(), field_->y(), arrowsWidth,
                                    field_->h(), *field_, kMinMinutes, kMaxMinutes);
    field_->SetArrows(arrows);

    Fl_Button* ok = AddButton(new Fl_Return_Button(0, 0, 0, 0, "OK"), kOkId);  // 3
    Place(*ok, DialogRect{165, 50, 50, 14});
    Fl_Button* cancel = AddButton(new Fl_Button(0, 0, 0, 0, "Cancel"), kCancelId);  // 4
    Place(*cancel, DialogRect{110, 50, 50, 14});
    AddStatic("Refresh Every:", DialogRect{5, 50, 50, 10});  // 5
    AddStatic(TEXT_CREDIT, DialogRect{115, 5, 85, 10});      // 6
    AddStatic(TEXT_NOTICE, DialogRect{115, 15, 90, 10});     // 7

    // 8: the picture, shown at its own size from the control's corner;
    // enlarged, each of its pixels becomes a square (FLTK's copy repeats
    // pixels when the size is a whole multiple).
    const int scale = DisplayScale();
    auto* pictureBox = new Fl_Box(ScaledX(5), ScaledY(5), 64 * scale, 65 * scale);
    picture_ = LoadPicture();
    if (picture_ && scale > 1) {
        enlargedPicture_.reset(picture_->copy(picture_->w() * scale, picture_->h() * scale));
    }
    if (enlargedPicture_) {
        pictureBox->image(enlargedPicture_.get());
    } else if (picture_) {
        pictureBox->image(picture_.get());
    }
    pictureBox->box(FL_NO_BOX);

    AddStatic("Min.", DialogRect{85, 50, 15, 10});  // 9
    Fl_Button* visit = AddButton(new Fl_Button(0, 0, 0, 0, "Visit Web Page"),
                                 IDC_VISIT_WEB_PAGE);  // 10
    Place(*visit, DialogRect{55, 5, 55, 15});
    Fl_Button* mail = AddButton(new Fl_Button(0, 0, 0, 0, "Send Email"), IDC_SEND_EMAIL);  // 11
    Place(*mail, DialogRect{55, 25, 55, 15});
    AddStatic(TEXT_THANKS, DialogRect{115, 30, 100, 15});  // 12
    end();

    controls_ = std::make_unique<Controls>(*this, *field_);
    set_modal();
    // Escape and the close box both count as Cancel.
    callback([](Fl_Widget* widget, void*) {
        static_cast<PreferencesWindow*>(widget)->Command(kCancelId);
    });
}

Fl_Button* PreferencesWindow::AddButton(Fl_Button* button, int controlId) {
    button->labelsize(TextSize());
    button->callback(&PreferencesWindow::OnCommandButton, this);
    ids_[button] = controlId;
    return button;
}

void PreferencesWindow::AddStatic(const char* text, const DialogRect& place) {
    auto* box = new Fl_Box(0, 0, 0, 0, text);
    Place(*box, place);
    box->box(FL_NO_BOX);
    box->labelsize(TextSize());
    // A static one text line high shows its text on one line, even where
    // this face runs a little wider than the control; taller ones wrap.
    Fl_Align align = FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE;
    if (place.height > kOneLineHeight) align |= FL_ALIGN_WRAP;
    box->align(align);
}

void PreferencesWindow::OnCommandButton(Fl_Widget* widget, void* data) {
    auto* window = static_cast<PreferencesWindow*>(data);
    window->Command(window->ids_[widget]);
}

void PreferencesWindow::Command(int controlId) {
    procedure_.OnCommand(*controls_, controlId, kClicked);
}

// Puts a shown dialog at (x, y), its top-left client pixel, kept on the
// screen with one pixel of its frame inside each edge. FLTK's own placement
// also keeps room for a title bar above it, so a window at the top of the
// screen got its dialog 20 pixels lower than its client origin.
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

int RunPreferences(DialogProcedure& procedure, int screenX, int screenY) {
    PreferencesWindow window(procedure, screenX, screenY);
    Controls& controls = window.controls();
    const bool focusFirst = procedure.OnInit(controls);
    if (controls.ended()) return controls.result();
    if (!window.shown()) window.show();
    PlaceOnScreen(window, screenX, screenY);
    // The dialog manager gives the focus to the first tab stop: the field.
    if (focusFirst) window.field().take_focus();
    while (!controls.ended() && window.shown()) Fl::wait();
    window.hide();
    return controls.result();
}

}  // namespace tickwell::linux_gui
