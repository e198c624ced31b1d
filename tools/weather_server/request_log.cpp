#include "request_log.h"

#include <cstdio>
#include <ctime>
#include <fstream>

namespace tickwell::tools {

std::string IsoTime(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(when.time_since_epoch());
    const std::time_t seconds =
        static_cast<std::time_t>(floor<std::chrono::seconds>(sinceEpoch).count());
    const auto millis = static_cast<int>(sinceEpoch.count() - seconds * 1000LL);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
    return text;
}

std::string LogLine(std::chrono::system_clock::time_point when, const std::string& remote,
                    const std::string& path, const std::string& status) {
    return IsoTime(when) + ' ' + remote + ' ' + path + ' ' + status;
}

bool AppendLine(const std::string& file, const std::string& line) {
    std::ofstream out(file, std::ios::app | std::ios::binary);
    out << line << '\n';
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace tickwell::tools
