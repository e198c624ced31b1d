// The context menu on FLTK: a popup menu at the pointer that lives for one
// right-click.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/window.h"

namespace tickwell::linux_gui {

class FltkPopupMenu : public PopupMenu {
public:
    // `onChoice` receives the chosen command, once the menu has closed; the
    // text grows with the main window's `scale`.
    FltkPopupMenu(std::function<void(int commandId)> onChoice, int scale);

    void AppendItem(const char* text, int commandId, std::uint32_t flags) override;
    void AppendSeparator() override;
    // Shows the menu with its top edge at y, centred horizontally on x
    // (screen coordinates), and waits until it closes.
    void Track(int x, int y) override;

private:
    struct Item {
        std::string text;
        int commandId;
        std::uint32_t flags;
        bool dividerBelow;
    };
    std::function<void(int)> onChoice_;
    int scale_;
    std::vector<Item> items_;
};

}  // namespace tickwell::linux_gui
