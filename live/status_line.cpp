#include "live/status_line.h"

#include <algorithm>

#include "live/alerts.h"
#include "live/forecast_page.h"
#include "live/page_text.h"
#include "live/time_text.h"
#include "live/words.h"

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

// The texts below are built by appending only: the i686 compiler's
// restrict check misreads a literal put in front of a string.
std::string TroubleWords(const ForecastTrouble& trouble) {
    std::string words = "THE WEATHER SERVICE ";
    switch (trouble.kind) {
        case TroubleKind::Unreachable:
            words += "CANNOT BE REACHED (";
            words += FailureWords(trouble.failure);
            words += ')';
            return words;
        case TroubleKind::Errors:
            words += "ANSWERS WITH ERRORS (";
            words += std::to_string(trouble.status);
            words += ')';
            return words;
        case TroubleKind::UnknownStation:
            words += "KNOWS NO STATION ";
            words += trouble.stationId;
            return words;
        case TroubleKind::NoForecast: break;
    }
    words += "GIVES NO FORECAST FOR ";
    words += trouble.stationId;
    return words;
}

std::string RemedySentence(const ForecastTrouble& trouble, std::string_view nextTry) {
    if (trouble.kind == TroubleKind::UnknownStation) {
        return "RIGHT-CLICK TO CHOOSE YOUR LOCATION.";
    }
    std::string sentence = "NEXT TRY AT ";
    sentence += nextTry;
    sentence += '.';
    return sentence;
}

std::string StatusLine(const ForecastTrouble& trouble, std::string_view nextTry) {
    std::string line = ".NOW...";
    line += TroubleWords(trouble);
    line += ". ";
    line += RemedySentence(trouble, nextTry);
    return line;
}

std::string NotUpdatedLine(const ForecastTrouble& trouble, std::string_view since,
                           std::string_view nextTry) {
    std::string line = ".NOW...NOT UPDATED SINCE ";
    line += since;
    line += ": ";
    line += TroubleWords(trouble);
    line += ". ";
    line += RemedySentence(trouble, nextTry);
    return line;
}

std::string WeekdayName(std::int64_t time, int offsetMinutes) {
    return std::string(DayName(ToLocalTime(time, offsetMinutes).weekday));
}

std::string LocalTimeText(std::int64_t time, std::int64_t now, int offsetMinutes,
                          ClockStyle clock) {
    const LocalTime then = ToLocalTime(time, offsetMinutes);
    const LocalTime today = ToLocalTime(now, offsetMinutes);
    std::string text = ClockTime(TimeStamp{time, offsetMinutes}, clock);
    if (then.year != today.year || then.month != today.month || then.day != today.day) {
        text += ' ';
        text += WeekdayName(time, offsetMinutes);
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

std::string StatusPage(std::string_view stationLine, const std::string& nowLine,
                       const ForecastTrouble& trouble, std::string_view nextTry,
                       std::string_view weekday) {
    ForecastPeriod outlook;
    outlook.name = std::string(weekday);
    outlook.text = TroubleWords(trouble);
    outlook.text += ". ";
    outlook.text += RemedySentence(trouble, nextTry);
    return BuildForecastPage(stationLine, {nowLine}, {outlook});
}

}  // namespace tickwell::live
