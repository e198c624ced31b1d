#include "app/main_window.h"

namespace tickwell {

WindowServices* mainWindow = nullptr;

}  // namespace tickwell
