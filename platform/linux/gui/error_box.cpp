#include "platform/linux/gui/error_box.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

namespace tickwell::linux_gui {

namespace {

constexpr int kWidth = 380;
constexpr int kHeight = 110;

// The error sign: a white cross on a red disc.
class ErrorSign : public Fl_Box {
public:
    ErrorSign(int x, int y, int size) : Fl_Box(x, y, size, size) {}

    void draw() override {
        fl_color(fl_rgb_color(200, 0, 0));
        fl_pie(x(), y(), w(), h(), 0, 360);
        fl_color(FL_WHITE);
        fl_line_style(FL_SOLID, 3);
        const int inset = w() / 3;
        fl_line(x() + inset, y() + inset, x() + w() - inset, y() + h() - inset);
        fl_line(x() + w() - inset, y() + inset, x() + inset, y() + h() - inset);
        fl_line_style(0);
    }
};

}  // namespace

void RunErrorBox(const char* caption, const char* text) {
    Fl_Window window((Fl::w() - kWidth) / 2, (Fl::h() - kHeight) / 2, kWidth, kHeight, caption);
    new ErrorSign(15, 15, 32);
    auto* message = new Fl_Box(60, 10, kWidth - 70, 55);
    // The text is shown as it is: copied, and with '@' not taken as a symbol.
    message->copy_label(text);
    message->labeltype(FL_NORMAL_LABEL);
    message->labelsize(12);
    message->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    auto* ok = new Fl_Return_Button((kWidth - 80) / 2, kHeight - 35, 80, 25, "OK");
    ok->callback([](Fl_Widget* widget, void*) { widget->window()->hide(); });
    window.end();
    // Escape and the close box close the box as OK does.
    window.callback([](Fl_Widget* widget, void*) { widget->hide(); });
    window.set_modal();
    window.show();
    ok->take_focus();
    while (window.shown()) Fl::wait();
}

}  // namespace tickwell::linux_gui
