#include "resources/strings.h"

#include "resources/resource_ids.h"

namespace tickwell {

const char* StringResource(int id) {
    switch (id) {
        case IDS_TITLE: return TEXT_TITLE;
        case IDS_ERROR_CAPTION: return TEXT_ERROR_CAPTION;
        case IDS_ERROR_REGISTER_CLASS: return TEXT_ERROR_REGISTER_CLASS;
        case IDS_ERROR_CREATE_WINDOW: return TEXT_ERROR_CREATE_WINDOW;
        case IDS_ERROR_INTERNET: return TEXT_ERROR_INTERNET;
        case IDS_ERROR_SERVER: return TEXT_ERROR_SERVER;
        default: return "";
    }
}

}  // namespace tickwell
