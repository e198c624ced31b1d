// A main window that only records what the fetch job invalidates. Invalidate
// may be called from any thread; every other service does nothing.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/window.h"

namespace tickwell::fakes {

struct Invalidation {
    std::optional<Rect> area;  // empty: the whole window
    bool erase = false;
};

class InvalidationRecorder : public WindowServices {
public:
    void Invalidate(const Rect* area, bool eraseBackground) override;
    std::vector<Invalidation> Calls() const;
    void Clear();

    void CreateCloseButton(const Rect&, int) override {}
    std::uintptr_t StartTimer(std::uintptr_t, std::uint32_t) override { return 0; }
    void StopTimer(std::uintptr_t) override {}
    std::unique_ptr<Canvas> GetCanvas() override { return nullptr; }
    Point ScreenPosition() override { return {}; }
    void Close() override {}
    void PostQuit(int) override {}
    std::unique_ptr<PopupMenu> CreatePopupMenu() override { return nullptr; }
    int RunPreferencesDialog(DialogProcedure&) override { return 0; }
    int RunLocationDialog(LocationProcedure&) override { return 0; }

private:
    mutable std::mutex mutex_;
    std::vector<Invalidation> calls_;
};

}  // namespace tickwell::fakes
