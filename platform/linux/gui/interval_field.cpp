#include "platform/linux/gui/interval_field.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstring>
#include <string>

#include "app/dialog_number.h"

namespace tickwell::linux_gui {

namespace {

// FLTK leaves this much room between an input field's frame and its text.
constexpr int kTextMargin = 3;
constexpr double kRepeatDelay = 0.5;
constexpr double kRepeatInterval = 0.1;

bool AllDigits(const char* text, int length) {
    for (int i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

}  // namespace

IntervalField::IntervalField(int x, int y, int width, int height) : Fl_Input(x, y, width, height) {}

bool IntervalField::Accepts(const char* text, int length) const {
    if (text == nullptr || length <= 0) return true;
    if (!AllDigits(text, length)) return false;
    const std::string current = value();
    const int from = std::min(position(), mark());
    const int to = std::max(position(), mark());
    const std::string result = current.substr(0, static_cast<std::size_t>(from)) +
                               std::string(text, length) +
                               current.substr(static_cast<std::size_t>(to));
    fl_font(textfont(), textsize());
    const double room = w() - Fl::box_dw(box()) - 2 * kTextMargin;
    return fl_width(result.c_str(), static_cast<int>(result.size())) <= room;
}

int IntervalField::handle(int event) {
    if (event == FL_KEYBOARD) {
        const int key = Fl::event_key();
        if ((key == FL_Up || key == FL_Down) && arrows_ != nullptr) {
            arrows_->Step(key == FL_Up ? 1 : -1);
            return 1;
        }
        const bool command = (Fl::event_state() & (FL_CTRL | FL_ALT | FL_META)) != 0;
        const char* text = Fl::event_text();
        const int length = Fl::event_length();
        const bool printable = length > 0 && static_cast<unsigned char>(text[0]) >= 0x20 &&
                               static_cast<unsigned char>(text[0]) != 0x7F;
        if (!command && printable && !Accepts(text, length)) {
            fl_beep();
            return 1;
        }
    }
    if (event == FL_PASTE && !Accepts(Fl::event_text(), Fl::event_length())) {
        fl_beep();
        return 1;
    }
    return Fl_Input::handle(event);
}

UpDownArrows::UpDownArrows(int x, int y, int width, int height, IntervalField& field,
                           std::uint32_t minimum, std::uint32_t maximum)
    : Fl_Widget(x, y, width, height), field_(field), minimum_(minimum), maximum_(maximum) {
    clear_visible_focus();
}

UpDownArrows::~UpDownArrows() {
    Fl::remove_timeout(&UpDownArrows::Repeat, this);
}

void UpDownArrows::Step(int direction) {
    bool tooLarge = false;
    std::uint64_t number = ParseUnsignedField(field_.value(), &tooLarge);
    if (tooLarge) number = maximum_;
    if (direction > 0) {
        number = number + 1;
    } else if (number > 0) {
        number = number - 1;
    }
    number = std::clamp<std::uint64_t>(number, minimum_, maximum_);
    field_.value(std::to_string(number).c_str());
    field_.do_callback();
}

void UpDownArrows::draw() {
    const int half = h() / 2;
    draw_box(pressed_ > 0 ? FL_DOWN_BOX : FL_UP_BOX, x(), y(), w(), half, FL_BACKGROUND_COLOR);
    draw_box(pressed_ < 0 ? FL_DOWN_BOX : FL_UP_BOX, x(), y() + half, w(), h() - half,
             FL_BACKGROUND_COLOR);
    fl_color(active_r() ? FL_FOREGROUND_COLOR : FL_INACTIVE_COLOR);
    const int cx = x() + w() / 2;
    const int upper = y() + half / 2;
    const int lower = y() + half + (h() - half) / 2;
    fl_polygon(cx - 3, upper + 1, cx + 3, upper + 1, cx, upper - 2);
    fl_polygon(cx - 3, lower - 1, cx + 3, lower - 1, cx, lower + 2);
}

void UpDownArrows::Repeat(void* data) {
    auto* arrows = static_cast<UpDownArrows*>(data);
    if (arrows->pressed_ == 0) return;
    arrows->Step(arrows->pressed_);
    Fl::repeat_timeout(kRepeatInterval, &UpDownArrows::Repeat, data);
}

int UpDownArrows::handle(int event) {
    switch (event) {
        case FL_PUSH:
            pressed_ = Fl::event_y() < y() + h() / 2 ? 1 : -1;
            Step(pressed_);
            Fl::add_timeout(kRepeatDelay, &UpDownArrows::Repeat, this);
            redraw();
            return 1;
        case FL_DRAG: return 1;
        case FL_RELEASE:
            pressed_ = 0;
            Fl::remove_timeout(&UpDownArrows::Repeat, this);
            redraw();
            return 1;
        default: return Fl_Widget::handle(event);
    }
}

}  // namespace tickwell::linux_gui
