#include "platform/linux/gui/preferences_dialog.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/filename.H>

#include <memory>
#include <string>

#include "app/dialog_number.h"
#include "app/preferences_dialog.h"
#include "platform/linux/gui/dialog_units.h"
#include "platform/linux/gui/interval_field.h"
#include "platform/linux/gui/modal_dialog.h"
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
class DialogLayout {
public:
    explicit DialogLayout(int scale) : scale_(scale) {}

    int X(int units) const { return DialogX(units) * scale_; }
    int Y(int units) const { return DialogY(units) * scale_; }
    int scale() const { return scale_; }
    Fl_Fontsize TextSize() const { return static_cast<Fl_Fontsize>(kDialogTextSize * scale_); }
    // Puts a control at its place in dialog units.
    void Place(Fl_Widget& widget, const DialogRect& r) const {
        widget.resize(X(r.x), Y(r.y), X(r.width), Y(r.height));
    }

private:
    int scale_;
};

class PreferencesWindow;

class Controls : public DialogControls {
public:
    Controls(PreferencesWindow& window, IntervalField& field);

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
    void End(int result) override { ending_.End(result); }
    void OpenUrl(const char* url) override {
        char message[256];
        fl_open_uri(url, message, sizeof message);
    }

    const DialogEnding& ending() const { return ending_; }

private:
    PreferencesWindow& window_;
    IntervalField& field_;
    DialogEnding ending_;
};

class PreferencesWindow : public Fl_Window {
public:
    PreferencesWindow(DialogProcedure& procedure, int x, int y, int scale);

    Controls& controls() { return *controls_; }
    IntervalField& field() { return *field_; }
    void Command(int controlId);

private:
    // A button whose click is the command `Id`.
    template <int Id>
    Fl_Button* AddButton(Fl_Button* button, const DialogRect& place);
    void AddStatic(const char* text, const DialogRect& place);
    void AddPicture();

    DialogProcedure& procedure_;
    const DialogLayout layout_;
    IntervalField* field_ = nullptr;
    std::unique_ptr<Controls> controls_;
    std::unique_ptr<Fl_RGB_Image> picture_;
    std::unique_ptr<Fl_Image> enlargedPicture_;
};

Controls::Controls(PreferencesWindow& window, IntervalField& field)
    : window_(window), field_(field), ending_(window, kCancelId) {}

void Controls::ShowNormal() {
    window_.show();
}

PreferencesWindow::PreferencesWindow(DialogProcedure& procedure, int x, int y, int scale)
    : Fl_Window(x, y, DialogX(222) * scale, DialogY(71) * scale, "Tickwell Preferences"),
      procedure_(procedure),
      layout_(scale) {
    // The twelve controls in template order, which is also the tab order.
    // 1 and 2: the edit field and its up-down arrows, aligned to the field's
    // right edge, which makes the field narrower by the arrows' width.
    const int arrowsWidth = layout_.X(9);
    field_ = new IntervalField(0, 0, 0, 0);
    layout_.Place(*field_, DialogRect{55, 50, 30, 10});
    field_->size(field_->w() - arrowsWidth, field_->h());
    field_->textsize(layout_.TextSize());
    auto* arrows = new UpDownArrows(field_->x() + field_->w(), field_->y(), arrowsWidth,
                                    field_->h(), *field_, kMinMinutes, kMaxMinutes);
    field_->SetArrows(arrows);

    AddButton<kOkId>(new Fl_Return_Button(0, 0, 0, 0, "OK"), DialogRect{165, 50, 50, 14});   // 3
    AddButton<kCancelId>(new Fl_Button(0, 0, 0, 0, "Cancel"), DialogRect{110, 50, 50, 14});  // 4
    AddStatic("Refresh Every:", DialogRect{5, 50, 50, 10});                                  // 5
    AddStatic(TEXT_CREDIT, DialogRect{115, 5, 85, 10});                                      // 6
    AddStatic(TEXT_NOTICE, DialogRect{115, 15, 90, 10});                                     // 7
    AddPicture();                                                                            // 8
    AddStatic("Min.", DialogRect{85, 50, 15, 10});                                           // 9
    AddButton<IDC_VISIT_WEB_PAGE>(new Fl_Button(0, 0, 0, 0, "Visit Web Page"),
                                  DialogRect{55, 5, 55, 15});  // 10
    AddButton<IDC_SEND_EMAIL>(new Fl_Button(0, 0, 0, 0, "Send Email"),
                              DialogRect{55, 25, 55, 15});  // 11
    AddStatic(TEXT_THANKS, DialogRect{115, 30, 100, 15});   // 12
    end();

    controls_ = std::make_unique<Controls>(*this, *field_);
    MakeModal(*this, [](Fl_Window& window) {
        static_cast<PreferencesWindow&>(window).Command(kCancelId);
    });
}

template <int Id>
Fl_Button* PreferencesWindow::AddButton(Fl_Button* button, const DialogRect& place) {
    layout_.Place(*button, place);
    return DialogButton(button, layout_.TextSize(), [](Fl_Window& window) {
        static_cast<PreferencesWindow&>(window).Command(Id);
    });
}

void PreferencesWindow::AddStatic(const char* text, const DialogRect& place) {
    auto* box = new Fl_Box(0, 0, 0, 0, text);
    layout_.Place(*box, place);
    box->box(FL_NO_BOX);
    box->labelsize(layout_.TextSize());
    // A static one text line high shows its text on one line, even where
    // this face runs a little wider than the control; taller ones wrap.
    Fl_Align align = FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE;
    if (place.height > kOneLineHeight) align |= FL_ALIGN_WRAP;
    box->align(align);
}

// The picture, shown at its own size from the control's corner; enlarged,
// each of its pixels becomes a square (FLTK's copy repeats pixels when the
// size is a whole multiple).
void PreferencesWindow::AddPicture() {
    const int scale = layout_.scale();
    auto* pictureBox = new Fl_Box(layout_.X(5), layout_.Y(5), 64 * scale, 65 * scale);
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
}

void PreferencesWindow::Command(int controlId) {
    procedure_.OnCommand(*controls_, controlId, kClicked);
}

}  // namespace

int RunPreferences(DialogProcedure& procedure, int screenX, int screenY, int scale) {
    PreferencesWindow window(procedure, screenX, screenY, scale);
    Controls& controls = window.controls();
    const bool focusFirst = procedure.OnInit(controls);
    return RunModalDialog(window, controls.ending(), screenX, screenY,
                          focusFirst ? &window.field() : nullptr);
}

}  // namespace tickwell::linux_gui
