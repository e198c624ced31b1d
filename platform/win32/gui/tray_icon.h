// The live program's icon in the notification area: a picture of the
// temperature, the NOW line as its tooltip, and the warnings' balloons.
// A click on the icon or on a balloon brings the ticker to the front.
// Everything here runs on the user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "app/tray_status.h"
#include "platform/notifier.h"

namespace tickwell::win32 {

class TrayIcon : public Notifier {
public:
    TrayIcon();
    ~TrayIcon() override;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Adds the icon for `window` (at its creation).
    void Attach(HWND window);
    // Takes the icon away (at the window's destruction), so no ghost of it
    // stays in the notification area.
    void Remove();
    // Follows the readouts and the NOW line; cheap when nothing changed.
    void Refresh();
    // The window's messages for the icon: its clicks, and the taskbar's
    // restart, after which the icon is added again. True when handled.
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void Show(std::uint32_t id, const Notice& notice) override;
    void Update(std::uint32_t id, const Notice& notice) override;
    void Close(std::uint32_t id) override;

private:
    NOTIFYICONDATAW Data(UINT flags) const;
    bool Add();
    void Redraw(const TrayStatus& status);
    // The next waiting balloon, if any, in place of the one shown.
    void ShowNextBalloon();

    struct Balloon {
        std::uint32_t id = 0;
        Notice notice;
    };

    HWND window_ = nullptr;
    HICON picture_ = nullptr;
    bool added_ = false;
    TrayStatus shown_;
    // The notice whose balloon may still be up (0 for none), since when,
    // and the balloons waiting for it to go: the area shows one at a time
    // and a new one would take the place of one not read yet.
    std::uint32_t balloon_ = 0;
    ULONGLONG balloonSince_ = 0;
    std::deque<Balloon> waiting_;
    UINT taskbarCreated_ = 0;
};

// A notifier that passes each call on to `icon`, which outlives it.
std::unique_ptr<Notifier> NotifierOn(TrayIcon& icon);

// The live program's icon; null in the classic program, which has none.
TrayIcon* ActiveTrayIcon();
void SetActiveTrayIcon(TrayIcon* icon);

// The picture of `temperature` (or of a bar, without one) `size` pixels
// square; the caller destroys it.
HICON TemperatureIcon(const std::optional<int>& temperature, int size);

}  // namespace tickwell::win32
