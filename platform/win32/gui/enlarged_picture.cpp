#include "platform/win32/gui/enlarged_picture.h"

namespace tickwell::win32 {

// The bitmap leaves the context before either is deleted: GDI deletes no
// object that is selected.
EnlargedPicture::~EnlargedPicture() {
    if (dc_ != nullptr && replaced_ != nullptr) ::SelectObject(dc_, replaced_);
    if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
    if (dc_ != nullptr) ::DeleteDC(dc_);
}

bool EnlargedPicture::Prepare(HDC screen, int width, int height) {
    if (dc_ != nullptr) return true;
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = dc != nullptr ? ::CreateCompatibleBitmap(screen, width, height) : nullptr;
    if (bitmap == nullptr) {
        if (dc != nullptr) ::DeleteDC(dc);
        return false;
    }
    dc_ = dc;
    bitmap_ = bitmap;
    replaced_ = ::SelectObject(dc_, bitmap_);
    bounds_ = Rect{0, 0, width, height};
    return true;
}

void EnlargedPicture::Fill(const Rect& area, HBRUSH brush) {
    const Rect part = Intersect(area, bounds_);
    if (dc_ == nullptr || part.Width() <= 0 || part.Height() <= 0) return;
    const RECT rect{part.left, part.top, part.right, part.bottom};
    ::FillRect(dc_, &rect, brush);
}

// COLORONCOLOR drops rows and columns instead of blending them, and an
// enlargement by a whole number drops none: each pixel becomes a square of
// its own colour, never a blur.
void EnlargedPicture::Show(HDC target, const Rect& area, int scale, Point at) const {
    const Rect part = Intersect(area, bounds_);
    if (dc_ == nullptr || part.Width() <= 0 || part.Height() <= 0) return;
    const int previousMode = ::SetStretchBltMode(target, COLORONCOLOR);
    const int x = at.x + (part.left - area.left) * scale;
    const int y = at.y + (part.top - area.top) * scale;
    ::StretchBlt(target, x, y, part.Width() * scale, part.Height() * scale, dc_, part.left,
                 part.top, part.Width(), part.Height(), SRCCOPY);
    if (previousMode != 0) ::SetStretchBltMode(target, previousMode);
}

}  // namespace tickwell::win32
