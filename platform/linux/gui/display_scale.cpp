#include "platform/linux/gui/display_scale.h"

#include <FL/x.H>
#include <X11/Xresource.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/linux/gui/fltk_graphics.h"
#include "platform/linux/gui/scale_rules.h"
#include "platform/settings_store.h"

namespace tickwell::linux_gui {

namespace {

constexpr const char* kScaleVariable = "TICKWELL_SCALE";
constexpr const char* kScaleSetting = "Scale";

std::optional<std::uint32_t> ReadStoredScale() {
    SettingsStore& store = SystemSettingsStore();
    std::optional<std::uint32_t> stored;
    if (store.OpenForReading()) {
        std::uint32_t value = 0;
        if (store.Read(kScaleSetting, &value)) stored = value;
        store.Close();
    }
    return stored;
}

// Xft.dpi from the resources the desktop session put on the root window
// (what `xrdb -query` lists); nothing when there are none.
std::optional<double> ReadXftDpi() {
    if (!DisplayAvailable()) return std::nullopt;
    const char* resources = XResourceManagerString(fl_display);
    if (resources == nullptr) return std::nullopt;
    XrmInitialize();
    XrmDatabase database = XrmGetStringDatabase(resources);
    if (database == nullptr) return std::nullopt;
    std::optional<double> dpi;
    char* type = nullptr;
    XrmValue value{};
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr) {
        // The value is not always terminated within its size.
        dpi = ParseDpi(std::string(value.addr, value.size).c_str());
    }
    XrmDestroyDatabase(database);
    return dpi;
}

int DecideScale() {
    const char* environment = std::getenv(kScaleVariable);
    if (environment != nullptr && environment[0] != '\0' && !ParseScale(environment)) {
        std::fprintf(stderr, "tickwell: %s=%s is not 1, 2 or 3; ignored\n", kScaleVariable,
                     environment);
    }
    const std::optional<std::uint32_t> stored = ReadStoredScale();
    if (stored && !StoredScale(stored)) {
        std::fprintf(stderr, "tickwell: the setting %s=%d is not 1, 2 or 3; ignored\n",
                     kScaleSetting, static_cast<int>(*stored));
    }
    return ChooseScale(environment, stored, ReadXftDpi());
}

// Enlarges pixel by pixel, for image formats whose pixels are not whole
// bytes.
void EnlargeEachPixel(XImage* from, XImage* to, int scale) {
    for (int y = 0; y < to->height; ++y) {
        for (int x = 0; x < to->width; ++x)
            XPutPixel(to, x, y, XGetPixel(from, x / scale, y / scale));
    }
}

}  // namespace

int DisplayScale() {
    static const int scale = DecideScale();
    return scale;
}

void PutEnlarged(Pixmap source, const Rect& area, int scale, Drawable target, int x, int y) {
    const int width = area.Width();
    const int height = area.Height();
    if (source == 0 || width <= 0 || height <= 0 || scale <= 0 || !DisplayAvailable()) return;
    XImage* from = XGetImage(fl_display, source, area.left, area.top, static_cast<unsigned>(width),
                             static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (from == nullptr) return;
    XImage* to = XCreateImage(fl_display, fl_visual->visual, static_cast<unsigned>(from->depth),
                              ZPixmap, 0, nullptr, static_cast<unsigned>(width * scale),
                              static_cast<unsigned>(height * scale), from->bitmap_pad, 0);
    if (to != nullptr) {
        // XDestroyImage frees the pixels with free().
        to->data = static_cast<char*>(
            std::malloc(static_cast<std::size_t>(to->bytes_per_line) * to->height));
    }
    if (to != nullptr && to->data != nullptr) {
        if (from->bits_per_pixel % 8 == 0 && from->bits_per_pixel == to->bits_per_pixel) {
            EnlargePixels(reinterpret_cast<const unsigned char*>(from->data),
                          static_cast<std::size_t>(from->bytes_per_line), width, height,
                          from->bits_per_pixel / 8, scale,
                          reinterpret_cast<unsigned char*>(to->data),
                          static_cast<std::size_t>(to->bytes_per_line));
        } else {
            EnlargeEachPixel(from, to, scale);
        }
        XPutImage(fl_display, target, fl_gc, to, 0, 0, x, y, static_cast<unsigned>(to->width),
                  static_cast<unsigned>(to->height));
    }
    if (to != nullptr) XDestroyImage(to);
    XDestroyImage(from);
}

}  // namespace tickwell::linux_gui
