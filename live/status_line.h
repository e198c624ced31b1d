// What the ticker says when the live source has no new forecast to show:
// why (the service cannot be reached, answers with errors, does not know
// the station) and when the next request goes out, as a ".NOW..." line in
// the ticker's own style.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "live/api_cache.h"
#include "live/units.h"

namespace tickwell::live {

enum class TroubleKind { Unreachable, Errors, UnknownStation, NoForecast };

struct ForecastTrouble {
    TroubleKind kind = TroubleKind::NoForecast;
    int status = 0;                                                 // the HTTP status, for Errors
    platform::HttpsFailure failure = platform::HttpsFailure::None;  // for Unreachable
    std::string stationId;
};

// The trouble that `result` (the first request of the forecast's chain that
// gave nothing usable) shows. `stationRequest`: it asked for the station
// itself, so a 404 means the service does not know it.
ForecastTrouble TroubleOf(const ApiResult& result, bool stationRequest, std::string_view stationId);

// "THE WEATHER SERVICE CANNOT BE REACHED (NAME NOT FOUND)".
std::string TroubleWords(const ForecastTrouble& trouble);

// What to do about it: "NEXT TRY AT 10:30 PM.", or for an unknown station,
// which no later request mends, how to choose another.
std::string RemedySentence(const ForecastTrouble& trouble, std::string_view nextTry);

// ".NOW...THE WEATHER SERVICE CANNOT BE REACHED (TIMED OUT). NEXT TRY AT
// 10:30 PM."
std::string StatusLine(const ForecastTrouble& trouble, std::string_view nextTry);

// ".NOW...NOT UPDATED SINCE 9:15 PM: THE WEATHER SERVICE CANNOT BE REACHED
// (TIMED OUT). NEXT TRY AT 10:30 PM."
std::string NotUpdatedLine(const ForecastTrouble& trouble, std::string_view since,
                           std::string_view nextTry);

// "10:30 PM" at `offsetMinutes` from UTC, with the weekday ("10:30 PM
// TUESDAY") when that is not the local day of `now`.
std::string LocalTimeText(std::int64_t time, std::int64_t now, int offsetMinutes,
                          ClockStyle clock = ClockStyle::TwelveHour);

// "TUESDAY": the local weekday of `time`.
std::string WeekdayName(std::int64_t time, int offsetMinutes);

// When the next request goes out: at the first of the program's refreshes
// (every `refreshSeconds` from `now` on) at or after `allowedAt`, the
// first time the cache lets it go.
std::int64_t NextTryTime(std::int64_t now, std::int64_t allowedAt, std::int64_t refreshSeconds);

// A forecast page the parser reads with only the trouble on it: `nowLine`
// (StatusLine or NotUpdatedLine) as today's text and, under today's
// weekday, the trouble's words as the outlook.
std::string StatusPage(std::string_view stationLine, const std::string& nowLine,
                       const ForecastTrouble& trouble, std::string_view nextTry,
                       std::string_view weekday);

}  // namespace tickwell::live
