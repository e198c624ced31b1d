#include "platform/linux/system/desktop_notifier.h"

#include <systemd/sd-bus.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/message_log.h"

namespace tickwell::platform {

namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
constexpr std::uint64_t kCallTimeoutMicroseconds = 2'000'000;
// The notification protocol's urgency levels.
constexpr int kNormalUrgency = 1;
constexpr int kCriticalUrgency = 2;

std::string ErrorText(int result, const sd_bus_error& error) {
    if (sd_bus_error_is_set(&error) && error.message != nullptr) {
        return error.message;
    }
    return std::strerror(-result);
}

// Text for a server that reads markup in the body.
std::string Escaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

class BusNotifier : public Notifier {
public:
    explicit BusNotifier(sd_bus* bus) : bus_(bus) {}
    ~BusNotifier() override {
        sd_bus_slot_unref(closedSlot_);
        sd_bus_flush_close_unref(bus_);
    }

    // Asks the server what it can do, and from then on hears which
    // notifications it closes. False, with `error`, when no server answers.
    bool Start(std::string* error) {
        sd_bus_error callError{};  // SD_BUS_ERROR_NULL, without its C99 literal
        sd_bus_message* reply = nullptr;
        int result = sd_bus_call_method(bus_, kService, kPath, kInterface, "GetCapabilities",
                                        &callError, &reply, "");
        if (result < 0) {
            *error = "no notification server: " + ErrorText(result, callError);
            sd_bus_error_free(&callError);
            return false;
        }
        char** capabilities = nullptr;
        if (sd_bus_message_read_strv(reply, &capabilities) >= 0 && capabilities != nullptr) {
            for (char** each = capabilities; *each != nullptr; ++each) {
                markup_ = markup_ || std::strcmp(*each, "body-markup") == 0;
                std::free(*each);
            }
            std::free(capabilities);
        }
        sd_bus_message_unref(reply);
        sd_bus_match_signal(bus_, &closedSlot_, kService, kPath, kInterface, "NotificationClosed",
                            &BusNotifier::OnClosed, this);
        return true;
    }

    void Show(std::uint32_t id, const Notice& notice) override { Send(id, notice, 0); }

    void Update(std::uint32_t id, const Notice& notice) override {
        Drain();
        auto shown = serverIds_.find(id);
        // One the user has dismissed stays dismissed.
        if (shown != serverIds_.end()) {
            Send(id, notice, shown->second);
        }
    }

    void Close(std::uint32_t id) override {
        Drain();
        auto shown = serverIds_.find(id);
        if (shown == serverIds_.end()) {
            return;
        }
        const std::uint32_t serverId = shown->second;
        serverIds_.erase(shown);
        sd_bus_error callError{};  // SD_BUS_ERROR_NULL, without its C99 literal
        const int result =
            sd_bus_call_method(bus_, kService, kPath, kInterface, "CloseNotification", &callError,
                               nullptr, "u", serverId);
        Report(result, callError);
    }

private:
    static int OnClosed(sd_bus_message* message, void* self, sd_bus_error*) {
        std::uint32_t serverId = 0;
        std::uint32_t reason = 0;
        if (sd_bus_message_read(message, "uu", &serverId, &reason) >= 0) {
            auto& ids = static_cast<BusNotifier*>(self)->serverIds_;
            for (auto each = ids.begin(); each != ids.end(); ++each) {
                if (each->second == serverId) {
                    ids.erase(each);
                    break;
                }
            }
        }
        return 0;
    }

    // Handles the signals that came in since the last call.
    void Drain() {
        while (sd_bus_process(bus_, nullptr) > 0) {
        }
    }

    void Send(std::uint32_t id, const Notice& notice, std::uint32_t replaces) {
        Drain();
        const std::string body = markup_ ? Escaped(notice.body) : notice.body;
        sd_bus_error callError{};  // SD_BUS_ERROR_NULL, without its C99 literal
        sd_bus_message* reply = nullptr;
        const int result = sd_bus_call_method(
            bus_, kService, kPath, kInterface, "Notify", &callError, &reply, "susssasa{sv}i",
            "Tickwell", replaces, "dialog-warning", notice.summary.c_str(), body.c_str(), 0, 2,
            "urgency", "y", notice.critical ? kCriticalUrgency : kNormalUrgency, "sound-name", "s",
            "dialog-warning", -1);
        if (Report(result, callError)) {
            std::uint32_t serverId = 0;
            if (sd_bus_message_read(reply, "u", &serverId) >= 0) {
                serverIds_[id] = serverId;
            }
        }
        sd_bus_message_unref(reply);
    }

    // True when the call went through; the first failure of the run is
    // told among the notes, the ticker carries on either way.
    bool Report(int result, sd_bus_error& callError) {
        if (result < 0 && !reported_) {
            reported_ = true;
            LogMessage("a desktop notification failed: " + ErrorText(result, callError));
        }
        sd_bus_error_free(&callError);
        return result >= 0;
    }

    sd_bus* bus_;
    sd_bus_slot* closedSlot_ = nullptr;
    bool markup_ = false;
    bool reported_ = false;
    // The server's id of each notice shown.
    std::map<std::uint32_t, std::uint32_t> serverIds_;
};

}  // namespace

std::unique_ptr<Notifier> NewDesktopNotifier(std::string* error) {
    sd_bus* bus = nullptr;
    const int result = sd_bus_open_user(&bus);
    if (result < 0) {
        *error = std::string("no session bus: ") + std::strerror(-result);
        return nullptr;
    }
    sd_bus_set_method_call_timeout(bus, kCallTimeoutMicroseconds);
    auto notifier = std::make_unique<BusNotifier>(bus);
    if (!notifier->Start(error)) {
        return nullptr;
    }
    return notifier;
}

}  // namespace tickwell::platform
