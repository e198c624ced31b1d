// The 1x picture of a window drawn at a scale of 2 or 3: a memory bitmap the
// logic draws on as it would on the window, shown with every pixel grown to
// a square of scale x scale screen pixels.
#pragma once

#include <windows.h>

#include "platform/geometry.h"

namespace tickwell::win32 {

class EnlargedPicture {
public:
    EnlargedPicture() = default;
    ~EnlargedPicture();
    EnlargedPicture(const EnlargedPicture&) = delete;
    EnlargedPicture& operator=(const EnlargedPicture&) = delete;

    // Makes the bitmap, `width` by `height` pixels in the format of
    // `screen`, unless it was made before. False when GDI refuses.
    bool Prepare(HDC screen, int width, int height);
    // The memory context the bitmap is selected into (null before Prepare).
    HDC dc() const { return dc_; }

    void Fill(const Rect& area, HBRUSH brush);
    // Shows `area` of the picture on `target`, its top-left corner at
    // `at`, every pixel a square of `scale` x `scale`.
    void Show(HDC target, const Rect& area, int scale, Point at) const;

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ replaced_ = nullptr;
    Rect bounds_{};
};

}  // namespace tickwell::win32
