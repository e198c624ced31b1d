// The network coming back on Windows: the system's notification of changes
// to the IP interfaces (NotifyIpInterfaceChange), delivered on a thread of
// the system's.
#pragma once

#include <functional>

namespace tickwell::platform {

class NetworkWatch {
public:
    // Calls `changed`, on a thread of the system's, when an interface is
    // added or its state changes. When the system will not tell, watches
    // nothing: the regular refresh alone.
    explicit NetworkWatch(std::function<void()> changed);
    // Waits for a notification in progress to end.
    ~NetworkWatch();
    NetworkWatch(const NetworkWatch&) = delete;
    NetworkWatch& operator=(const NetworkWatch&) = delete;

private:
    std::function<void()> changed_;
    void* handle_ = nullptr;
};

}  // namespace tickwell::platform
