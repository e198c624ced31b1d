// The Windows Location dialog: its template, its controls driven through
// the dialog's own message loop as typing and keys would, and the Windows
// program's command line.
#include <gtest/gtest.h>

#if defined(_WIN32)

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/live_startup.h"
#include "platform/win32/command_line.h"
#include "platform/win32/gui/location_dialog.h"
#include "platform/win32/gui/module_instance.h"
#include "platform/win32/station_startup.h"
#include "platform/win32/system/registry_store.h"
#include "resources/resource_ids.h"

namespace tickwell::win32 {
namespace {

HINSTANCE Instance() {
    if (moduleInstance == nullptr) moduleInstance = ::GetModuleHandleA(nullptr);
    return moduleInstance;
}

// Windows need a display; under Wine that is an X server.
bool HaveDisplay() {
    return ::GetSystemMetrics(SM_CXSCREEN) > 0 && std::getenv("DISPLAY");
}

std::string ClassOf(HWND window) {
    char name[32] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

DWORD StyleOf(HWND window) {
    return static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE));
}

std::wstring ListLine(HWND list, int index) {
    const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) return L"<none>";
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// ------------------------------------------------- template and controls

// Looks at the controls from inside the dialog's initialisation, tries the
// texts both ways, then ends the dialog.
class ProbingProcedure : public LocationProcedure {
public:
    void OnInit(LocationControls& controls) override {
        dialog = static_cast<Win32LocationControls&>(controls).dialog();
        wchar_t text[64] = {};
        ::GetWindowTextW(dialog, text, 64);
        caption = text;
        query = ::GetDlgItem(dialog, IDC_LOCATION_QUERY);
        list = ::GetDlgItem(dialog, IDC_LOCATION_LIST);
        ok = ::GetDlgItem(dialog, IDOK);
        cancel = ::GetDlgItem(dialog, IDCANCEL);
        // The controls go with the dialog: what the test checks is read now.
        queryClass = ClassOf(query);
        listClass = ClassOf(list);
        queryStyle = StyleOf(query);
        listStyle = StyleOf(list);
        okStyle = StyleOf(ok);
        RECT client = {};
        ::GetClientRect(dialog, &client);
        RECT units = {0, 0, 272, 150};
        ::MapDialogRect(dialog, &units);
        clientMatchesTemplate = client.right == units.right && client.bottom == units.bottom;

        // A change of the field's text reaches OnQueryChanged at once.
        ::SetWindowTextW(query, L"Z\u00FCrich \u6771\u4EAC");
        controls.SetMatchLines({"KBOS  Boston, MA",
                                "TJSJ  San Juan, PR  Luis Mu\xC3\xB1oz Mar\xC3\xADn Intl",
                                "bad \xFF byte"});
        lineAfterSet = controls.HighlightedLine();
        secondLine = ListLine(list, 1);
        thirdLine = ListLine(list, 2);
        lineCount = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
        // The list shows its scroll bar only when the lines overflow it.
        controls.SetMatchLines(std::vector<std::string>(40, "KBOS  Boston, MA"));
        listStyleWhenFull = StyleOf(list);
        controls.SetMatchLines({});
        countAfterEmpty = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
        controls.End(2);
    }
    void OnQueryChanged(LocationControls& controls) override {
        queries.push_back(controls.QueryText());
    }
    void OnOk(LocationControls&) override {}
    void OnCancel(LocationControls&) override {}

    HWND dialog = nullptr, query = nullptr, list = nullptr, ok = nullptr, cancel = nullptr;
    std::wstring caption, secondLine, thirdLine;
    std::string queryClass, listClass;
    DWORD queryStyle = 0, listStyle = 0, listStyleWhenFull = 0, okStyle = 0;
    bool clientMatchesTemplate = false;
    std::vector<std::string> queries;
    int lineAfterSet = 5, lineCount = 0, countAfterEmpty = 5;
};

TEST(Win32LocationDialog, TemplateHasItsControlsAndTextsCrossInUtf8) {
    if (!HaveDisplay()) GTEST_SKIP() << "no display";
    Instance();
    ProbingProcedure procedure;
    EXPECT_EQ(RunLocationDialog(nullptr, procedure), 2);
    ASSERT_NE(procedure.dialog, nullptr);
    EXPECT_EQ(procedure.caption, L"Tickwell Location");
    EXPECT_TRUE(procedure.clientMatchesTemplate);

    ASSERT_NE(procedure.query, nullptr);
    EXPECT_EQ(::lstrcmpiA(procedure.queryClass.c_str(), "Edit"), 0) << procedure.queryClass;
    EXPECT_TRUE(procedure.queryStyle & WS_TABSTOP);
    EXPECT_TRUE(procedure.queryStyle & ES_AUTOHSCROLL);

    ASSERT_NE(procedure.list, nullptr);
    EXPECT_EQ(::lstrcmpiA(procedure.listClass.c_str(), "ListBox"), 0) << procedure.listClass;
    EXPECT_TRUE(procedure.listStyle & LBS_NOTIFY);
    EXPECT_TRUE(procedure.listStyleWhenFull & WS_VSCROLL);
    EXPECT_TRUE(procedure.listStyle & LBS_NOINTEGRALHEIGHT);
    EXPECT_FALSE(procedure.listStyle & LBS_SORT) << "the search's order is kept";

    ASSERT_NE(procedure.ok, nullptr);
    ASSERT_NE(procedure.cancel, nullptr);
    EXPECT_EQ(procedure.okStyle & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));

    const std::vector<std::string> queries = {"Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC"};
    EXPECT_EQ(procedure.queries, queries);
    EXPECT_EQ(procedure.lineCount, 3);
    EXPECT_EQ(procedure.lineAfterSet, -1) << "no line is highlighted after a change";
    EXPECT_EQ(procedure.secondLine, L"TJSJ  San Juan, PR  Luis Mu\u00F1oz Mar\u00EDn Intl");
    EXPECT_EQ(procedure.thirdLine, L"bad \uFFFD byte");
    EXPECT_EQ(procedure.countAfterEmpty, 0);
}

// ------------------------------------------ typing, keys and the result

// What the test does to the open dialog, one step a timer tick, so that
// every posted message goes through the dialog's own loop first.
struct Step {
    enum Kind { Type, Key, DoubleClick, CloseBox } kind;
    std::string text;  // Type: characters posted to the field
    int value = 0;     // Key: the virtual key; DoubleClick: the line
};

Step Type(std::string text) {
    return {Step::Type, std::move(text), 0};
}
Step Key(int key) {
    return {Step::Key, "", key};
}
Step DoubleClick(int line) {
    return {Step::DoubleClick, "", line};
}
Step CloseBox() {
    return {Step::CloseBox, "", 0};
}

// The dialog's logic in small: the lines holding the typed text, taken
// or not on OK as a real procedure would.
class ScriptedProcedure : public LocationProcedure {
public:
    explicit ScriptedProcedure(std::vector<Step> script) : script_(std::move(script)) {}

    void OnInit(LocationControls& controls) override {
        dialog_ = static_cast<Win32LocationControls&>(controls).dialog();
        active_ = this;
        timer_ = ::SetTimer(nullptr, 0, 15, OnTick);
    }
    void OnQueryChanged(LocationControls& controls) override {
        queries.push_back(controls.QueryText());
        lines_.clear();
        std::string query = queries.back();
        for (char& c : query) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (const char* line : kTable) {
            if (!query.empty() && std::strstr(line, query.c_str()) != nullptr)
                lines_.push_back(line);
        }
        controls.SetMatchLines(lines_);
    }
    void OnOk(LocationControls& controls) override {
        ++oks;
        taken = controls.HighlightedLine();
        if (!lines_.empty()) controls.End(1);
    }
    void OnCancel(LocationControls& controls) override {
        ++cancels;
        controls.End(2);
    }

    void StopTimer() { ::KillTimer(nullptr, timer_); }

    std::vector<std::string> queries;
    int oks = 0, cancels = 0, taken = -9;
    bool fieldHadFocus = false;
    bool scriptRanOut = false;

private:
    static constexpr const char* kTable[] = {
        "KBOS  BOSTON, MA  GENERAL EDWARD LAWRENCE LOGAN INTL",
        "KBED  BEDFORD, MA  LAURENCE G HANSCOM FLD",
        "KBOI  BOISE, ID  BOISE AIR TERMINAL",
        "KDEN  DENVER, CO  DENVER INTL",
    };

    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) { active_->RunNextStep(); }

    void RunNextStep() {
        HWND field = ::GetDlgItem(dialog_, IDC_LOCATION_QUERY);
        HWND list = ::GetDlgItem(dialog_, IDC_LOCATION_LIST);
        if (next_ == 0) fieldHadFocus = ::GetFocus() == field;
        if (next_ >= script_.size()) {
            // The script should have ended the dialog; end it so the test
            // fails instead of hanging.
            scriptRanOut = true;
            ::KillTimer(nullptr, timer_);
            ::EndDialog(dialog_, -3);
            return;
        }
        const Step& step = script_[next_++];
        switch (step.kind) {
            case Step::Type:
                for (char c : step.text) ::PostMessageW(field, WM_CHAR, static_cast<WPARAM>(c), 1);
                break;
            case Step::Key:
                ::PostMessageW(field, WM_KEYDOWN, static_cast<WPARAM>(step.value), 1);
                ::PostMessageW(field, WM_KEYUP, static_cast<WPARAM>(step.value), 0xC0000001);
                break;
            case Step::DoubleClick: {
                RECT item = {};
                ::SendMessageW(list, LB_GETITEMRECT, step.value, reinterpret_cast<LPARAM>(&item));
                const LPARAM at =
                    MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
                ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
                ::PostMessageW(list, WM_LBUTTONUP, 0, at);
                ::PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
                ::PostMessageW(list, WM_LBUTTONUP, 0, at);
                break;
            }
            case Step::CloseBox: ::PostMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        }
    }

    static inline ScriptedProcedure* active_ = nullptr;
    std::vector<Step> script_;
    std::size_t next_ = 0;
    std::vector<std::string> lines_;
    HWND dialog_ = nullptr;
    UINT_PTR timer_ = 0;
};

TEST(Win32LocationDialog, TypingKeysAndButtonsReachTheLogic) {
    if (!HaveDisplay()) GTEST_SKIP() << "no display";
    Instance();
    struct Case {
        const char* name;
        std::vector<Step> script;
        int result;
        int taken;  // the highlighted line at the last OK; -9: no OK
        std::vector<std::string> queries;
        int oks, cancels;
    };
    const std::vector<Case> cases = {
        {"down twice then Enter",
         {Type("bo"), Key(VK_DOWN), Key(VK_DOWN), Key(VK_RETURN)},
         1,
         1,
         {"b", "bo"},
         1,
         0},
        {"down stops at the last line",
         {Type("b"), Key(VK_DOWN), Key(VK_DOWN), Key(VK_DOWN), Key(VK_DOWN), Key(VK_DOWN),
          Key(VK_RETURN)},
         1,
         2,
         {"b"},
         1,
         0},
        {"up stops at the first line",
         {Type("b"), Key(VK_DOWN), Key(VK_DOWN), Key(VK_UP), Key(VK_UP), Key(VK_UP),
          Key(VK_RETURN)},
         1,
         0,
         {"b"},
         1,
         0},
        {"up from no highlight takes the first",
         {Type("b"), Key(VK_UP), Key(VK_RETURN)},
         1,
         0,
         {"b"},
         1,
         0},
        {"Enter with none highlighted",
         {Type("den"), Key(VK_RETURN)},
         1,
         -1,
         {"d", "de", "den"},
         1,
         0},
        {"typing again drops the highlight",
         {Type("bo"), Key(VK_DOWN), Type("i"), Key(VK_RETURN)},
         1,
         -1,
         {"b", "bo", "boi"},
         1,
         0},
        {"backspace filters again",
         {Type("bx\b"), Key(VK_DOWN), Key(VK_RETURN)},
         1,
         0,
         {"b", "bx", "b"},
         1,
         0},
        {"OK with nothing to take keeps the dialog open",
         {Type("zz"), Key(VK_RETURN), Key(VK_ESCAPE)},
         2,
         -1,
         {"z", "zz"},
         1,
         1},
        {"Escape cancels", {Type("b"), Key(VK_DOWN), Key(VK_ESCAPE)}, 2, -9, {"b"}, 0, 1},
        {"the close box cancels", {Type("b"), CloseBox()}, 2, -9, {"b"}, 0, 1},
        {"a double click takes its line", {Type("b"), DoubleClick(2)}, 1, 2, {"b"}, 1, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ScriptedProcedure procedure(test.script);
        const int result = RunLocationDialog(nullptr, procedure);
        procedure.StopTimer();
        EXPECT_FALSE(procedure.scriptRanOut);
        EXPECT_TRUE(procedure.fieldHadFocus);
        EXPECT_EQ(result, test.result);
        EXPECT_EQ(procedure.taken, test.taken);
        EXPECT_EQ(procedure.queries, test.queries);
        EXPECT_EQ(procedure.oks, test.oks);
        EXPECT_EQ(procedure.cancels, test.cancels);
    }
}

TEST(Win32LocationDialog, HighlightMovesOneLineAndStaysOnTheList) {
    struct Case {
        int current, count, step, moved;
    };
    const Case cases[] = {
        {-1, 0, 1, -1}, {-1, 0, -1, -1}, {-1, 3, 1, 0}, {-1, 3, -1, 0}, {0, 3, 1, 1},
        {2, 3, 1, 2},   {0, 3, -1, 0},   {2, 3, -1, 1}, {7, 3, 1, 0},   {0, 1, 1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MovedHighlight(c.current, c.count, c.step), c.moved)
            << c.current << " of " << c.count << " by " << c.step;
    }
}

// ------------------------------------------------------ station setting

std::string StoredStation(RegistrySettingsStore& store) {
    std::string text;
    if (!store.OpenForReading() || !store.ReadText("Station", &text)) text = "<none>";
    store.Close();
    return text;
}

TEST(Win32StationSetting, SavedAsTextBesideTheNumbersAndReadBack) {
    const char* keyPath = "Software\\Quillfen\\TickwellStationTest";
    ::RegDeleteKeyA(HKEY_CURRENT_USER, keyPath);
    RegistrySettingsStore store(keyPath);
    EXPECT_FALSE(StationWasChosen(store)) << "no key at all";
    ASSERT_TRUE(store.OpenForWriting());
    store.Write("Interval", 17);
    store.Close();
    EXPECT_FALSE(StationWasChosen(store)) << "the numbers only";

    for (const char* id : {"KBOS", "PHNL", "KDEN"}) {
        ASSERT_TRUE(SaveStationSetting(keyPath, id));
        EXPECT_EQ(StoredStation(store), id);
        EXPECT_TRUE(StationWasChosen(store));
    }
    // A REG_SZ, and the number beside it untouched.
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ | KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    DWORD type = REG_NONE, size = 0;
    EXPECT_EQ(::RegQueryValueExA(key, "Station", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 5u);
    std::uint32_t interval = 0;
    ASSERT_TRUE(store.OpenForReading());
    EXPECT_TRUE(store.Read("Interval", &interval));
    store.Close();
    EXPECT_EQ(interval, 17u);

    // A value edited by hand into something that is no station id is no
    // choice: the window keeps telling how to choose.
    const char bad[] = "K$$";
    ::RegSetValueExA(key, "Station", 0, REG_SZ, reinterpret_cast<const BYTE*>(bad), sizeof bad);
    EXPECT_FALSE(StationWasChosen(store));
    ::RegCloseKey(key);

    // The town chosen with the station, beside it; cleared with none.
    const live::Place golden{"Golden, CO", 39.75554, -105.2211};
    EXPECT_FALSE(live::LoadPlace(store));
    ASSERT_TRUE(SavePlaceSetting(keyPath, golden));
    EXPECT_EQ(live::LoadPlace(store), golden);
    ASSERT_TRUE(SavePlaceSetting(keyPath, std::nullopt));
    EXPECT_FALSE(live::LoadPlace(store));
    EXPECT_EQ(::RegDeleteKeyA(HKEY_CURRENT_USER, keyPath), ERROR_SUCCESS);
}

// ------------------------------------------------------- command line

TEST(Win32CommandLine, OptionsAndMistakes) {
    struct Case {
        std::vector<const char*> arguments;
        CommandAction action;
        const char* station;  // null: none
        bool atLogin;
        const char* errorHas;
    };
    const std::vector<Case> cases = {
        {{}, CommandAction::Run, nullptr, false, ""},
        {{"--station", "kbos"}, CommandAction::Run, "KBOS", false, ""},
        {{"--station=  phnl "}, CommandAction::Run, "PHNL", false, ""},
        {{"--at-login"}, CommandAction::Run, nullptr, true, ""},
        {{"--at-login", "--station", "KDEN"}, CommandAction::Run, "KDEN", true, ""},
        {{"--station", "KDEN", "--station", "KBOS"}, CommandAction::Run, "KBOS", false, ""},
        {{"--help"}, CommandAction::Help, nullptr, false, ""},
        {{"/?"}, CommandAction::Help, nullptr, false, ""},
        {{"--station"}, CommandAction::Error, nullptr, false, "needs a station id"},
        {{"--station="}, CommandAction::Error, nullptr, false, "is not a station id"},
        {{"--station", "K$OS"}, CommandAction::Error, nullptr, false, "'K$OS' is not a station"},
        {{"--station", "K/BOS"}, CommandAction::Error, nullptr, false, "is not a station id"},
        {{"--stationKBOS"},
         CommandAction::Error,
         nullptr,
         false,
         "Unknown argument '--stationKBOS'"},
        {{"--at-login=yes"}, CommandAction::Error, nullptr, false, "Unknown argument"},
        {{"KBOS"}, CommandAction::Error, nullptr, false, "Unknown argument 'KBOS'"},
        {{"--verbose", "--help"}, CommandAction::Error, nullptr, false, "'--verbose'"},
    };
    for (const Case& test : cases) {
        std::vector<const char*> argv = {"tickwell.exe"};
        argv.insert(argv.end(), test.arguments.begin(), test.arguments.end());
        std::string joined;
        for (const char* argument : test.arguments) joined += std::string(argument) + " ";
        SCOPED_TRACE(joined);
        const CommandLine parsed = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(parsed.action, test.action);
        EXPECT_EQ(parsed.station.has_value(), test.station != nullptr);
        if (parsed.station && test.station) {
            EXPECT_EQ(*parsed.station, test.station);
        }
        EXPECT_EQ(parsed.atLogin, test.atLogin);
        EXPECT_NE(parsed.error.find(test.errorHas), std::string::npos) << parsed.error;
    }
    EXPECT_NE(UsageText().find("--station ID"), std::string::npos);
    EXPECT_NE(UsageText().find("Location..."), std::string::npos);
}

}  // namespace
}  // namespace tickwell::win32

#else

TEST(Win32Location, RunsOnlyOnWindows) {
    GTEST_SKIP() << "Windows back end";
}

#endif
