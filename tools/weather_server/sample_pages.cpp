#include <cstddef>
#include <string>

#include "weather_server.h"

// The bytes of pages/forecast.html and pages/roundup.html, written into a
// generated source file when the build is configured.
namespace tickwell::tools::embedded {
extern const unsigned char kForecastPage[];
extern const std::size_t kForecastPageSize;
extern const unsigned char kRoundupPage[];
extern const std::size_t kRoundupPageSize;
}  // namespace tickwell::tools::embedded

namespace tickwell::tools {

const std::string& SamplePage(Page page) {
    static const std::string forecast(reinterpret_cast<const char*>(embedded::kForecastPage),
                                      embedded::kForecastPageSize);
    static const std::string roundup(reinterpret_cast<const char*>(embedded::kRoundupPage),
                                     embedded::kRoundupPageSize);
    return page == Page::Forecast ? forecast : roundup;
}

}  // namespace tickwell::tools
