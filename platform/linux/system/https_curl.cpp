// HTTPS requests of the live weather source on Linux: libcurl through one
// multi handle and one reused easy handle, so kept-alive connections serve
// the next request, and so Abort can wake a transfer that waits on the
// network at once.
#include <curl/curl.h>
#include <malloc.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "platform/https_client.h"
#include "platform/linux/system/user_folders.h"
#include "platform/message_log.h"
#include "platform/redirect_rule.h"

namespace tickwell::platform {

namespace {

// The longest a transfer waits between two looks at the abort flag.
constexpr int kPollMs = 200;
// A body comes in pieces of kilobytes: TCP segments, TLS records, decoded
// chunks. One sent a byte or a few at a time costs a wake-up, a TLS record
// and a callback per byte, so after kFewPieces pieces their average must
// be at least kLeastAveragePiece bytes, or the transfer ends.
constexpr std::size_t kFewPieces = 128;
constexpr std::size_t kLeastAveragePiece = 128;
// After a body this large has been dropped, the allocator hands its free
// memory back to the system (glibc keeps it otherwise, for the run).
constexpr std::size_t kTrimAfterBytes = 64 * 1024;

std::string Trim(std::string text) {
    const char* blanks = " \t\r\n";
    const std::size_t start = text.find_first_not_of(blanks);
    if (start == std::string::npos) {
        return std::string();
    }
    const std::size_t end = text.find_last_not_of(blanks);
    return text.substr(start, end - start + 1);
}

struct Transfer {
    HttpsResponse response;
    std::size_t maxBodyBytes = 0;
    bool overLimit = false;
    // The body's pieces so far, and whether they were too small.
    std::size_t pieces = 0;
    bool trickled = false;
    const std::atomic<bool>* aborted = nullptr;
};

std::size_t CollectBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t offered = size * count;
    std::string& body = transfer->response.body;
    if (body.size() + offered > transfer->maxBodyBytes) {
        transfer->overLimit = true;
        return 0;  // a short count ends the transfer
    }
    ++transfer->pieces;
    if (transfer->pieces > kFewPieces &&
        body.size() + offered < transfer->pieces * kLeastAveragePiece) {
        transfer->trickled = true;
        return 0;
    }
    if (body.empty()) {
        // One allocation for a body of usual size, rather than a string
        // that grows by doubling.
        body.reserve(std::min<std::size_t>(transfer->maxBodyBytes, 16 * 1024));
    }
    body.append(data, offered);
    return offered;
}

std::size_t CollectHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    const std::string line(data, length);
    if (line.compare(0, 5, "HTTP/") == 0) {
        // A new answer (after a redirect or an interim one) starts afresh.
        transfer->response.headers.clear();
        return length;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0 || transfer->response.headers.size() >= 200) {
        return length;
    }
    std::string name = line.substr(0, colon);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    transfer->response.headers.push_back({name, Trim(line.substr(colon + 1))});
    return length;
}

int CheckAborted(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->aborted->load() ? 1 : 0;
}

// Whether `path` is a file that holds at least one certificate the TLS
// library can read, as libcurl will read it.
bool HoldsCertificates(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    BIO* file = BIO_new_file(path.c_str(), "r");
    if (file == nullptr) {
        ERR_clear_error();
        return false;
    }
    int certificates = 0;
    if (STACK_OF(X509_INFO)* items = PEM_X509_INFO_read_bio(file, nullptr, nullptr, nullptr)) {
        for (int i = 0; i < sk_X509_INFO_num(items); ++i) {
            certificates += sk_X509_INFO_value(items, i)->x509 != nullptr ? 1 : 0;
        }
        sk_X509_INFO_pop_free(items, X509_INFO_free);
    }
    BIO_free(file);
    // Nothing of this look may reach libcurl's own reading of errors.
    ERR_clear_error();
    return certificates > 0;
}

// Gives the memory the allocator keeps free back to the system.
void ReleaseFreeMemory() {
    malloc_trim(0);
}

// Why a transfer that ended with `result` gave no answer.
HttpsFailure FailureOf(CURLcode result) {
    switch (result) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return HttpsFailure::NameNotFound;
        case CURLE_COULDNT_CONNECT: return HttpsFailure::ConnectFailed;
        case CURLE_OPERATION_TIMEDOUT: return HttpsFailure::TimedOut;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH: return HttpsFailure::Certificate;
        case CURLE_FILESIZE_EXCEEDED: return HttpsFailure::TooLarge;
        case CURLE_ABORTED_BY_CALLBACK: return HttpsFailure::Aborted;
        default: return HttpsFailure::Other;
    }
}

class CurlHttpsClient : public HttpsClient {
public:
    explicit CurlHttpsClient(const HttpsClientOptions& options) : options_(options) {}

    ~CurlHttpsClient() override {
        if (multi_ != nullptr && easy_ != nullptr) {
            curl_multi_remove_handle(multi_, easy_);
        }
        if (easy_ != nullptr) curl_easy_cleanup(easy_);
        if (multi_ != nullptr) curl_multi_cleanup(multi_);
    }

    bool SetUp() {
        multi_ = curl_multi_init();
        easy_ = curl_easy_init();
        if (multi_ == nullptr || easy_ == nullptr) {
            return false;
        }
        ChooseTrustedCertificates();
        return true;
    }

    // Follows redirects by hand, so that each one's target can be checked
    // before anything is sent to it.
    HttpsResponse Get(const std::string& url, const std::vector<HttpsHeader>& requestHeaders,
                      std::size_t maxBodyBytes) override {
        std::lock_guard<std::mutex> hold(transferGuard_);
        if (lastBodyWasLarge_) {
            // The caller has long dropped the last answer.
            lastBodyWasLarge_ = false;
            ReleaseFreeMemory();
        }
        if (aborted_.load()) {
            return NoAnswer(HttpsFailure::Aborted);
        }
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.totalTimeoutMs);
        curl_slist* headers = nullptr;
        for (const HttpsHeader& header : requestHeaders) {
            headers = curl_slist_append(headers, (header.name + ": " + header.value).c_str());
        }
        std::string target = url;
        HttpsResponse response;
        for (int redirects = 0;; ++redirects) {
            std::string next;
            response = GetOnce(target, headers, std::min(options_.maxBodyBytes, maxBodyBytes),
                               deadline, &next);
            if (next.empty()) {
                break;
            }
            RedirectDecision decision = DecideRedirect(target, next, redirects, kServiceRedirects);
            if (decision.verdict != RedirectVerdict::Follow) {
                response = NoAnswer(HttpsFailure::Redirect);
                break;
            }
            target = std::move(decision.url);
        }
        curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, nullptr);
        curl_slist_free_all(headers);
        lastBodyWasLarge_ = response.body.size() > kTrimAfterBytes;
        return response;
    }

    void Abort() override {
        aborted_.store(true);
        // Wakes a transfer waiting in curl_multi_poll; safe from any thread.
        curl_multi_wakeup(multi_);
    }

private:
    static HttpsResponse NoAnswer(HttpsFailure failure) {
        HttpsResponse response;
        response.failure = failure;
        return response;
    }

    // One request of `url`, without following a redirect: a redirect's
    // target is put in `redirect` instead.
    HttpsResponse GetOnce(const std::string& url, curl_slist* headers, std::size_t maxBodyBytes,
                          std::chrono::steady_clock::time_point deadline, std::string* redirect) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return NoAnswer(HttpsFailure::TimedOut);
        }
        Transfer transfer;
        transfer.maxBodyBytes = maxBodyBytes;
        transfer.aborted = &aborted_;
        Configure(url, headers, &transfer);
        curl_easy_setopt(easy_, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
        const CURLcode result = Perform();
        long status = 0;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
        if (result != CURLE_OK || transfer.overLimit || transfer.trickled || aborted_.load()) {
            const bool large = transfer.response.body.size() > kTrimAfterBytes;
            const HttpsFailure failure = aborted_.load()      ? HttpsFailure::Aborted
                                         : transfer.overLimit ? HttpsFailure::TooLarge
                                         : transfer.trickled  ? HttpsFailure::Other
                                                              : FailureOf(result);
            transfer = Transfer();
            if (large) {
                ReleaseFreeMemory();
            }
            return NoAnswer(failure);
        }
        char* location = nullptr;
        if (IsRedirectStatus(status) &&
            curl_easy_getinfo(easy_, CURLINFO_REDIRECT_URL, &location) == CURLE_OK &&
            location != nullptr) {
            *redirect = location;
        }
        transfer.response.status = static_cast<int>(status);
        return std::move(transfer.response);
    }

    // Where the system's roots are looked up. With the folder of the roots
    // one by one (named by their subject's hash), the TLS library reads only
    // the root a server's chain ends in, where the bundle file would put all
    // of them, some 140, in memory for each connection. Without that folder
    // libcurl's own default, the bundle, stays. The extra certificates take
    // the bundle's place and are trusted as well as the system's roots.
    void ChooseTrustedCertificates() {
        char* systemFolder = nullptr;
        if (!options_.systemCaFolder.empty()) {
            systemCaFolder_ = options_.systemCaFolder;
        } else if (curl_easy_getinfo(easy_, CURLINFO_CAPATH, &systemFolder) == CURLE_OK &&
                   systemFolder != nullptr) {
            systemCaFolder_ = systemFolder;
        }
        if (options_.extraCaFile.empty()) {
            return;
        }
        if (!HoldsCertificates(options_.extraCaFile)) {
            // Handed to libcurl, a file without certificates would fail
            // every request; left out, the system's roots still verify.
            LogMessage("TICKWELL_CA_FILE " + options_.extraCaFile +
                       ": no certificate could be read; trusting the system's roots only");
            return;
        }
        extraCaFile_ = options_.extraCaFile;
        char* systemFile = nullptr;
        if (systemCaFolder_.empty() &&
            curl_easy_getinfo(easy_, CURLINFO_CAINFO, &systemFile) == CURLE_OK &&
            systemFile != nullptr) {
            systemCaFolder_ = ParentFolder(systemFile);
        }
    }

    void Configure(const std::string& url, curl_slist* headers, Transfer* transfer) {
        CURL* easy = easy_;
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_USERAGENT, options_.userAgent.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        // Redirects are followed by hand (see Get).
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!systemCaFolder_.empty()) {
            curl_easy_setopt(easy, CURLOPT_CAINFO,
                             extraCaFile_.empty() ? nullptr : extraCaFile_.c_str());
            curl_easy_setopt(easy, CURLOPT_CAPATH, systemCaFolder_.c_str());
        }
        if (!options_.useSystemProxy) {
            curl_easy_setopt(easy, CURLOPT_PROXY, "");
        }
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(options_.connectTimeoutMs));
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(options_.totalTimeoutMs));
        // A transfer that moves no byte for the idle limit, before its first
        // byte or after, is given up: WinINet's receive time-out.
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME,
                         std::max(1L, static_cast<long>(options_.idleTimeoutMs / 1000)));
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, CollectBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, CollectHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, CheckAborted);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, transfer);
    }

    // Runs the configured transfer to its end, its time limit or Abort.
    CURLcode Perform() {
        if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
            return CURLE_FAILED_INIT;
        }
        CURLcode result = CURLE_ABORTED_BY_CALLBACK;
        for (;;) {
            int running = 0;
            if (curl_multi_perform(multi_, &running) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            if (running == 0) {
                int queued = 0;
                while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
                    if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
                        result = message->data.result;
                    }
                }
                break;
            }
            if (aborted_.load() ||
                curl_multi_poll(multi_, nullptr, 0, kPollMs, nullptr) != CURLM_OK) {
                break;
            }
        }
        curl_multi_remove_handle(multi_, easy_);
        return result;
    }

    HttpsClientOptions options_;
    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    std::string extraCaFile_;
    std::string systemCaFolder_;
    std::mutex transferGuard_;
    std::atomic<bool> aborted_{false};
    bool lastBodyWasLarge_ = false;
};

}  // namespace

std::unique_ptr<HttpsClient> NewSystemHttpsClient(const HttpsClientOptions& options) {
    // Reference-counted by libcurl; the program calls this at start-up,
    // before any other thread uses libcurl.
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        return nullptr;
    }
    auto client = std::unique_ptr<CurlHttpsClient>(new (std::nothrow) CurlHttpsClient(options));
    if (!client || !client->SetUp()) {
        return nullptr;
    }
    return client;
}

}  // namespace tickwell::platform
