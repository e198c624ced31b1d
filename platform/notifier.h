// The desktop's notifications of weather warnings: the freedesktop
// notification server on Linux, the notification area's balloon on Windows.
#pragma once

#include <cstdint>
#include <string>

namespace tickwell {

struct Notice {
    std::string summary;  // "Tornado Warning"
    // Lines separated by '\n', valid UTF-8.
    std::string body;
    // Extreme: shown as critical, or as an error.
    bool critical = false;
};

// Each notice has an id the program chose; the notifier maps it to its own.
// None of these may block the caller for long or fail loudly: a desktop
// without notifications leaves the program as it is.
class Notifier {
public:
    virtual ~Notifier() = default;
    // Pops up a new notice `id` with the desktop's warning sound.
    virtual void Show(std::uint32_t id, const Notice& notice) = 0;
    // Changes what notice `id` says, in place, without popping it up again.
    virtual void Update(std::uint32_t id, const Notice& notice) = 0;
    // Withdraws notice `id` if it is still shown.
    virtual void Close(std::uint32_t id) = 0;
};

}  // namespace tickwell
