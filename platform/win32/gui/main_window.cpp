#include "platform/win32/gui/main_window.h"

#include "app/refresh_events.h"
#include "platform/win32/gui/gdi_graphics.h"
#include "platform/win32/gui/location_dialog.h"
#include "platform/win32/gui/module_instance.h"
#include "platform/win32/gui/popup_menu.h"
#include "platform/win32/gui/preferences_dialog.h"
#include "platform/win32/gui/tray_icon.h"
#include "platform/window_scale.h"

namespace tickwell::win32 {

namespace {

// More erased parts than this before a paint are taken as the whole
// client area, so that a window that is never painted does not pile them up.
constexpr std::size_t kMaxPendingErase = 16;

Rect ToRect(const RECT& rect) {
    return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

bool IsEmpty(const Rect& rect) {
    return rect.Width() <= 0 || rect.Height() <= 0;
}

}  // namespace

// A canvas on the enlarged window's 1x picture for drawing outside a paint
// (the clock): what was drawn is shown when the canvas goes, as a drawing
// on the window's own context would show at once.
class PictureCanvas : public GdiCanvas {
public:
    explicit PictureCanvas(Win32Window& window)
        : GdiCanvas(window.picture_.dc(), ContextRelease::None), window_(window) {}
    ~PictureCanvas() override {
        HDC dc = ::GetDC(window_.hwnd_);
        if (dc == nullptr) return;
        window_.ShowPicture(dc, window_.PictureRect());
        ::ReleaseDC(window_.hwnd_, dc);
    }
    PictureCanvas(const PictureCanvas&) = delete;
    PictureCanvas& operator=(const PictureCanvas&) = delete;

private:
    Win32Window& window_;
};

Win32Window::Win32Window(WindowHandlers& handlers, int width, int height, int scale,
                         std::optional<int> forcedScale)
    : handlers_(handlers),
      width_(width),
      height_(height),
      forcedScale_(forcedScale),
      scale_(scale) {}

int Win32Window::ScaleForDpi(int dpi) const {
    return forcedScale_ ? *forcedScale_ : WindowScaleForDpi(dpi);
}

// The client area as the logic sees it, inside the border.
Rect Win32Window::PictureRect() const {
    return Rect{0, 0, width_ - 2 * kFrameWidth, height_ - 2 * kFrameWidth};
}

void Win32Window::Invalidate(const Rect* area, bool eraseBackground) {
    // Safe from any thread, and harmless once the window is gone: the call
    // then fails on the stale handle. The lock keeps the scale from
    // changing between reading it and invalidating; a change invalidates
    // all of the window afterwards.
    const Rect whole = PictureRect();
    const Rect part = area != nullptr ? Intersect(*area, whole) : whole;
    std::lock_guard<std::mutex> hold(invalidateMutex_);
    const int scale = scale_;
    if (eraseBackground) {
        if (pendingErase_.size() >= kMaxPendingErase) {
            pendingErase_.assign(1, whole);
        } else {
            pendingErase_.push_back(part);
        }
    }
    if (scale <= 1) {
        if (area == nullptr) {
            ::InvalidateRect(hwnd_, nullptr, eraseBackground);
            return;
        }
        const RECT rect{area->left, area->top, area->right, area->bottom};
        ::InvalidateRect(hwnd_, &rect, eraseBackground);
        return;
    }
    // The enlarged window erases in its picture, never on the screen.
    const Rect shown = EnlargedRect(part, scale, kFrameWidth);
    const RECT rect{shown.left, shown.top, shown.right, shown.bottom};
    ::InvalidateRect(hwnd_, &rect, FALSE);
}

std::vector<Rect> Win32Window::TakePendingErase() {
    std::lock_guard<std::mutex> hold(invalidateMutex_);
    std::vector<Rect> taken;
    taken.swap(pendingErase_);
    return taken;
}

void Win32Window::CreateCloseButton(const Rect& bounds, int controlId) {
    closeBounds_ = bounds;
    closeId_ = controlId;
    closeButton_.Create(hwnd_, bounds, controlId, scale_, scale_ > 1 ? kFrameWidth : 0);
}

std::uintptr_t Win32Window::StartTimer(std::uintptr_t id, std::uint32_t periodMs) {
    return ::SetTimer(hwnd_, id, periodMs, nullptr);
}

void Win32Window::StopTimer(std::uintptr_t id) {
    ::KillTimer(hwnd_, id);
}

std::unique_ptr<Canvas> Win32Window::GetCanvas() {
    if (scale_ > 1) {
        HDC screen = ::GetDC(hwnd_);
        if (screen == nullptr) return nullptr;
        const Rect picture = PictureRect();
        const bool ready = picture_.Prepare(screen, picture.right, picture.bottom);
        ::ReleaseDC(hwnd_, screen);
        if (!ready) return nullptr;
        return std::make_unique<PictureCanvas>(*this);
    }
    HDC dc = ::GetDC(hwnd_);
    if (dc == nullptr) return nullptr;
    return std::make_unique<GdiCanvas>(dc, ContextRelease::ReleaseDC, hwnd_);
}

Point Win32Window::ScreenPosition() {
    RECT rect{};
    ::GetWindowRect(hwnd_, &rect);
    return Point{rect.left, rect.top};
}

void Win32Window::Close() {
    ::SendMessageA(hwnd_, WM_CLOSE, 0, 0);
}

void Win32Window::PostQuit(int exitCode) {
    ::PostQuitMessage(exitCode);
}

std::unique_ptr<PopupMenu> Win32Window::CreatePopupMenu() {
    return std::make_unique<Win32PopupMenu>(hwnd_);
}

int Win32Window::RunLocationDialog(LocationProcedure& procedure) {
    return win32::RunLocationDialog(hwnd_, procedure);
}

int Win32Window::RunPreferencesDialog(DialogProcedure& procedure) {
    return win32::RunPreferencesDialog(hwnd_, procedure);
}

int Win32Window::RunUnitsDialog(DialogProcedure& procedure) {
    return win32::RunUnitsDialog(hwnd_, procedure);
}

void Win32Window::ApplyScale(int scale, const RECT* place) {
    RECT now{};
    ::GetWindowRect(hwnd_, &now);
    const int x = place != nullptr ? place->left : now.left;
    const int y = place != nullptr ? place->top : now.top;
    if (scale == scale_) {
        if (place != nullptr) {
            ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return;
    }
    {
        std::lock_guard<std::mutex> hold(invalidateMutex_);
        scale_ = scale;
        // The picture may be older than what the window showed at 1x: it
        // starts over, as the window does at 1x after this change.
        pendingErase_.assign(1, PictureRect());
    }
    // Only the border changes; the window stays visible as it was.
    const LONG_PTR style = ::GetWindowLongPtrA(hwnd_, GWL_STYLE);
    const LONG_PTR border = static_cast<LONG_PTR>(WS_BORDER);
    ::SetWindowLongPtrA(
        hwnd_, GWL_STYLE,
        (style & ~border) | static_cast<LONG_PTR>(WindowStyleFor(scale) & WS_BORDER));
    ::SetWindowPos(hwnd_, nullptr, x, y, width_ * scale, height_ * scale,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (closeButton_.created()) CreateCloseButton(closeBounds_, closeId_);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

// Shows the picture's part on the screen. The button draws itself over its
// square, so that square is left out: it would otherwise flicker, and a
// drawing outside a paint would cover the button for good.
void Win32Window::ShowPicture(HDC dc, const Rect& area) {
    const int scale = scale_;
    const Rect button = closeButton_.Shown();
    const int saved = ::SaveDC(dc);
    ::ExcludeClipRect(dc, button.left, button.top, button.right, button.bottom);
    const Rect at = EnlargedRect(area, scale, kFrameWidth);
    picture_.Show(dc, area, scale, Point{at.left, at.top});
    if (saved != 0) ::RestoreDC(dc, saved);
}

// The border the system draws at 1x, in its colour, as wide as a 1x pixel.
void Win32Window::DrawFrame(HDC dc) const {
    const int scale = scale_;
    const int width = width_ * scale;
    const int height = height_ * scale;
    const int frame = kFrameWidth * scale;
    HBRUSH brush = ::GetSysColorBrush(COLOR_WINDOWFRAME);
    const RECT sides[4] = {{0, 0, width, frame},
                           {0, height - frame, width, height},
                           {0, frame, frame, height - frame},
                           {width - frame, frame, width, height - frame}};
    for (const RECT& side : sides) ::FillRect(dc, &side, brush);
}

// Erases the parts invalidated with their background in the picture, lets
// the logic paint the part of the picture under the screen's update region
// (clipped to it, so the logic's visibility tests hold), and shows it.
void Win32Window::PaintEnlarged(HDC dc, const RECT& shown) {
    const Rect whole = PictureRect();
    if (!picture_.Prepare(dc, whole.right, whole.bottom)) return;
    HBRUSH background = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
    for (const Rect& part : TakePendingErase()) picture_.Fill(part, background);
    const Rect area = Intersect(CoveringRect(ToRect(shown), scale_, kFrameWidth), whole);
    if (!IsEmpty(area)) {
        HRGN clip = ::CreateRectRgn(area.left, area.top, area.right, area.bottom);
        ::SelectClipRgn(picture_.dc(), clip);
        if (clip != nullptr) ::DeleteObject(clip);
        {
            GdiCanvas canvas(picture_.dc(), ContextRelease::None);
            handlers_.OnPaint(canvas);
        }
        ::SelectClipRgn(picture_.dc(), nullptr);
        ShowPicture(dc, area);
    }
    DrawFrame(dc);
}

void Win32Window::Paint() {
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(hwnd_, &paint);
    if (scale_ > 1) {
        PaintEnlarged(dc, paint.rcPaint);
    } else {
        // The system erased the background at 1x.
        TakePendingErase();
        GdiCanvas canvas(dc, ContextRelease::None);
        handlers_.OnPaint(canvas);
    }
    ::EndPaint(hwnd_, &paint);
}

LRESULT CALLBACK Win32Window::WindowProcedure(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* window = static_cast<Win32Window*>(create->lpCreateParams);
        window->hwnd_ = hwnd;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* window = reinterpret_cast<Win32Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (window == nullptr) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    return window->Handle(message, wParam, lParam);
}

LRESULT Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            handlers_.OnCreate(*this);
            if (TrayIcon* tray = ActiveTrayIcon()) tray->Attach(hwnd_);
            return 0;
        case WM_DESTROY:
            if (TrayIcon* tray = ActiveTrayIcon()) tray->Remove();
            handlers_.OnDestroy(*this);
            return 0;
        // The process may end as soon as this returns, without WM_DESTROY:
        // the settings are saved now, as closing would.
        case WM_ENDSESSION:
            if (wParam != FALSE) handlers_.OnEndSession(*this);
            return 0;
        case WM_PAINT: Paint(); return 0;
        // The enlarged window erases in its picture (see Invalidate).
        case WM_ERASEBKGND:
            if (scale_ > 1) return 1;
            return ::DefWindowProcA(hwnd_, message, wParam, lParam);
        // The window moved to a monitor of another density, or the density
        // changed: the new scale, at the place the system suggests.
        case WM_DPICHANGED:
            ApplyScale(ScaleForDpi(LOWORD(wParam)), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_DRAWITEM:
            if (closeButton_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
            return ::DefWindowProcA(hwnd_, message, wParam, lParam);
        // Every point of the window is title bar, so a drag anywhere moves it.
        case WM_NCHITTEST: return HTCAPTION;
        case WM_NCRBUTTONDOWN:
            handlers_.OnRightClick(*this, ScreenXOf(lParam), ScreenYOf(lParam));
            return 0;
        case WM_COMMAND: handlers_.OnCommand(*this, LOWORD(wParam), HIWORD(wParam)); return 0;
        case WM_TIMER:
            handlers_.OnTimer(*this);
            if (TrayIcon* tray = ActiveTrayIcon()) tray->Refresh();
            return 0;
        // Woken from sleep: a refresh at the next tick (the live source's;
        // without it the note changes nothing).
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMRESUMEAUTOMATIC) NoteSystemEvent(SystemEvent::Woke);
            return TRUE;
        default:
            if (TrayIcon* tray = ActiveTrayIcon(); tray && tray->Handle(message, wParam, lParam)) {
                return 0;
            }
            return ::DefWindowProcA(hwnd_, message, wParam, lParam);
    }
}

}  // namespace tickwell::win32
