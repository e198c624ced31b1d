// The main window on a dense screen: drawn at 2x or 3x from the monitor's
// density or the Scale setting, the logic's 1x picture enlarged into
// squares, its parts and the close button where they belong, a change of
// density taken at the place the system suggests, and no GDI object left
// behind by the changes.
#include <gtest/gtest.h>

#if defined(_WIN32)

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/gui/desktop.h"
#include "platform/win32/gui/module_instance.h"
#include "platform/win32/system/registry_store.h"
#include "platform/window_scale.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"

namespace tickwell::win32 {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGray = RGB(128, 128, 128);
// Filled red by every paint, and blue by a drawing outside a paint.
constexpr Rect kPainted{30, 10, 40, 20};
constexpr Rect kDrawnOutside{50, 25, 60, 35};

bool HaveDisplay() {
    return ::GetSystemMetrics(SM_CXSCREEN) > 0 && std::getenv("DISPLAY");
}

class PaintingHandlers : public WindowHandlers {
public:
    explicit PaintingHandlers(Graphics& graphics) : graphics_(graphics) {}
    ~PaintingHandlers() override {
        delete red_;
        delete blue_;
    }

    void OnCreate(WindowServices& window) override {
        red_ = graphics_.CreateSolidBrush(kRed);
        blue_ = graphics_.CreateSolidBrush(kBlue);
        window.CreateCloseButton(Rect{5, 5, 20, 20}, IDC_CLOSE_BUTTON);
    }
    void OnDestroy(WindowServices&) override {}
    void OnEndSession(WindowServices&) override {}
    void OnPaint(Canvas& canvas) override {
        ++paints;
        Fill(canvas, kPainted, red_);
    }
    void OnTimer(WindowServices&) override {}
    void OnRightClick(WindowServices&, int, int) override {}
    void OnCommand(WindowServices&, int, int) override {}

    void DrawOutsidePaint(WindowServices& window) {
        std::unique_ptr<Canvas> canvas = window.GetCanvas();
        ASSERT_NE(canvas, nullptr);
        Fill(*canvas, kDrawnOutside, blue_);
    }

    int paints = 0;

private:
    // A null pen fills the box less its right and bottom edge.
    void Fill(Canvas& canvas, const Rect& box, Brush* brush) {
        Brush* keptBrush = canvas.SelectBrush(brush);
        Pen* keptPen = canvas.SelectPen(graphics_.NullPen());
        canvas.Rectangle(Rect{box.left, box.top, box.right + 1, box.bottom + 1});
        canvas.SelectPen(keptPen);
        canvas.SelectBrush(keptBrush);
    }

    Graphics& graphics_;
    Brush* red_ = nullptr;
    Brush* blue_ = nullptr;
};

struct Shown {
    RECT window{};
    RECT client{};
    bool border = false;
    RECT button{};  // in the window's client pixels
    bool ownerDrawn = false;
};

Shown Look(HWND hwnd) {
    Shown shown;
    ::GetWindowRect(hwnd, &shown.window);
    ::GetClientRect(hwnd, &shown.client);
    shown.border = (::GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_BORDER) != 0;
    HWND button = ::GetDlgItem(hwnd, IDC_CLOSE_BUTTON);
    ::GetWindowRect(button, &shown.button);
    ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&shown.button), 2);
    shown.ownerDrawn = (::GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
    return shown;
}

void ExpectRect(const RECT& seen, int left, int top, int right, int bottom, const char* what) {
    EXPECT_EQ(seen.left, left) << what;
    EXPECT_EQ(seen.top, top) << what;
    EXPECT_EQ(seen.right, right) << what;
    EXPECT_EQ(seen.bottom, bottom) << what;
}

// Every screen pixel of the 1x pixel (x, y) of the client area.
void ExpectSquare(HWND hwnd, int scale, int x, int y, COLORREF wanted) {
    HDC dc = ::GetDC(hwnd);
    for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) {
            EXPECT_EQ(::GetPixel(dc, (x + 1) * scale + dx, (y + 1) * scale + dy), wanted)
                << "1x pixel " << x << "," << y << " at scale " << scale;
        }
    }
    ::ReleaseDC(hwnd, dc);
}

void ChangeDensity(HWND hwnd, int dpi, RECT suggested) {
    ::SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

DWORD GdiObjects() {
    return ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
}

class Win32WindowScale : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveDisplay()) GTEST_SKIP() << "no display";
        moduleInstance = ::GetModuleHandleA(nullptr);
        desktop_.InitCommonControls();
        desktop_.RegisterWindowClass();  // false when an earlier test registered it
    }
    void TearDown() override { settings.storedScale.reset(); }

    Win32Desktop desktop_;
};

TEST_F(Win32WindowScale, DensityChangesRedrawTheSamePictureInSquares) {
    settings.storedScale.reset();
    if (desktop_.Scale() != 1) GTEST_SKIP() << "the test's screen is not a 96 dpi one";
    PaintingHandlers handlers(desktop_.GetGraphics());
    auto* window = static_cast<Win32Window*>(desktop_.CreateMainWindow(30, 40, 200, 45, handlers));
    ASSERT_NE(window, nullptr);
    HWND hwnd = window->hwnd();
    desktop_.ShowMainWindow();
    ::UpdateWindow(hwnd);

    // Twice the density: twice the size at the suggested place, the border
    // drawn by the window, the button owner-drawn in its enlarged square.
    ChangeDensity(hwnd, 192, RECT{100, 120, 500, 210});
    Shown shown = Look(hwnd);
    ExpectRect(shown.window, 100, 120, 500, 210, "window at 2x");
    ExpectRect(shown.client, 0, 0, 400, 90, "client at 2x");
    EXPECT_FALSE(shown.border);
    ExpectRect(shown.button, 12, 12, 42, 42, "button at 2x");
    EXPECT_TRUE(shown.ownerDrawn);

    ::UpdateWindow(hwnd);
    ExpectSquare(hwnd, 2, kPainted.left, kPainted.top, kRed);
    ExpectSquare(hwnd, 2, kPainted.right - 1, kPainted.bottom - 1, kRed);
    ExpectSquare(hwnd, 2, kPainted.right, kPainted.bottom, kGray);
    ExpectSquare(hwnd, 2, 0, 0, kGray);
    ExpectSquare(hwnd, 2, -1, -1, ::GetSysColor(COLOR_WINDOWFRAME));
    ExpectSquare(hwnd, 2, 198, 43, ::GetSysColor(COLOR_WINDOWFRAME));

    // A part the logic invalidates is its enlargement, inside the border.
    const Rect ticker{25, 5, 195, 20};
    window->Invalidate(&ticker, false);
    RECT update{};
    ::GetUpdateRect(hwnd, &update, FALSE);
    ExpectRect(update, 52, 12, 392, 42, "invalidated ticker at 2x");
    const int paints = handlers.paints;
    ::UpdateWindow(hwnd);
    EXPECT_EQ(handlers.paints, paints + 1);

    // A drawing outside a paint shows at once, in squares.
    handlers.DrawOutsidePaint(*window);
    ExpectSquare(hwnd, 2, kDrawnOutside.left, kDrawnOutside.top, kBlue);
    ExpectSquare(hwnd, 2, kDrawnOutside.right - 1, kDrawnOutside.bottom - 1, kBlue);

    // Back to 96 dpi: the system's border and button again.
    ChangeDensity(hwnd, 96, RECT{100, 120, 300, 165});
    shown = Look(hwnd);
    ExpectRect(shown.window, 100, 120, 300, 165, "window at 1x");
    ExpectRect(shown.client, 0, 0, 198, 43, "client at 1x");
    EXPECT_TRUE(shown.border);
    ExpectRect(shown.button, 5, 5, 20, 20, "button at 1x");
    EXPECT_FALSE(shown.ownerDrawn);
    ::UpdateWindow(hwnd);
    HDC dc = ::GetDC(hwnd);
    EXPECT_EQ(::GetPixel(dc, kPainted.left, kPainted.top), kRed);
    ::ReleaseDC(hwnd, dc);

    // 120 dpi is still 1x; the window only moves. 288 dpi is 3x.
    ChangeDensity(hwnd, 120, RECT{110, 130, 360, 186});
    ExpectRect(Look(hwnd).window, 110, 130, 310, 175, "window at 120 dpi");
    ChangeDensity(hwnd, 288, RECT{110, 130, 710, 265});
    ::UpdateWindow(hwnd);
    ExpectRect(Look(hwnd).window, 110, 130, 710, 265, "window at 3x");
    ExpectSquare(hwnd, 3, kPainted.left, kPainted.top, kRed);

    // Going back and forth, painting and drawing, leaves no GDI object.
    const DWORD objects = GdiObjects();
    for (int round = 0; round < 3; ++round) {
        ChangeDensity(hwnd, 96, RECT{110, 130, 310, 175});
        ::UpdateWindow(hwnd);
        handlers.DrawOutsidePaint(*window);
        ChangeDensity(hwnd, 288, RECT{110, 130, 710, 265});
        ::UpdateWindow(hwnd);
        handlers.DrawOutsidePaint(*window);
    }
    EXPECT_EQ(GdiObjects(), objects);
    ::DestroyWindow(hwnd);
}

TEST_F(Win32WindowScale, AStoredScaleHoldsWhateverTheDensity) {
    settings.storedScale = 3;
    EXPECT_EQ(desktop_.Scale(), 3);
    // The start-up keeps the 1x window within the screen it is given, so the
    // screen is given as smaller by what the enlarged window adds.
    const Point screen = desktop_.ScreenSize();
    EXPECT_EQ(screen.x, ::GetSystemMetrics(SM_CXSCREEN) - 400);
    EXPECT_EQ(screen.y, ::GetSystemMetrics(SM_CYSCREEN) - 90);

    PaintingHandlers handlers(desktop_.GetGraphics());
    auto* window = static_cast<Win32Window*>(desktop_.CreateMainWindow(30, 40, 200, 45, handlers));
    ASSERT_NE(window, nullptr);
    HWND hwnd = window->hwnd();
    ExpectRect(Look(hwnd).window, 30, 40, 630, 175, "window at Scale=3");
    ChangeDensity(hwnd, 96, RECT{10, 20, 210, 65});
    const Shown shown = Look(hwnd);
    ExpectRect(shown.window, 10, 20, 610, 155, "window at Scale=3 after a change to 96 dpi");
    ExpectRect(shown.button, 18, 18, 63, 63, "button at 3x");
    ::DestroyWindow(hwnd);
}

// The manifest (resource 1 of type RT_MANIFEST, linked into both programs as
// into this test) asks for per-monitor awareness, in both of its forms.
TEST(Win32Manifest, DeclaresPerMonitorAwareness) {
    HMODULE self = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr);
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(self, found)));
    ASSERT_NE(data, nullptr);
    const std::string text(data, ::SizeofResource(self, found));
    EXPECT_NE(text.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
    EXPECT_NE(text.find(">true/pm</dpiAware>"), std::string::npos);
}

// --------------------------------------------------- the Scale value

constexpr const char* kScaleTestKey = "Software\\Quillfen\\TickwellScaleTest";

TEST(Win32ScaleSetting, OnlyAWholeDwordOfOneToThreeForcesTheScale) {
    struct Case {
        const char* what;
        DWORD type;
        std::vector<BYTE> data;
        int at96;
        int at192;
    };
    const Case cases[] = {
        {"missing", REG_NONE, {}, 1, 2},
        {"DWORD 1", REG_DWORD, {1, 0, 0, 0}, 1, 1},
        {"DWORD 2", REG_DWORD, {2, 0, 0, 0}, 2, 2},
        {"DWORD 3", REG_DWORD, {3, 0, 0, 0}, 3, 3},
        {"DWORD 0", REG_DWORD, {0, 0, 0, 0}, 1, 2},
        {"DWORD 4", REG_DWORD, {4, 0, 0, 0}, 1, 2},
        {"DWORD 0x01000002", REG_DWORD, {2, 0, 0, 1}, 1, 2},
        {"DWORD -1", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, 1, 2},
        {"text \"2\"", REG_SZ, {'2', 0}, 1, 2},
        {"two bytes", REG_BINARY, {3, 0}, 1, 2},
        {"four bytes, not a DWORD", REG_BINARY, {3, 0, 0, 0}, 1, 2},
        {"QWORD 3", REG_QWORD, {3, 0, 0, 0, 0, 0, 0, 0}, 1, 2},
        {"DWORD of eight bytes", REG_DWORD, {3, 0, 0, 0, 0, 0, 0, 0}, 1, 2},
        {"DWORD of two bytes", REG_DWORD, {3, 0}, 1, 2},
    };
    RegistrySettingsStore store(kScaleTestKey);
    for (const Case& c : cases) {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kScaleTestKey);
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kScaleTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (c.type != REG_NONE) {
            ::RegSetValueExA(key, "Scale", 0, c.type, c.data.data(),
                             static_cast<DWORD>(c.data.size()));
        }
        ::RegCloseKey(key);
        LoadSettings(store);
        EXPECT_EQ(ChooseWindowScale(settings.storedScale, 96), c.at96) << c.what;
        EXPECT_EQ(ChooseWindowScale(settings.storedScale, 192), c.at192) << c.what;
    }
    // Saving the settings never writes the scale.
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kScaleTestKey);
    settings.storedScale = 3;
    SaveSettings(store);
    LoadSettings(store);
    EXPECT_FALSE(settings.storedScale.has_value());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kScaleTestKey);
    settings = Settings{};
}

}  // namespace
}  // namespace tickwell::win32

#else

TEST(Win32WindowScale, RunsOnlyOnWindows) {
    GTEST_SKIP() << "Windows back end";
}

#endif
