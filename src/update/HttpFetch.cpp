#include "update/HttpFetch.h"

#include "platform/CurlLibrary.h"

#include <algorithm>

namespace {

constexpr std::size_t kBlockSize = 512;

bool IsRefusal(long status) {
    return status == 400 || status == 403 || status == 404;
}

struct Transfer {
    CURL* curl = nullptr;
    HttpBodySink* sink = nullptr;
    bool begun = false;
    bool refused = false;
    bool ended = false; // by the sink or a stop
    long status = 0;

    // Called once the headers of the final answer are in.
    bool BeginOnce() {
        if (begun)
            return !refused && !ended;
        begun = true;
        Curl().easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (IsRefusal(status)) {
            refused = true;
            return false;
        }
        curl_off_t length = -1;
        Curl().easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (!sink->Begin(length < 0 ? -1 : static_cast<std::int64_t>(length))) {
            ended = true;
            return false;
        }
        return true;
    }
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    const std::size_t total = size * count;
    if (!transfer->BeginOnce())
        return 0;
    for (std::size_t at = 0; at < total; at += kBlockSize) {
        const std::size_t n = std::min(kBlockSize, total - at);
        if (!transfer->sink->Block(std::string_view(data + at, n))) {
            transfer->ended = true;
            return 0; // libcurl stops on a short count
        }
    }
    return total;
}

int OnProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(context);
    if (transfer->sink->StopRequested()) {
        transfer->ended = true;
        return 1;
    }
    return 0;
}

std::string NetworkErrorText(CURLcode code, const char* detail) {
    std::string text;
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: text = "找不到更新服务器，请检查网络连接。"; break;
    case CURLE_COULDNT_CONNECT: text = "无法连接更新服务器，请稍后再试。"; break;
    case CURLE_OPERATION_TIMEDOUT: text = "更新服务器长时间没有回应，请稍后再试。"; break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CONNECT_ERROR: text = "无法建立与更新服务器的安全连接（证书验证失败）。"; break;
    case CURLE_TOO_MANY_REDIRECTS: text = "更新服务器的转向次数过多。"; break;
    case CURLE_UNSUPPORTED_PROTOCOL: text = "更新地址只能是 http 或 https 地址。"; break;
    case CURLE_URL_MALFORMAT: text = "更新地址的格式不正确。"; break;
    default: text = "下载时发生网络错误。"; break;
    }
    if (detail != nullptr && *detail != '\0')
        text += std::string("（") + detail + "）";
    return text;
}

} // namespace

FetchResult HttpGet(const std::string& url, HttpBodySink& sink, const HttpOptions& options) {
    FetchResult result;
    if (!Curl().loaded) {
        result.error = Curl().error;
        return result;
    }
    CURL* curl = Curl().easy_init();
    if (curl == nullptr) {
        result.error = "无法初始化网络连接。";
        return result;
    }
    Transfer transfer{curl, &sink};
    char detail[CURL_ERROR_SIZE] = {};
    curl_slist* headers = nullptr;
    headers = Curl().slist_append(headers, "Cache-Control: no-cache");
    headers = Curl().slist_append(headers, "Pragma: no-cache");

    Curl().easy_setopt(curl, CURLOPT_URL, url.c_str());
    Curl().easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    Curl().easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // An https start never continues over plain http.
    const bool secure = url.rfind("https:", 0) == 0;
    Curl().easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    Curl().easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    Curl().easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    Curl().easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    Curl().easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    Curl().easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    Curl().easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    Curl().easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.stallTimeoutSeconds);
    Curl().easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // worker threads
    Curl().easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    Curl().easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    Curl().easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    Curl().easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    Curl().easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    Curl().easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);

    const CURLcode code = Curl().easy_perform(curl);
    if (code == CURLE_OK && !transfer.begun)
        transfer.BeginOnce(); // an empty body: the status still counts
    Curl().easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);

    if (transfer.refused)
        result.outcome = FetchOutcome::Refused;
    else if (transfer.ended)
        result.outcome = FetchOutcome::Ended;
    else if (code == CURLE_OK)
        result.outcome = FetchOutcome::Done;
    else {
        result.outcome = FetchOutcome::NetworkError;
        result.error = NetworkErrorText(code, detail);
    }
    Curl().slist_free_all(headers);
    Curl().easy_cleanup(curl);
    return result;
}

std::string StatusText(long status) {
    switch (status) {
    case 400: return "错误，服务器未回应。";
    case 403: return "服务器禁止访问！";
    case 404: return "错误，服务器上指定的文件不存在！";
    default: return {};
    }
}

std::string FailureText(const FetchResult& result) {
    return result.outcome == FetchOutcome::Refused ? StatusText(result.status) : result.error;
}
