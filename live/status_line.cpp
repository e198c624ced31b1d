#include "live/status_line.h"

#include <algorithm>
#include <array>

#include "live/alerts.h"
#include "live/forecast_page.h"
#include "live/page_text.h"
#include "live/time_text.h"

namespace tickwell::live {

namespace {

using platform::HttpsFailure;

// Words for why no answer came, short enough for the ticker.
const char* FailureWords(HttpsFailure failure) {
    switch (failure) {
        case HttpsFailure::NameNotFound: return "NAME NOT FOUND";
        case HttpsFailure::ConnectFailed: return "NO CONNECTION";
        case HttpsFailure::TimedOut: return "TIMED OUT";
        case HttpsFailure::Certificate: return "CERTIFICATE NOT TRUSTED";
        case HttpsFailure::TooLarge: return "ANSWER TOO LARGE";
        case HttpsFailure::Redirect: return "REDIRECTED";
        case HttpsFailure::Aborted: return "STOPPED";
        case HttpsFailure::None:
        case HttpsFailure::Other: break;
    }
    return "NETWORK ERROR";
}

// A line of the page carries nothing the parser could take for a period of
// its own or the page's end: one line of printable capitals.
std::string PageSafe(std::string_view text) {
    return CutAtWord(PageLine(text), 400);
}

}  // namespace

ForecastTrouble TroubleOf(const ApiResult& result, bool stationRequest,
                          std::string_view stationId) {
    ForecastTrouble trouble;
    trouble.stationId = PageSafe(stationId);
    trouble.status = result.status;
    trouble.failure = result.failure;
    if (result.status == 0) {
        trouble.kind = TroubleKind::Unreachable;
    } else if (stationRequest && result.status == 404) {
        trouble.kind = TroubleKind::UnknownStation;
    } else if (result.status != 200) {
        trouble.kind = TroubleKind::Errors;
    } else {
        // An answer, but not one a forecast could be made from.
        trouble.kind = TroubleKind::NoForecast;
    }
    return trouble;
}

std::string TroubleWords(const ForecastTrouble& trouble) {
    switch (trouble.kind) {
        case TroubleKind::Unreachable:
            return std::string("THE WEATHER SERVICE CANNOT BE REACHED (") +
                   FailureWords(trouble.failure) + ")";
        case TroubleKind::Errors:
            return "THE WEATHER SERVICE ANSWERS WITH ERRORS (" + std::to_string(trouble.status) +
                   ")";
        case TroubleKind::UnknownStation:
            return "THE WEATHER SERVICE KNOWS NO STATION " + trouble.stationId;
        case TroubleKind::NoForecast: break;
    }
    return "THE WEATHER SERVICE GIVES NO FORECAST FOR " + trouble.stationId;
}

std::string RemedySentence(const ForecastTrouble& trouble, std::string_view nextTry) {
    if (trouble.kind == TroubleKind::UnknownStation) {
        return "RIGHT-CLICK TO CHOOSE YOUR LOCATION.";
    }
    return "NEXT TRY AT " + std::string(nextTry) + ".";
}

std::string StatusLine(const ForecastTrouble& trouble, std::string_view nextTry) {
    return ".NOW..." + TroubleWords(trouble) + ". " + RemedySentence(trouble, nextTry);
}

std::string NotUpdatedLine(const ForecastTrouble& trouble, std::string_view since,
                           std::string_view nextTry) {
    return ".NOW...NOT UPDATED SINCE " + std::string(since) + ": " + TroubleWords(trouble) + ". " +
           RemedySentence(trouble, nextTry);
}

std::string WeekdayName(std::int64_t time, int offsetMinutes) {
    static constexpr std::array<const char*, 7> kDays = {
        "SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};
    return kDays[static_cast<std::size_t>(ToLocalTime(time, offsetMinutes).weekday)];
}

std::string LocalTimeText(std::int64_t time, std::int64_t now, int offsetMinutes) {
    const LocalTime then = ToLocalTime(time, offsetMinutes);
    const LocalTime today = ToLocalTime(now, offsetMinutes);
    std::string text = ClockTime(TimeStamp{time, offsetMinutes});
    if (then.year != today.year || then.month != today.month || then.day != today.day) {
        text += " " + WeekdayName(time, offsetMinutes);
    }
    return text;
}

std::int64_t NextTryTime(std::int64_t now, std::int64_t allowedAt, std::int64_t refreshSeconds) {
    if (refreshSeconds <= 0) {
        return std::max(now, allowedAt);
    }
    std::int64_t refreshes = 1;
    if (allowedAt > now + refreshSeconds) {
        refreshes = (allowedAt - now + refreshSeconds - 1) / refreshSeconds;
    }
    return now + refreshes * refreshSeconds;
}

std::string StatusPage(std::string_view stationLine, const ForecastTrouble& trouble,
                       std::string_view nextTry, std::string_view weekday) {
    ForecastPeriod outlook;
    outlook.name = std::string(weekday);
    outlook.text = TroubleWords(trouble) + ". " + RemedySentence(trouble, nextTry);
    return BuildForecastPage(stationLine, {StatusLine(trouble, nextTry)}, {outlook});
}

}  // namespace tickwell::live
