// The live source behind the HTTP library's interfaces, so the fetch job
// and the two parsers work with it unchanged: a request for the forecast or
// the roundup path answers with the page the live source makes; any other
// path fails to open.
//
// Sessions, connections and requests only refer to the source, which lives
// for the whole run. Closing a connection or a session aborts the source,
// so a request still running on the fetch job's thread ends at once and no
// later one starts.
#pragma once

#include <cstdint>

#include "live/live_source.h"
#include "live/world_source.h"
#include "platform/http.h"

namespace tickwell::live {

class LiveInternet : public platform::Internet {
public:
    // `system` answers CanConnect: whether the system reports a connection
    // at all; the service being down never stops the program starting.
    // `world`, when given, makes the pages of the stations outside the US
    // (WorldSource::Serves) in place of `source`.
    LiveInternet(LiveSource& source, platform::Internet& system, WorldSource* world = nullptr)
        : source_(source), system_(system), world_(world) {}

    bool CanConnect(const char* host, std::uint16_t port) override;
    platform::HttpSession* OpenSession(const char* userAgent) override;

private:
    LiveSource& source_;
    platform::Internet& system_;
    WorldSource* world_;
};

}  // namespace tickwell::live
