#include "platform/win32/system/network_watch.h"

// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
// clang-format on

#include <utility>

namespace tickwell::platform {

namespace {

VOID NETIOAPI_API_ OnInterfaceChange(PVOID context, PMIB_IPINTERFACE_ROW,
                                     MIB_NOTIFICATION_TYPE type) {
    // An interface going away never brings the network back.
    if (type == MibAddInstance || type == MibParameterNotification) {
        (*static_cast<const std::function<void()>*>(context))();
    }
}

}  // namespace

NetworkWatch::NetworkWatch(std::function<void()> changed) : changed_(std::move(changed)) {
    HANDLE handle = nullptr;
    if (::NotifyIpInterfaceChange(AF_UNSPEC, &OnInterfaceChange, &changed_, FALSE, &handle) ==
        NO_ERROR) {
        handle_ = handle;
    }
}

NetworkWatch::~NetworkWatch() {
    if (handle_ != nullptr) ::CancelMibChangeNotify2(static_cast<HANDLE>(handle_));
}

}  // namespace tickwell::platform
