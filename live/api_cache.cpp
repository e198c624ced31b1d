#include "live/api_cache.h"

#include <algorithm>
#include <cstdlib>

#include "live/time_text.h"

namespace tickwell::live {

namespace {

// A header's decimal number of seconds; -1 when it is not one.
std::int64_t DecimalSeconds(std::string_view text) {
    if (text.empty() || text.size() > 9) {
        return -1;
    }
    std::int64_t value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') {
            return -1;
        }
        value = value * 10 + (ch - '0');
    }
    return value;
}

std::string Lowered(std::string text) {
    for (char& ch : text) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return text;
}

bool IsRetryable(int status) {
    return status == 429 || (status >= 500 && status <= 599);
}

}  // namespace

bool LacksNetwork(platform::HttpsFailure failure) {
    using platform::HttpsFailure;
    return failure == HttpsFailure::NameNotFound || failure == HttpsFailure::ConnectFailed ||
           failure == HttpsFailure::TimedOut;
}

std::int64_t FreshSeconds(const platform::HttpsResponse& response, std::int64_t now) {
    if (const std::string* control = response.Header("cache-control")) {
        const std::string lowered = Lowered(*control);
        if (lowered.find("no-store") != std::string::npos ||
            lowered.find("no-cache") != std::string::npos) {
            return 0;
        }
        const std::size_t at = lowered.find("max-age=");
        if (at != std::string::npos) {
            std::size_t end = at + 8;
            while (end < lowered.size() && lowered[end] >= '0' && lowered[end] <= '9') ++end;
            return std::max<std::int64_t>(
                0, DecimalSeconds(std::string_view(lowered).substr(at + 8, end - at - 8)));
        }
    }
    if (const std::string* expires = response.Header("expires")) {
        auto expiry = ParseHttpDate(*expires);
        if (!expiry) {
            return 0;
        }
        std::int64_t date = now;
        if (const std::string* dateHeader = response.Header("date")) {
            date = ParseHttpDate(*dateHeader).value_or(now);
        }
        return std::max<std::int64_t>(0, *expiry - date);
    }
    return 0;
}

std::int64_t RetryAfterSeconds(const platform::HttpsResponse& response, std::int64_t now) {
    const std::string* header = response.Header("retry-after");
    if (header == nullptr) {
        return -1;
    }
    const std::int64_t seconds = DecimalSeconds(*header);
    if (seconds >= 0) {
        return seconds;
    }
    auto when = ParseHttpDate(*header);
    return when ? std::max<std::int64_t>(0, *when - now) : -1;
}

std::int64_t ApiCache::Now() {
    if (!serviceDate_) {
        return clock_.UnixSeconds();
    }
    return *serviceDate_ + (clock_.MonotonicSeconds() - serviceDateAt_);
}

void ApiCache::NoteServiceDate(const platform::HttpsResponse& response, std::int64_t now) {
    const std::string* header = response.Header("date");
    if (header == nullptr) {
        return;
    }
    if (const std::optional<std::int64_t> date = ParseHttpDate(*header)) {
        serviceDate_ = *date;
        serviceDateAt_ = now;
    }
}

std::int64_t ApiCache::RequestAllowedAt(const Entry& entry, std::int64_t now) const {
    std::int64_t allowed = now;
    if (everyUrlWaitsUntil_) {
        allowed = std::max(allowed, *everyUrlWaitsUntil_);
    }
    if (entry.requested) {
        allowed = std::max({allowed, entry.requestedAt + spacing_, entry.waitUntil});
    }
    return allowed;
}

ApiResult ApiCache::Outcome(const Entry& entry) const {
    if (entry.lastStatus == 200 || entry.lastStatus == 304) {
        return ApiResult{200, platform::HttpsFailure::None, entry.body};
    }
    return ApiResult{entry.lastStatus, entry.lastFailure, std::string()};
}

void ApiCache::Record(Entry& entry, const platform::HttpsResponse& response, std::int64_t now,
                      std::int64_t maxFreshSeconds) {
    entry.requested = true;
    entry.requestedAt = now;
    entry.waitUntil = now;
    entry.lastFailure = response.status == 0 ? response.failure : platform::HttpsFailure::None;
    const std::int64_t serviceNow = Now();
    const std::int64_t freshFor = std::min(FreshSeconds(response, serviceNow), maxFreshSeconds);
    if (response.status == 200) {
        entry.haveBody = true;
        entry.body = response.body;
        entry.freshUntil = now + freshFor;
        const std::string* modified = response.Header("last-modified");
        entry.lastModified = modified != nullptr ? *modified : std::string();
        entry.lastStatus = 200;
        entry.failures = 0;
        return;
    }
    if (response.status == 304 && entry.haveBody) {
        entry.freshUntil = now + freshFor;
        entry.lastStatus = 304;
        entry.failures = 0;
        return;
    }
    // A 304 for an answer this cache no longer has counts as a failure.
    entry.lastStatus = response.status == 304 ? 0 : response.status;
    if (response.status == 304) {
        entry.lastFailure = platform::HttpsFailure::Other;
    }
    if (!IsRetryable(response.status)) {
        return;
    }
    entry.failures = std::min(entry.failures + 1, 8);
    std::int64_t wait = std::min<std::int64_t>(spacing_ << (entry.failures - 1), kMaxBackOff);
    const std::int64_t retryAfter = RetryAfterSeconds(response, serviceNow);
    if (retryAfter >= 0) {
        wait = std::min(std::max(retryAfter, spacing_), kMaxRetryAfter);
    }
    entry.waitUntil = now + wait;
    if (response.status == 429) {
        everyUrlWaitsUntil_ = now + wait;
    }
}

ApiResult ApiCache::Get(const std::string& url, const AnswerLimits& limits) {
    const std::int64_t now = clock_.MonotonicSeconds();
    Entry& entry = entries_[url];
    if (entry.haveBody && now < entry.freshUntil) {
        return ApiResult{200, platform::HttpsFailure::None, entry.body};
    }
    if (RequestAllowedAt(entry, now) > now) {
        return Outcome(entry);
    }
    std::vector<platform::HttpsHeader> headers = {{"Accept", accept_}};
    if (entry.haveBody && !entry.lastModified.empty()) {
        headers.push_back({"If-Modified-Since", entry.lastModified});
    }
    const platform::HttpsResponse response = client_.Get(url, headers, limits.maxBodyBytes);
    // A slow answer's waits and freshness count from when it came.
    const std::int64_t answeredAt = clock_.MonotonicSeconds();
    lastRequestLackedNetwork_ = response.status == 0 && LacksNetwork(response.failure);
    NoteServiceDate(response, answeredAt);
    Record(entry, response, answeredAt, limits.maxFreshSeconds);
    return Outcome(entry);
}

void ApiCache::Forget(const std::string& url) {
    auto found = entries_.find(url);
    if (found == entries_.end()) {
        return;
    }
    Entry& entry = found->second;
    entry.haveBody = false;
    // The memory goes back at once, not when the next answer replaces it.
    std::string().swap(entry.body);
    entry.freshUntil = 0;
    entry.lastModified.clear();
}

void ApiCache::ComputerSlept() {
    for (auto& [url, entry] : entries_) {
        entry.freshUntil = 0;
    }
    serviceDate_.reset();
}

void ApiCache::NetworkBack() {
    for (auto& [url, entry] : entries_) {
        if (entry.lastStatus == 0 && LacksNetwork(entry.lastFailure)) {
            entry.requested = false;
        }
    }
}

ApiResult ApiCache::LastOutcome(const std::string& url) const {
    auto found = entries_.find(url);
    return found != entries_.end() ? Outcome(found->second) : ApiResult{};
}

std::int64_t ApiCache::NextRequestTime(const std::string& url) {
    const std::int64_t now = clock_.MonotonicSeconds();
    auto found = entries_.find(url);
    const std::int64_t allowed = found != entries_.end() ? RequestAllowedAt(found->second, now)
                                                         : RequestAllowedAt(Entry{}, now);
    return Now() + (allowed - now);
}

}  // namespace tickwell::live
