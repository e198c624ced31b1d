#include "platform/linux/gui/display_scale.h"

#include <FL/x.H>
#include <X11/Xresource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/gui/fltk_graphics.h"
#include "platform/linux/gui/scale_rules.h"
#include "platform/message_log.h"

namespace tickwell::linux_gui {

namespace {

constexpr const char* kScaleVariable = "TICKWELL_SCALE";
constexpr const char* kScaleSetting = "Scale";

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

}  // namespace

int DecideDisplayScale(std::optional<std::uint32_t> stored) {
    const char* environment = std::getenv(kScaleVariable);
    if (environment != nullptr && environment[0] != '\0' && !ParseScale(environment)) {
        platform::LogMessage(std::string(kScaleVariable) + "=" + environment +
                             " is not 1, 2 or 3; ignored");
    }
    if (stored && !StoredScale(stored)) {
        platform::LogMessage(std::string("the setting ") + kScaleSetting + "=" +
                             std::to_string(static_cast<int>(*stored)) +
                             " is not 1, 2 or 3; ignored");
    }
    return ChooseScale(environment, stored, ReadXftDpi());
}

}  // namespace tickwell::linux_gui
