#include "platform/win32/gui/tray_icon.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef NIIF_RESPECT_QUIET_TIME
#define NIIF_RESPECT_QUIET_TIME 0x00000080
#endif

namespace tickwell::win32 {

namespace {

constexpr UINT kTrayMessage = WM_APP + 29;
constexpr UINT kTrayId = 1;
// The tooltip holds 127 characters.
constexpr std::size_t kTipBytes = 120;
// The readouts' colours: lit segments on their dark ground.
constexpr COLORREF kDigitColor = RGB(0xE6, 0xFF, 0x32);
constexpr COLORREF kGroundColor = RGB(0x20, 0x20, 0x20);
// A balloon is up at least this long before the next takes its place, when
// the area does not say it has gone before.
constexpr ULONGLONG kBalloonMs = 8000;

TrayIcon* activeIcon = nullptr;

// UTF-8 to UTF-16 in at most `capacity - 1` characters, into `target`.
void CopyWide(const std::string& utf8, wchar_t* target, std::size_t capacity) {
    std::wstring wide;
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (length > 0) {
        wide.resize(static_cast<std::size_t>(length));
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                              length);
    }
    const std::size_t count = std::min(wide.size(), capacity - 1);
    std::copy_n(wide.begin(), count, target);
    target[count] = L'\0';
}

HFONT BoldFont(int height, int width) {
    return ::CreateFontW(-height, width, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                         DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

// The width of `text` in `font`, and the font's average character width.
int TextWidth(HDC dc, HFONT font, const std::wstring& text, int* averageWidth) {
    HGDIOBJ previous = ::SelectObject(dc, font);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, previous);
    *averageWidth = metrics.tmAveCharWidth;
    return extent.cx;
}

// A bold font with digits three quarters of the icon tall, narrowed until
// `text` fits `size` pixels wide: three characters stay as tall as two.
HFONT FittingFont(HDC dc, const std::wstring& text, int size) {
    const int height = size * 3 / 4 + 1;
    HFONT font = BoldFont(height, 0);
    int average = 0;
    const int natural = TextWidth(dc, font, text, &average);
    if (natural <= size || average <= 0) return font;
    ::DeleteObject(font);
    for (int width = average * size / natural; width > 0; --width) {
        font = BoldFont(height, width);
        if (TextWidth(dc, font, text, &average) <= size) return font;
        ::DeleteObject(font);
    }
    return nullptr;
}

class ForwardingNotifier : public Notifier {
public:
    explicit ForwardingNotifier(TrayIcon& icon) : icon_(icon) {}
    void Show(std::uint32_t id, const Notice& notice) override { icon_.Show(id, notice); }
    void Update(std::uint32_t id, const Notice& notice) override { icon_.Update(id, notice); }
    void Close(std::uint32_t id) override { icon_.Close(id); }

private:
    TrayIcon& icon_;
};

void BringToFront(HWND window) {
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::SetForegroundWindow(window);
}

}  // namespace

HICON TemperatureIcon(const std::optional<int>& temperature, int size) {
    // The minus sign, wider than a hyphen, which is a dot at 16 pixels.
    std::wstring text = L"--";
    if (temperature) {
        text = (*temperature < 0 ? L"\u2212" : L"") + std::to_wstring(std::abs(*temperature));
    }
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP color = ::CreateCompatibleBitmap(screen, size, size);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ previousBitmap = ::SelectObject(dc, color);
    RECT all{0, 0, size, size};
    HBRUSH ground = ::CreateSolidBrush(kGroundColor);
    ::FillRect(dc, &all, ground);
    ::DeleteObject(ground);
    if (HFONT font = FittingFont(dc, text, size)) {
        HGDIOBJ previousFont = ::SelectObject(dc, font);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, kDigitColor);
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &all,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        ::SelectObject(dc, previousFont);
        ::DeleteObject(font);
    }
    ::SelectObject(dc, previousBitmap);
    ::DeleteDC(dc);
    // All of the square is opaque: the digits stay readable on any taskbar.
    std::vector<BYTE> maskBits(static_cast<std::size_t>((size + 15) / 16 * 2 * size), 0);
    HBITMAP mask = ::CreateBitmap(size, size, 1, 1, maskBits.data());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color;
    info.hbmMask = mask;
    HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(color);
    ::DeleteObject(mask);
    return icon;
}

std::unique_ptr<Notifier> NotifierOn(TrayIcon& icon) {
    return std::make_unique<ForwardingNotifier>(icon);
}

TrayIcon* ActiveTrayIcon() {
    return activeIcon;
}

void SetActiveTrayIcon(TrayIcon* icon) {
    activeIcon = icon;
}

TrayIcon::TrayIcon() : taskbarCreated_(::RegisterWindowMessageW(L"TaskbarCreated")) {}

TrayIcon::~TrayIcon() {
    Remove();
    if (picture_ != nullptr) ::DestroyIcon(picture_);
}

NOTIFYICONDATAW TrayIcon::Data(UINT flags) const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kTrayId;
    data.uFlags = flags;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = picture_;
    CopyWide(shown_.tip, data.szTip, sizeof data.szTip / sizeof data.szTip[0]);
    return data;
}

void TrayIcon::Redraw(const TrayStatus& status) {
    shown_ = status;
    if (picture_ != nullptr) ::DestroyIcon(picture_);
    picture_ = TemperatureIcon(status.temperature, ::GetSystemMetrics(SM_CXSMICON));
}

bool TrayIcon::Add() {
    NOTIFYICONDATAW data = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    added_ = ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    return added_;
}

void TrayIcon::Attach(HWND window) {
    window_ = window;
    Redraw(CurrentTrayStatus(kTipBytes));
    Add();
}

void TrayIcon::Remove() {
    if (added_) {
        NOTIFYICONDATAW data = Data(0);
        ::Shell_NotifyIconW(NIM_DELETE, &data);
        added_ = false;
    }
    window_ = nullptr;
}

void TrayIcon::Refresh() {
    if (window_ == nullptr) return;
    if (!waiting_.empty() && ::GetTickCount64() - balloonSince_ >= kBalloonMs) {
        ShowNextBalloon();
    }
    const TrayStatus status = CurrentTrayStatus(kTipBytes);
    if (added_ && status == shown_) return;
    if (!(status == shown_) || picture_ == nullptr) Redraw(status);
    NOTIFYICONDATAW data = Data(NIF_ICON | NIF_TIP);
    if (!added_ || ::Shell_NotifyIconW(NIM_MODIFY, &data) == FALSE) {
        // The notification area was not there yet (a start at login), or
        // lost the icon: asked again on every heartbeat until it takes it.
        Add();
    }
}

bool TrayIcon::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    (void)wParam;
    if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        if (window_ != nullptr) Add();
        return true;
    }
    if (message != kTrayMessage) return false;
    switch (LOWORD(lParam)) {
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case NIN_BALLOONUSERCLICK:
            BringToFront(window_);
            ShowNextBalloon();
            break;
        case NIN_BALLOONTIMEOUT:
        case NIN_BALLOONHIDE: ShowNextBalloon(); break;
        default: break;
    }
    return true;
}

void TrayIcon::Show(std::uint32_t id, const Notice& notice) {
    if (window_ == nullptr) return;
    waiting_.push_back({id, notice});
    if (balloon_ == 0) ShowNextBalloon();
}

void TrayIcon::ShowNextBalloon() {
    balloon_ = 0;
    if (waiting_.empty()) return;
    const Balloon next = waiting_.front();
    waiting_.pop_front();
    NOTIFYICONDATAW data = Data(NIF_INFO);
    CopyWide(next.notice.summary, data.szInfoTitle, sizeof data.szInfoTitle / sizeof(wchar_t));
    CopyWide(next.notice.body, data.szInfo, sizeof data.szInfo / sizeof(wchar_t));
    data.dwInfoFlags = (next.notice.critical ? NIIF_ERROR : NIIF_WARNING) | NIIF_RESPECT_QUIET_TIME;
    if (::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE) {
        balloon_ = next.id;
        balloonSince_ = ::GetTickCount64();
    }
}

void TrayIcon::Update(std::uint32_t id, const Notice& notice) {
    for (Balloon& waiting : waiting_) {
        if (waiting.id == id) waiting.notice = notice;
    }
    // A balloon cannot change without popping up again: the icon is
    // modified without one, and the balloon stays as it was.
    if (window_ == nullptr || id != balloon_) return;
    NOTIFYICONDATAW data = Data(NIF_TIP);
    ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

void TrayIcon::Close(std::uint32_t id) {
    std::erase_if(waiting_, [id](const Balloon& waiting) { return waiting.id == id; });
    if (window_ == nullptr || id != balloon_) return;
    // An empty text takes the balloon down.
    NOTIFYICONDATAW data = Data(NIF_INFO);
    ::Shell_NotifyIconW(NIM_MODIFY, &data);
    ShowNextBalloon();
}

}  // namespace tickwell::win32
