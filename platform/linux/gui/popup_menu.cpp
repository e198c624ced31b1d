#include "platform/linux/gui/popup_menu.h"

#include <FL/Fl.H>
#include <FL/Fl_Menu_Item.H>

#include <algorithm>
#include <utility>

#include "platform/linux/gui/display_scale.h"
#include "resources/resource_ids.h"

namespace tickwell::linux_gui {

namespace {

constexpr Fl_Fontsize kMenuTextSize = 12;
// What a popup menu adds to its widest label: frame and margins.
constexpr int kMenuChrome = 20;

// The items that carry a check mark when chosen show a check box at all
// times, so that all labels line up as they do next to a check column.
bool IsCheckable(int commandId) {
    return commandId == IDM_TODAY || commandId == IDM_OUTLOOK || commandId == IDM_FASTER;
}

}  // namespace

FltkPopupMenu::FltkPopupMenu(std::function<void(int commandId)> onChoice)
    : onChoice_(std::move(onChoice)) {}

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
    std::vector<Fl_Menu_Item> menu;
    for (const Item& item : items_) {
        int flags = 0;
        if (IsCheckable(item.commandId) || (item.flags & MenuChecked)) flags |= FL_MENU_TOGGLE;
        if (item.flags & MenuChecked) flags |= FL_MENU_VALUE;
        if (item.flags & (MenuGrayed | MenuDisabled)) flags |= FL_MENU_INACTIVE;
        if (item.dividerBelow) flags |= FL_MENU_DIVIDER;
        Fl_Menu_Item entry{};
        entry.text = item.text.c_str();
        entry.user_data_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(item.commandId));
        entry.flags = flags;
        // The text grows with the main window's scale.
        entry.labelsize_ = static_cast<Fl_Fontsize>(kMenuTextSize * DisplayScale());
        menu.push_back(entry);
    }
    menu.push_back(Fl_Menu_Item{});

    int width = 0;
    for (std::size_t i = 0; i + 1 < menu.size(); ++i) {
        int height = 0;
        width = std::max(width, menu[i].measure(&height, nullptr));
    }
    width += kMenuChrome;

    // FLTK places a popup relative to the window of the current event.
    const int left = x - width / 2 - (Fl::event_x_root() - Fl::event_x());
    const int top = y - (Fl::event_y_root() - Fl::event_y());
    const Fl_Menu_Item* picked = menu.front().popup(left, top);
    if (picked == nullptr || !picked->active() || picked->text == nullptr) return;
    const auto commandId = static_cast<int>(reinterpret_cast<std::intptr_t>(picked->user_data_));
    if (onChoice_) onChoice_(commandId);
}

}  // namespace tickwell::linux_gui
