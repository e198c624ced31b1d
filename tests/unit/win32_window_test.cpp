// The Windows desktop: the compiled resources, the main window's messages
// and services, the menu flags and the Preferences dialog's controls.
#include <gtest/gtest.h>

#if defined(_WIN32)

// The common controls' header needs the Windows header first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/gui/desktop.h"
#include "platform/win32/gui/module_instance.h"
#include "platform/win32/gui/preferences_dialog.h"
#include "resources/resource_ids.h"

namespace tickwell::win32 {
namespace {

HINSTANCE Instance() {
    if (moduleInstance == nullptr) moduleInstance = ::GetModuleHandleA(nullptr);
    return moduleInstance;
}

// ------------------------------------------------------------- resources

TEST(Win32Resources, StringTableHoldsTheProgramsTexts) {
    const std::pair<int, const char*> expected[] = {
        {IDS_TITLE, "Tickwell"},
        {IDS_ERROR_CAPTION, "Tickwell Error"},
        {IDS_ERROR_REGISTER_CLASS,
         "Could not register the window class. Press OK to close the application."},
        {IDS_ERROR_CREATE_WINDOW,
         "Could not create the main window. Press OK to close the application."},
        {IDS_ERROR_INTERNET,
         "Could not connect to the internet.  Press OK to close the application."},
        {IDS_ERROR_SERVER,
         "Could not connect to the NWS web server.  Press OK to close the application."},
    };
    for (const auto& [id, text] : expected) {
        char buffer[120] = {};
        EXPECT_GT(::LoadStringA(Instance(), id, buffer, sizeof buffer), 0) << id;
        EXPECT_STREQ(buffer, text) << id;
    }
    char unused[16] = {};
    EXPECT_EQ(::LoadStringA(Instance(), 6, unused, sizeof unused), 0);
    EXPECT_EQ(::LoadStringA(Instance(), 7, unused, sizeof unused), 0);
}

TEST(Win32Resources, IconAndPictureLoad) {
    EXPECT_NE(::LoadIconA(Instance(), MAKEINTRESOURCEA(IDI_TICKWELL)), nullptr);
    HBITMAP picture = ::LoadBitmapA(Instance(), MAKEINTRESOURCEA(IDB_PICTURE));
    ASSERT_NE(picture, nullptr);
    BITMAP described = {};
    ::GetObjectA(picture, sizeof described, &described);
    EXPECT_EQ(described.bmWidth, 64);
    EXPECT_EQ(described.bmHeight, 65);
    ::DeleteObject(picture);
}

// Reads a classic dialog template.
class TemplateReader {
public:
    explicit TemplateReader(const void* data) : at_(static_cast<const BYTE*>(data)) {}
    DWORD Dword() {
        DWORD value;
        std::memcpy(&value, at_, 4);
        at_ += 4;
        return value;
    }
    WORD Word() {
        WORD value;
        std::memcpy(&value, at_, 2);
        at_ += 2;
        return value;
    }
    // A name or ordinal, written as "#n" for an ordinal.
    std::string NameOrOrdinal() {
        const WORD first = Word();
        std::string text;
        if (first == 0xFFFF) {
            text.push_back('#');
            text.append(std::to_string(Word()));
            return text;
        }
        for (WORD c = first; c != 0; c = Word()) text += static_cast<char>(c);
        return text;
    }
    void AlignToDword(const void* base) {
        const auto offset = at_ - static_cast<const BYTE*>(base);
        at_ += (4 - offset % 4) % 4;
    }

private:
    const BYTE* at_;
};

struct ControlItem {
    std::string className;
    int id;
    DWORD style;
    int x, y, width, height;
    std::string text;
};

TEST(Win32Resources, PreferencesTemplateIsExactlyAsDesigned) {
    HRSRC found = ::FindResourceA(Instance(), MAKEINTRESOURCEA(IDD_PREFERENCES),
                                  MAKEINTRESOURCEA(5));  // RT_DIALOG
    ASSERT_NE(found, nullptr);
    const void* data = ::LockResource(::LoadResource(Instance(), found));
    TemplateReader reader(data);
    EXPECT_EQ(reader.Dword(), 0x80C800C0u) << "style";
    EXPECT_EQ(reader.Dword(), 0u) << "extended style";
    const int count = reader.Word();
    ASSERT_EQ(count, 12);
    const short box[4] = {static_cast<short>(reader.Word()), static_cast<short>(reader.Word()),
                          static_cast<short>(reader.Word()), static_cast<short>(reader.Word())};
    EXPECT_EQ(box[0], 0);
    EXPECT_EQ(box[1], 0);
    EXPECT_EQ(box[2], 222);
    EXPECT_EQ(box[3], 71);
    EXPECT_EQ(reader.NameOrOrdinal(), "") << "menu";
    EXPECT_EQ(reader.NameOrOrdinal(), "") << "class";
    EXPECT_EQ(reader.NameOrOrdinal(), "Tickwell Preferences");
    EXPECT_EQ(reader.Word(), 8) << "point size";
    EXPECT_EQ(reader.NameOrOrdinal(), "MS Sans Serif");

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const DWORD label = child | WS_GROUP | SS_LEFT;
    const DWORD push = child | WS_TABSTOP | BS_PUSHBUTTON;
    const ControlItem expected[12] = {
        {"#129", 1000, child | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_LEFT, 55, 50, 30, 10, ""},
        {"msctls_updown32", 1001,
         child | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS, 75, 50, 9, 10,
         "Spin1"},
        {"#128", 1, child | WS_TABSTOP | BS_DEFPUSHBUTTON, 165, 50, 50, 14, "OK"},
        {"#128", 2, push, 110, 50, 50, 14, "Cancel"},
        {"#130", 0xFFFF, label, 5, 50, 50, 10, "Refresh Every:"},
        {"#130", 0xFFFF, label, 115, 5, 85, 10, TEXT_CREDIT},
        {"#130", 0xFFFF, label, 115, 15, 90, 10, TEXT_NOTICE},
        {"#130", 0xFFFF, child | SS_BITMAP, 5, 5, 43, 40, "#106"},
        {"#130", 0xFFFF, label, 85, 50, 15, 10, "Min."},
        {"#128", 1007, push, 55, 5, 55, 15, "Visit Web Page"},
        {"#128", 1008, push, 55, 25, 55, 15, "Send Email"},
        {"#130", 0xFFFF, label, 115, 30, 100, 15, TEXT_THANKS},
    };
    for (int i = 0; i < count; ++i) {
        reader.AlignToDword(data);
        ControlItem item;
        item.style = reader.Dword();
        EXPECT_EQ(reader.Dword(), 0u) << "control " << i << " extended style";
        item.x = static_cast<short>(reader.Word());
        item.y = static_cast<short>(reader.Word());
        item.width = static_cast<short>(reader.Word());
        item.height = static_cast<short>(reader.Word());
        item.id = reader.Word();
        item.className = reader.NameOrOrdinal();
        item.text = reader.NameOrOrdinal();
        const WORD extra = reader.Word();
        for (WORD b = 0; b < extra; b += 2) reader.Word();

        const ControlItem& want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + " " + want.text);
        // Class names are case-insensitive; the resource compiler upper-cases them.
        EXPECT_EQ(::lstrcmpiA(item.className.c_str(), want.className.c_str()), 0) << item.className;
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(item.style, want.style);
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.width, want.width);
        EXPECT_EQ(item.height, want.height);
        EXPECT_EQ(item.text, want.text);
    }
}

// ------------------------------------------------------- message words

TEST(Win32Messages, PositionWordsKeepTheirSign) {
    const LPARAM position = MAKELPARAM(static_cast<WORD>(-5), static_cast<WORD>(-700));
    EXPECT_EQ(ScreenXOf(position), -5);
    EXPECT_EQ(ScreenYOf(position), -700);
    EXPECT_EQ(ScreenXOf(MAKELPARAM(1919, 1079)), 1919);
    EXPECT_EQ(ScreenYOf(MAKELPARAM(1919, 1079)), 1079);
}

// ----------------------------------------------------------- main window

// Records the events and acts as the window logic does.
class RecordingHandlers : public WindowHandlers {
public:
    void OnCreate(WindowServices& window) override {
        auto& win = static_cast<Win32Window&>(window);
        handleAtCreate = win.hwnd();
        positionAtCreate = window.ScreenPosition();
        window.CreateCloseButton(Rect{5, 5, 20, 20}, IDC_CLOSE_BUTTON);
        timerId = window.StartTimer(1, 10);
        events.push_back("create");
    }
    void OnDestroy(WindowServices& window) override {
        positionAtDestroy = window.ScreenPosition();
        window.StopTimer(timerId);
        events.push_back("destroy");
        window.PostQuit(3);
    }
    void OnEndSession(WindowServices&) override { events.push_back("end session"); }
    void OnPaint(Canvas&) override { ++paints; }
    void OnTimer(WindowServices& window) override {
        if (++ticks == 2) window.Close();
    }
    void OnRightClick(WindowServices&, int x, int y) override {
        events.push_back("right " + std::to_string(x) + " " + std::to_string(y));
    }
    void OnCommand(WindowServices&, int id, int code) override {
        events.push_back("command " + std::to_string(id) + " " + std::to_string(code));
    }

    HWND handleAtCreate = nullptr;
    Point positionAtCreate;
    Point positionAtDestroy;
    std::uintptr_t timerId = 0;
    int paints = 0;
    int ticks = 0;
    std::vector<std::string> events;
};

// Windows need a display; under Wine that is an X server.
bool HaveDisplay() {
    return ::GetSystemMetrics(SM_CXSCREEN) > 0 && std::getenv("DISPLAY");
}

TEST(Win32MainWindow, MessagesReachTheLogicAndServicesWork) {
    if (!HaveDisplay()) GTEST_SKIP() << "no display";
    Instance();
    Win32Desktop desktop;
    desktop.InitCommonControls();
    ASSERT_TRUE(desktop.RegisterWindowClass());
    WNDCLASSA registered = {};
    ASSERT_TRUE(::GetClassInfoA(Instance(), "Mozilla/4.0", &registered));
    EXPECT_EQ(registered.style, 0x3048u);
    EXPECT_EQ(registered.hbrBackground, ::GetStockObject(GRAY_BRUSH));
    EXPECT_NE(registered.hIcon, nullptr);

    const Point screen = desktop.ScreenSize();
    EXPECT_EQ(screen.x, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(screen.y, ::GetSystemMetrics(SM_CYSCREEN));

    RecordingHandlers handlers;
    auto* window = static_cast<Win32Window*>(desktop.CreateMainWindow(30, 40, 200, 45, handlers));
    ASSERT_NE(window, nullptr);
    HWND hwnd = window->hwnd();
    // The handle was there before the creation handler ran.
    EXPECT_EQ(handlers.handleAtCreate, hwnd);
    EXPECT_EQ(handlers.positionAtCreate.x, 30);
    EXPECT_EQ(handlers.positionAtCreate.y, 40);

    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_STYLE)) & (WS_POPUP | WS_BORDER),
              static_cast<DWORD>(WS_POPUP | WS_BORDER));
    EXPECT_EQ(::GetWindowLongA(hwnd, GWL_STYLE) & WS_CAPTION & ~WS_BORDER, 0);
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    char title[32] = {};
    ::GetWindowTextA(hwnd, title, sizeof title);
    EXPECT_STREQ(title, "Tickwell");
    RECT client = {};
    ::GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 198);
    EXPECT_EQ(client.bottom, 43);

    HWND button = ::GetDlgItem(hwnd, IDC_CLOSE_BUTTON);
    ASSERT_NE(button, nullptr);
    char buttonText[8] = {};
    ::GetWindowTextA(button, buttonText, sizeof buttonText);
    EXPECT_STREQ(buttonText, "X");
    RECT buttonRect = {};
    ::GetWindowRect(button, &buttonRect);
    ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&buttonRect), 2);
    EXPECT_EQ(buttonRect.left, 5);
    EXPECT_EQ(buttonRect.top, 5);
    EXPECT_EQ(buttonRect.right - buttonRect.left, 15);
    EXPECT_EQ(buttonRect.bottom - buttonRect.top, 15);

    EXPECT_EQ(::SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(100, 60)), HTCAPTION);
    ::SendMessageA(hwnd, WM_NCRBUTTONDOWN, HTCAPTION,
                   MAKELPARAM(static_cast<WORD>(-5), static_cast<WORD>(-7)));
    ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(40002, 1), 0);
    // Only a session that really ends reaches the logic.
    ::SendMessageA(hwnd, WM_ENDSESSION, FALSE, 0);
    ::SendMessageA(hwnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);

    desktop.ShowMainWindow();
    ::UpdateWindow(hwnd);
    EXPECT_GE(handlers.paints, 1);

    const int paintsBefore = handlers.paints;
    const Rect area{25, 5, 195, 20};
    window->Invalidate(&area, false);
    ::UpdateWindow(hwnd);
    EXPECT_EQ(handlers.paints, paintsBefore + 1);

    // Two ticks, then the window closes itself and the loop ends.
    EXPECT_EQ(desktop.RunMessageLoop(), 3);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(handlers.positionAtDestroy.x, 30);
    EXPECT_EQ(handlers.positionAtDestroy.y, 40);
    const std::vector<std::string> expected = {"create", "right -5 -7", "command 40002 1",
                                               "end session", "destroy"};
    EXPECT_EQ(handlers.events, expected);

    // The fetch job may still invalidate a window that is gone.
    window->Invalidate(nullptr, true);
}

// ----------------------------------------------------- Preferences dialog

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
    char name[16] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

// Checks the dialog's controls from inside its initialisation, then ends it.
class ProbingProcedure : public DialogProcedure {
public:
    bool OnInit(DialogControls& controls) override {
        ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (dialog == nullptr) {
            controls.End(-2);
            return true;
        }
        ::SendDlgItemMessageA(dialog, IDC_INTERVAL_SPIN, UDM_GETRANGE32,
                              reinterpret_cast<WPARAM>(&spinLow),
                              reinterpret_cast<LPARAM>(&spinHigh));
        controls.SetUnsigned(IDC_INTERVAL_EDIT, 20);
        readBack = controls.GetUnsigned(IDC_INTERVAL_EDIT, &tooLargeAfterSet);
        ::SetDlgItemTextA(dialog, IDC_INTERVAL_EDIT, "12abc");
        readTrailing = controls.GetUnsigned(IDC_INTERVAL_EDIT, &tooLargeTrailing);
        ::SetDlgItemTextA(dialog, IDC_INTERVAL_EDIT, "99999999999");
        readHuge = controls.GetUnsigned(IDC_INTERVAL_EDIT, &tooLargeHuge);
        ::SetDlgItemTextA(dialog, IDC_INTERVAL_EDIT, "");
        readEmpty = controls.GetUnsigned(IDC_INTERVAL_EDIT, &tooLargeEmpty);
        controls.ShowNormal();
        visible = ::IsWindowVisible(dialog) != FALSE;
        controls.End(2);
        return true;
    }
    void OnCommand(DialogControls&, int, int) override {}

    HWND dialog = nullptr;
    int spinLow = -1;
    int spinHigh = -1;
    std::uint32_t readBack = 0, readTrailing = 0, readHuge = 1, readEmpty = 1;
    bool tooLargeAfterSet = true, tooLargeTrailing = true, tooLargeHuge = false,
         tooLargeEmpty = true;
    bool visible = false;
};

TEST(Win32PreferencesDialog, ControlsReadAndWriteTheIntervalField) {
    if (!HaveDisplay()) GTEST_SKIP() << "no display";
    Instance();
    ::InitCommonControls();
    ProbingProcedure procedure;
    EXPECT_EQ(RunPreferencesDialog(nullptr, procedure), 2);
    ASSERT_NE(procedure.dialog, nullptr);
    // Up raises the number, within the minutes the dialog accepts.
    EXPECT_EQ(procedure.spinLow, 1);
    EXPECT_EQ(procedure.spinHigh, 136);
    EXPECT_EQ(procedure.readBack, 20u);
    EXPECT_FALSE(procedure.tooLargeAfterSet);
    EXPECT_EQ(procedure.readTrailing, 12u);
    EXPECT_FALSE(procedure.tooLargeTrailing);
    EXPECT_TRUE(procedure.tooLargeHuge);
    EXPECT_EQ(procedure.readEmpty, 0u);
    EXPECT_FALSE(procedure.tooLargeEmpty);
    EXPECT_TRUE(procedure.visible);
}

}  // namespace
}  // namespace tickwell::win32

#else

TEST(Win32Window, RunsOnlyOnWindows) {
    GTEST_SKIP() << "Windows back end";
}

#endif
