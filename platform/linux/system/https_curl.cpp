// HTTPS requests of the live weather source on Linux: libcurl through one
// multi handle and one reused easy handle, so kept-alive connections serve
// the next request, and so Abort can wake a transfer that waits on the
// network at once.
#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "platform/https_client.h"
#include "platform/linux/system/user_folders.h"

namespace tickwell::platform {

namespace {

// The longest a transfer waits between two looks at the abort flag.
constexpr int kPollMs = 200;
constexpr long kMaxRedirects = 5;

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
    const std::atomic<bool>* aborted = nullptr;
};

std::size_t CollectBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t offered = size * count;
    if (transfer->response.body.size() + offered > transfer->maxBodyBytes) {
        transfer->overLimit = true;
        return 0;  // a short count ends the transfer
    }
    transfer->response.body.append(data, offered);
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

bool IsRedirectStatus(long status) {
    return status >= 300 && status <= 399;
}

// Why a transfer that ended with `result` gave no answer. `lastStatus` is
// the status of the last answer seen, a redirect's when one was refused.
HttpsFailure FailureOf(CURLcode result, long lastStatus) {
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
        case CURLE_TOO_MANY_REDIRECTS: return HttpsFailure::Redirect;
        case CURLE_UNSUPPORTED_PROTOCOL:
            // A redirect to a scheme the request may not go to (https to
            // http).
            return IsRedirectStatus(lastStatus) ? HttpsFailure::Redirect : HttpsFailure::Other;
        case CURLE_ABORTED_BY_CALLBACK: return HttpsFailure::Aborted;
        default: return HttpsFailure::Other;
    }
}

bool IsHttps(const std::string& url) {
    return url.size() >= 8 && std::equal(url.begin(), url.begin() + 8, "https://",
                                         [](char a, char b) { return std::tolower(a) == b; });
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

    HttpsResponse Get(const std::string& url, const std::vector<HttpsHeader>& requestHeaders,
                      std::size_t maxBodyBytes) override {
        std::lock_guard<std::mutex> hold(transferGuard_);
        Transfer transfer;
        transfer.maxBodyBytes = std::min(options_.maxBodyBytes, maxBodyBytes);
        transfer.aborted = &aborted_;
        if (aborted_.load()) {
            transfer.response.failure = HttpsFailure::Aborted;
            return transfer.response;
        }
        curl_slist* headers = nullptr;
        for (const HttpsHeader& header : requestHeaders) {
            headers = curl_slist_append(headers, (header.name + ": " + header.value).c_str());
        }
        Configure(url, headers, &transfer);
        const CURLcode result = Perform();
        long status = 0;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, nullptr);
        curl_slist_free_all(headers);
        if (result != CURLE_OK || transfer.overLimit || aborted_.load()) {
            HttpsResponse failed;
            failed.failure = aborted_.load()      ? HttpsFailure::Aborted
                             : transfer.overLimit ? HttpsFailure::TooLarge
                                                  : FailureOf(result, status);
            return failed;
        }
        transfer.response.status = static_cast<int>(status);
        return std::move(transfer.response);
    }

    void Abort() override {
        aborted_.store(true);
        // Wakes a transfer waiting in curl_multi_poll; safe from any thread.
        curl_multi_wakeup(multi_);
    }

private:
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
        if (std::FILE* file = std::fopen(options_.extraCaFile.c_str(), "rb")) {
            std::fclose(file);
            extraCaFile_ = options_.extraCaFile;
        } else {
            std::fprintf(stderr, "tickwell: cannot read the certificate file %s\n",
                         options_.extraCaFile.c_str());
        }
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
        // Never from https down to plain http, as on Windows.
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, IsHttps(url) ? "https" : "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
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
