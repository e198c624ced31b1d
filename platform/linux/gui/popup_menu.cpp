#include "platform/linux/gui/popup_menu.h"

#include <FL/Fl.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <utility>

namespace tickwell::linux_gui {

namespace {

constexpr Fl_Fontsize kMenuTextSize = 12;
// Every label starts after a column wide enough for a check mark, which
// only a checked item draws, so all labels line up as in the Windows menu.
constexpr int kCheckColumn = 14;
// Two label types: the same label with and without the check mark.
constexpr auto kCheckedLabel = static_cast<Fl_Labeltype>(FL_FREE_LABELTYPE);
constexpr auto kPlainLabel = static_cast<Fl_Labeltype>(FL_FREE_LABELTYPE + 1);

// A 7x7 check mark in the label's colour, its middle at `middleY`.
void DrawCheckMark(int x, int middleY) {
    const int top = middleY - 3;
    for (int row = 0; row < 3; ++row) {
        fl_line(x, top + 2 + row, x + 2, top + 4 + row);
        fl_line(x + 2, top + 4 + row, x + 6, top + row);
    }
}

void DrawLabel(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align, bool checked) {
    fl_font(label->font, label->size);
    fl_color(static_cast<Fl_Color>(label->color));
    if (checked) DrawCheckMark(x + 1, y + h / 2);
    fl_draw(label->value, x + kCheckColumn, y, w > kCheckColumn ? w - kCheckColumn : 0, h, align,
            nullptr, 0);
}

void DrawChecked(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
    DrawLabel(label, x, y, w, h, align, true);
}

void DrawPlain(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
    DrawLabel(label, x, y, w, h, align, false);
}

void MeasureLabel(const Fl_Label* label, int& w, int& h) {
    fl_font(label->font, label->size);
    w = 0;
    h = 0;
    fl_measure(label->value, w, h, 0);
    w += kCheckColumn;
}

}  // namespace

FltkPopupMenu::FltkPopupMenu(std::function<void(int commandId)> onChoice, int scale)
    : onChoice_(std::move(onChoice)), scale_(scale) {}

void FltkPopupMenu::AppendItem(const char* text, int commandId, std::uint32_t flags) {
    items_.push_back(Item{text != nullptr ? text : "", commandId, flags, false});
}

void FltkPopupMenu::AppendSeparator() {
    if (!items_.empty()) items_.back().dividerBelow = true;
}

// A disabled item is shown grey: FLTK has no item that can't be chosen but
// looks enabled, and a grey item tells the user at once that a refresh is
// already under way.
void FltkPopupMenu::Track(int x, int y) {
    if (items_.empty()) return;
    Fl::set_labeltype(kCheckedLabel, DrawChecked, MeasureLabel);
    Fl::set_labeltype(kPlainLabel, DrawPlain, MeasureLabel);
    std::vector<Fl_Menu_Item> menu;
    for (const Item& item : items_) {
        int flags = 0;
        if (item.flags & (MenuGrayed | MenuDisabled)) flags |= FL_MENU_INACTIVE;
        if (item.dividerBelow) flags |= FL_MENU_DIVIDER;
        Fl_Menu_Item entry{};
        entry.text = item.text.c_str();
        entry.user_data_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(item.commandId));
        entry.flags = flags;
        entry.labeltype_ = (item.flags & MenuChecked) ? kCheckedLabel : kPlainLabel;
        // The text grows with the main window's scale.
        entry.labelsize_ = static_cast<Fl_Fontsize>(kMenuTextSize * scale_);
        menu.push_back(entry);
    }
    menu.push_back(Fl_Menu_Item{});

    // The menu's real width, as FLTK sizes a popup menu: its widest item,
    // its frame on both sides and 7 pixels more.
    int width = 0;
    for (std::size_t i = 0; i + 1 < menu.size(); ++i) {
        int height = 0;
        width = std::max(width, menu[i].measure(&height, nullptr));
    }
    width += 2 * Fl::box_dx(FL_UP_BOX) + 7;

    // FLTK places a popup relative to the window of the current event.
    const int left = x - width / 2 - (Fl::event_x_root() - Fl::event_x());
    const int top = y - (Fl::event_y_root() - Fl::event_y());
    const Fl_Menu_Item* picked = menu.front().popup(left, top);
    if (picked == nullptr || !picked->active() || picked->text == nullptr) return;
    const auto commandId = static_cast<int>(reinterpret_cast<std::intptr_t>(picked->user_data_));
    if (onChoice_) onChoice_(commandId);
}

}  // namespace tickwell::linux_gui
