// The two sample pages as the benchmarks use them: read from the stand-in
// server's folder and brought to the full size of the page buffer.
#pragma once

#include <string>

namespace tickwell::bench {

// The forecast and roundup sample pages, each padded to 16383 bytes (the
// most the fetch job hands to a parser) with markup lines in front of the
// content, so that every parser scans a page as large as it will ever see.
// An empty text when the page can't be read.
const std::string& FullSizeForecastPage();
const std::string& FullSizeRoundupPage();

}  // namespace tickwell::bench
