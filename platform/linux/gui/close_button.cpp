#include "platform/linux/gui/close_button.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

namespace tickwell::linux_gui {

int CloseButton::handle(int event) {
    const bool mouse = event == FL_PUSH || event == FL_DRAG || event == FL_RELEASE;
    if (mouse && Fl::event_button() != FL_LEFT_MOUSE) return 1;
    return Fl_Button::handle(event);
}

void CloseButton::DrawAt(const Rect& place) {
    const Fl_Color fill = value() ? selection_color() : color();
    const Fl_Boxtype frame = value() ? (down_box() ? down_box() : fl_down(box())) : box();
    draw_box(frame, place.left, place.top, place.Width(), place.Height(), fill);
    const Fl_Boxtype inner = box();
    const int x = place.left + Fl::box_dx(inner);
    const int y = place.top + Fl::box_dy(inner);
    const int width = place.Width() - Fl::box_dw(inner);
    const int height = place.Height() - Fl::box_dh(inner);
    // A pressed button's label keeps its contrast on the pressed colour.
    const Fl_Color ink = labelcolor();
    if (labeltype() == FL_NORMAL_LABEL && value()) labelcolor(fl_contrast(ink, fill));
    draw_label(x, y, width, height);
    labelcolor(ink);
}

}  // namespace tickwell::linux_gui
