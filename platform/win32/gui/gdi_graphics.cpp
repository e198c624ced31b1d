#include "platform/win32/gui/gdi_graphics.h"

#include <cstring>

#include "platform/win32/gui/gdi_objects.h"

namespace tickwell::win32 {

namespace {

// One line, left-aligned, centred vertically, not clipped, '&' shown as
// itself.
constexpr UINT kTextLineFormat = DT_SINGLELINE | DT_VCENTER | DT_NOCLIP | DT_NOPREFIX;
static_assert(kTextLineFormat == 0x924);

RECT ToRect(const Rect& box) {
    return RECT{box.left, box.top, box.right, box.bottom};
}

// Selects `object` (which must be one of ours) and wraps what it replaced.
template <class Base>
Base* SelectInto(HDC dc, Base* object) {
    HGDIOBJ handle = HandleOf(object);
    if (handle == nullptr) return nullptr;
    return WrapperOf<Base>(::SelectObject(dc, handle));
}

}  // namespace

HGDIOBJ HandleOf(const GraphicsObject* object) {
    const auto* holder = dynamic_cast<const GdiHandleHolder*>(object);
    return holder != nullptr ? holder->handle() : nullptr;
}

GdiCanvas::GdiCanvas(HDC dc, ContextRelease release, HWND window)
    : dc_(dc), release_(release), window_(window) {}

GdiCanvas::~GdiCanvas() {
    switch (release_) {
        case ContextRelease::None: break;
        case ContextRelease::ReleaseDC: ::ReleaseDC(window_, dc_); break;
        case ContextRelease::DeleteDC: ::DeleteDC(dc_); break;
    }
}

Pen* GdiCanvas::SelectPen(Pen* pen) {
    return SelectInto(dc_, pen);
}
Brush* GdiCanvas::SelectBrush(Brush* brush) {
    return SelectInto(dc_, brush);
}
Font* GdiCanvas::SelectFont(Font* font) {
    return SelectInto(dc_, font);
}
Bitmap* GdiCanvas::SelectBitmap(Bitmap* bitmap) {
    return SelectInto(dc_, bitmap);
}

BackgroundMode GdiCanvas::SetBackgroundMode(BackgroundMode mode) {
    const int previous =
        ::SetBkMode(dc_, mode == BackgroundMode::Transparent ? TRANSPARENT : OPAQUE);
    return previous == TRANSPARENT ? BackgroundMode::Transparent : BackgroundMode::Opaque;
}

Color GdiCanvas::SetTextColor(Color color) {
    return ::SetTextColor(dc_, color);
}

void GdiCanvas::Line(int fromX, int fromY, int toX, int toY) {
    ::MoveToEx(dc_, fromX, fromY, nullptr);
    ::LineTo(dc_, toX, toY);
}

void GdiCanvas::Ellipse(const Rect& box) {
    ::Ellipse(dc_, box.left, box.top, box.right, box.bottom);
}

void GdiCanvas::Rectangle(const Rect& box) {
    ::Rectangle(dc_, box.left, box.top, box.right, box.bottom);
}

void GdiCanvas::Text(int x, int y, const char* text) {
    ::TextOutA(dc_, x, y, text, static_cast<int>(std::strlen(text)));
}

void GdiCanvas::TextLine(const Rect& box, const char* text) {
    RECT rect = ToRect(box);
    ::DrawTextA(dc_, text, -1, &rect, kTextLineFormat);
}

int GdiCanvas::CharWidth(char character) {
    const UINT code = static_cast<unsigned char>(character);
    INT width = 0;
    if (!::GetCharWidthA(dc_, code, code, &width)) return 0;
    return width;
}

// The device context's clip region: during WM_PAINT, the update region.
bool GdiCanvas::RectVisible(const Rect& box) const {
    const RECT rect = ToRect(box);
    return ::RectVisible(dc_, &rect) != FALSE;
}

std::unique_ptr<Canvas> GdiCanvas::CreateCompatibleCanvas() {
    HDC memory = ::CreateCompatibleDC(dc_);
    if (memory == nullptr) return nullptr;
    return std::make_unique<GdiCanvas>(memory, ContextRelease::DeleteDC);
}

Bitmap* GdiCanvas::CreateCompatibleBitmap(int width, int height) {
    return AdoptHandle<Bitmap>(::CreateCompatibleBitmap(dc_, width, height));
}

void GdiCanvas::CopyFrom(const Canvas& source, int sourceX, int sourceY, int width, int height,
                         int x, int y) {
    const auto* gdiSource = dynamic_cast<const GdiCanvas*>(&source);
    if (gdiSource == nullptr) return;
    ::BitBlt(dc_, x, y, width, height, gdiSource->dc_, sourceX, sourceY, SRCCOPY);
}

Pen* GdiGraphics::CreatePen(Color color) {
    return AdoptHandle<Pen>(::CreatePen(PS_SOLID, 1, color));
}

Brush* GdiGraphics::CreateSolidBrush(Color color) {
    return AdoptHandle<Brush>(::CreateSolidBrush(color));
}

Font* GdiGraphics::CreateFixedFont(const FontAttributes& font) {
    const char* face =
        font.faceName != nullptr && font.faceName[0] != '\0' ? font.faceName : nullptr;
    HFONT handle = ::CreateFontA(font.cellHeight, 0, 0, 0, static_cast<int>(font.weight), FALSE,
                                 FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 static_cast<DWORD>(font.quality), FIXED_PITCH, face);
    return AdoptHandle<Font>(handle);
}

Pen* GdiGraphics::NullPen() {
    return WrapperOf<Pen>(::GetStockObject(NULL_PEN));
}

std::unique_ptr<Canvas> GdiGraphics::OpenDisplayCanvas() {
    HDC display = ::CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (display == nullptr) return nullptr;
    return std::make_unique<GdiCanvas>(display, ContextRelease::DeleteDC);
}

}  // namespace tickwell::win32
