// The Linux program: the ticker against the configured weather server.
#include "app/startup.h"
#include "platform/linux/gui/desktop.h"
#include "platform/settings_store.h"

int main() {
    tickwell::linux_gui::FltkDesktop desktop;
    return tickwell::RunTickwell(desktop, tickwell::SystemSettingsStore());
}
