// The Location dialog from dialog template 102, run modally: a search field,
// the list of matching stations, OK and Cancel.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/window.h"

namespace tickwell::win32 {

// The dialog's controls for the dialog's logic. Texts cross in UTF-8; the
// dialog is a Unicode window, so no character is lost to a code page.
class Win32LocationControls : public LocationControls {
public:
    explicit Win32LocationControls(HWND dialog) : dialog_(dialog) {}

    HWND dialog() const { return dialog_; }

    std::string QueryText() override;
    void SetMatchLines(const std::vector<std::string>& lines) override;
    int HighlightedLine() override;
    void End(int result) override;

private:
    HWND dialog_;
};

// Moves the list's highlight one line up (-1) or down (+1) and keeps it on
// the list: from no highlight, either key highlights the first line.
// Returns the new index, or -1 when the list is empty.
int MovedHighlight(int current, int count, int step);

// Runs the dialog owned by `owner` until `procedure` ends it; returns the
// result it ended with (-1 when the dialog could not be created).
int RunLocationDialog(HWND owner, LocationProcedure& procedure);

// UTF-8 to UTF-16 and back, for the controls' texts. Malformed UTF-8 turns
// into replacement characters.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

}  // namespace tickwell::win32
