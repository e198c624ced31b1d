#include "platform/linux/gui/units_dialog.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>

#include <array>
#include <string>
#include <vector>

#include "platform/linux/gui/dialog_units.h"
#include "platform/linux/gui/modal_dialog.h"
#include "resources/resource_ids.h"

namespace tickwell::linux_gui {

namespace {

constexpr int kOkId = 1;
constexpr int kCancelId = 2;
constexpr int kClicked = 0;
// The Preferences dialog's text size, for the same look.
constexpr Fl_Fontsize kDialogTextSize = 9;

// The four lists in tab order: id, label and the list's row (dialog units).
struct ListPlace {
    int id;
    const char* label;
    int y;
};
constexpr std::array<ListPlace, 4> kLists = {{
    {IDC_TEMPERATURE_UNIT, "Temperature:", 7},
    {IDC_PRESSURE_UNIT, "Pressure:", 24},
    {IDC_WIND_UNIT, "Wind:", 41},
    {IDC_CLOCK_STYLE, "Clock:", 58},
}};

class UnitsWindow;

class Controls : public DialogControls {
public:
    Controls(Fl_Window& window, std::array<Fl_Choice*, 4> lists)
        : window_(window), lists_(lists), ending_(window, kCancelId) {}

    void SetUnsigned(int, std::uint32_t) override {}
    std::uint32_t GetUnsigned(int, bool* tooLarge) override {
        if (tooLarge != nullptr) *tooLarge = false;
        return 0;
    }
    void ShowNormal() override { window_.show(); }
    void End(int result) override { ending_.End(result); }
    void OpenUrl(const char*) override {}
    void SetChoices(int controlId, const std::vector<std::string>& items, int selected) override {
        Fl_Choice* list = List(controlId);
        if (list == nullptr) return;
        list->clear();
        for (const std::string& item : items) {
            // add() reads "/" as a submenu and "&" as a shortcut: the item
            // goes in as plain text.
            const int index = list->add("x");
            list->replace(index, item.c_str());
        }
        if (selected >= 0 && selected < list->size()) list->value(selected);
    }
    int GetChoice(int controlId) override {
        Fl_Choice* list = List(controlId);
        return list != nullptr ? list->value() : -1;
    }

    const DialogEnding& ending() const { return ending_; }

private:
    Fl_Choice* List(int controlId) const {
        for (std::size_t i = 0; i < kLists.size(); ++i) {
            if (kLists[i].id == controlId) return lists_[i];
        }
        return nullptr;
    }

    Fl_Window& window_;
    std::array<Fl_Choice*, 4> lists_;
    DialogEnding ending_;
};

class UnitsWindow : public Fl_Window {
public:
    UnitsWindow(DialogProcedure& procedure, int x, int y, int scale)
        : Fl_Window(x, y, DialogX(170) * scale, DialogY(96) * scale, "Tickwell Units"),
          procedure_(procedure) {
        const Fl_Fontsize textSize = static_cast<Fl_Fontsize>(kDialogTextSize * scale);
        auto place = [scale](Fl_Widget& widget, int ux, int uy, int uw, int uh) {
            widget.resize(DialogX(ux) * scale, DialogY(uy) * scale, DialogX(uw) * scale,
                          DialogY(uh) * scale);
        };
        std::array<Fl_Choice*, 4> lists{};
        for (std::size_t row = 0; row < kLists.size(); ++row) {
            auto* label = new Fl_Box(0, 0, 0, 0, kLists[row].label);
            place(*label, 5, kLists[row].y + 2, 50, 10);
            label->box(FL_NO_BOX);
            label->labelsize(textSize);
            label->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE);
            auto* list = new Fl_Choice(0, 0, 0, 0);
            place(*list, 55, kLists[row].y, 110, 12);
            list->textsize(textSize);
            lists[row] = list;
        }
        Fl_Button* ok = new Fl_Return_Button(0, 0, 0, 0, "OK");
        place(*ok, 115, 77, 50, 14);
        DialogButton(ok, textSize,
                     [](Fl_Window& window) { static_cast<UnitsWindow&>(window).Command(kOkId); });
        Fl_Button* cancel = new Fl_Button(0, 0, 0, 0, "Cancel");
        place(*cancel, 60, 77, 50, 14);
        DialogButton(cancel, textSize, [](Fl_Window& window) {
            static_cast<UnitsWindow&>(window).Command(kCancelId);
        });
        end();
        firstList_ = lists[0];
        controls_ = std::make_unique<Controls>(*this, lists);
        MakeModal(*this,
                  [](Fl_Window& window) { static_cast<UnitsWindow&>(window).Command(kCancelId); });
    }

    Controls& controls() { return *controls_; }
    Fl_Widget* firstList() { return firstList_; }
    void Command(int controlId) { procedure_.OnCommand(*controls_, controlId, kClicked); }

private:
    DialogProcedure& procedure_;
    Fl_Widget* firstList_ = nullptr;
    std::unique_ptr<Controls> controls_;
};

}  // namespace

int RunUnits(DialogProcedure& procedure, int screenX, int screenY, int scale) {
    UnitsWindow window(procedure, screenX, screenY, scale);
    Controls& controls = window.controls();
    const bool focusFirst = procedure.OnInit(controls);
    return RunModalDialog(window, controls.ending(), screenX, screenY,
                          focusFirst ? window.firstList() : nullptr);
}

}  // namespace tickwell::linux_gui
