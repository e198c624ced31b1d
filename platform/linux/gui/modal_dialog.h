// What the Preferences and Location dialogs share: how a dialog ends, its
// modal window whose Escape and close box cancel, its buttons, and the
// loop that runs it where its owner asked, kept on the screen.
#pragma once

#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>

namespace tickwell::linux_gui {

// The end of a modal dialog: the result its procedure ended it with, which
// also hides the window. A dialog closed any other way keeps
// `cancelResult`.
class DialogEnding {
public:
    DialogEnding(Fl_Window& window, int cancelResult) : window_(window), result_(cancelResult) {}

    void End(int result);
    bool ended() const { return ended_; }
    int result() const { return result_; }

private:
    Fl_Window& window_;
    bool ended_ = false;
    int result_;
};

// Makes `window` modal; Escape and the close box call `onCancel` with the
// window, as the Cancel button would.
void MakeModal(Fl_Window& window, void (*onCancel)(Fl_Window& window));

// Gives a new button (an Fl_Return_Button answers Enter too) the dialog's
// text size and a click handler that gets the button's window; returns it.
Fl_Button* DialogButton(Fl_Button* button, Fl_Fontsize textSize,
                        void (*onClick)(Fl_Window& window));

// Shows the dialog with its top-left client pixel at (x, y), kept on the
// screen, gives `focus` (when there is one) the focus, and lets the toolkit
// run until the dialog has ended or its window was closed. Returns the
// result it ended with.
int RunModalDialog(Fl_Window& window, const DialogEnding& ending, int x, int y, Fl_Widget* focus);

}  // namespace tickwell::linux_gui
