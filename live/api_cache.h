// Polite requests to the weather service: every answer is kept with its
// freshness, and a request goes out only when the rules below allow it.
//
// - A fresh answer (Cache-Control max-age, or Expires) is served from here,
//   for an hour at most (a quarter of an hour for observations; see
//   AnswerLimits), whatever the answer says.
// - A URL is requested at most once a minute: within that minute the last
//   outcome, success or failure, is served again. So the fetch job's
//   retries, a short refresh interval and repeated "Update now" never turn
//   into more requests.
// - A stale answer with a Last-Modified date is revalidated with
//   If-Modified-Since; 304 keeps it.
// - After 429 or a 5xx the URL waits the answer's Retry-After, or a back-off
//   that doubles from one minute up to fifteen; after 429 every URL waits.
//   No Retry-After holds a URL, or every URL, longer than an hour.
// - A body the caller could not use (Forget) is never served or revalidated
//   again: the next request, once the spacing allows, asks afresh.
//
// All of these waits run on the monotonic clock, so a PC clock stepped back
// never stops requests and one stepped forward never skips a wait. The
// time the service's answers are judged by (Now) comes from the service's
// own Date header where it sent one.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "live/answer_limits.h"
#include "live/clock.h"
#include "platform/https_client.h"

namespace tickwell::live {

// Why no answer came, when it means this computer has no network (no
// route, no name server, nothing listening, nothing answering) rather than
// a fault of the service's.
bool LacksNetwork(platform::HttpsFailure failure);

struct ApiResult {
    // The HTTP status of the answer served (0: no answer).
    int status = 0;
    // Why no answer came, when status is 0; None for a URL never asked.
    platform::HttpsFailure failure = platform::HttpsFailure::None;
    std::string body;
    bool ok() const { return status == 200; }
};

class ApiCache {
public:
    static constexpr std::int64_t kMinRequestSpacing = 60;
    static constexpr std::int64_t kMaxBackOff = 15 * 60;
    static constexpr std::int64_t kMaxRetryAfter = 60 * 60;

    // `spacing`: the least time between two requests of one URL, and the
    // first step of the back-off; shorter than a minute only in tests.
    // `accept`: the Accept header of every request (the weather service's
    // GeoJSON unless another service's type is given).
    ApiCache(platform::HttpsClient& client, Clock& clock, std::int64_t spacing = kMinRequestSpacing,
             std::string accept = "application/geo+json")
        : client_(client), clock_(clock), spacing_(spacing), accept_(std::move(accept)) {}

    // The answer for `url` under the rules above; the request's body cap and
    // the longest freshness come from `limits`.
    ApiResult Get(const std::string& url, const AnswerLimits& limits = kAnyAnswer);
    // Drops the body of `url`'s last answer, which the caller found broken:
    // it is not served again, and never revalidated. The request still
    // counts for the spacing, so a broken answer is not asked for at once
    // again.
    void Forget(const std::string& url);
    // What Get served for `url` last, without asking anything.
    ApiResult LastOutcome(const std::string& url) const;
    // When Get may next send a request for `url`, in the time of Now(); Now()
    // itself when it may at once.
    std::int64_t NextRequestTime(const std::string& url);

    // The time now as the service sees it, in Unix seconds: the Date of the
    // newest answer that had a valid one, plus the monotonic time since;
    // the system's clock before any such answer.
    std::int64_t Now();

    // Whether the last request sent failed for want of a network.
    bool LastRequestLackedNetwork() const { return lastRequestLackedNetwork_; }
    // The computer slept, and the monotonic clock may not have counted the
    // time: every kept answer is stale (revalidated at its next Get), and
    // Now() is the system's clock until the next answer with a Date. The
    // spacing and the waits after errors still hold.
    void ComputerSlept();
    // The network is back: a URL whose last request failed for want of it
    // may be asked again at once. Such a request reached no service (or
    // none that answered), so the spacing it started protects nobody.
    void NetworkBack();

private:
    // Times are the monotonic clock's.
    struct Entry {
        // The last good answer's body, and until when it is fresh.
        bool haveBody = false;
        std::string body;
        std::int64_t freshUntil = 0;
        std::string lastModified;
        // The last request and what it gave.
        bool requested = false;
        std::int64_t requestedAt = 0;
        int lastStatus = 0;
        platform::HttpsFailure lastFailure = platform::HttpsFailure::None;
        std::int64_t waitUntil = 0;
        int failures = 0;
    };

    // The monotonic time from which a request of `entry` may go out.
    std::int64_t RequestAllowedAt(const Entry& entry, std::int64_t now) const;
    ApiResult Outcome(const Entry& entry) const;
    void Record(Entry& entry, const platform::HttpsResponse& response, std::int64_t now,
                std::int64_t maxFreshSeconds);
    void NoteServiceDate(const platform::HttpsResponse& response, std::int64_t now);

    platform::HttpsClient& client_;
    Clock& clock_;
    std::int64_t spacing_;
    std::string accept_;
    std::map<std::string, Entry> entries_;
    std::optional<std::int64_t> everyUrlWaitsUntil_;
    // The service's Date, and the monotonic time it came at.
    std::optional<std::int64_t> serviceDate_;
    std::int64_t serviceDateAt_ = 0;
    bool lastRequestLackedNetwork_ = false;
};

// Seconds an answer stays fresh: Cache-Control max-age, else Expires less
// Date (or less `now` without one); 0 when neither is given or
// no-store/no-cache is.
std::int64_t FreshSeconds(const platform::HttpsResponse& response, std::int64_t now);
// Retry-After in seconds (a number or an HTTP date); -1 when absent.
std::int64_t RetryAfterSeconds(const platform::HttpsResponse& response, std::int64_t now);

}  // namespace tickwell::live
