#pragma once
// One HTTP GET through libcurl: always from the server (no cache), following
// redirects, http and https only (certificates checked against the system's
// store), with a connect time-out and a time-out for a transfer that stalls.
// The body comes out in blocks of at most 512 bytes.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct HttpOptions {
    long connectTimeoutSeconds = 15;
    // A transfer that moves nothing for this long is given up.
    long stallTimeoutSeconds = 30;
};

// What the caller does with the answer.
class HttpBodySink {
public:
    virtual ~HttpBodySink() = default;
    // The answer is accepted (status other than 400, 403, 404); `length` is
    // the announced body length, or -1 when the server gives none. False
    // ends the transfer (for instance when the target cannot be created).
    virtual bool Begin(std::int64_t length) = 0;
    // One block of the body; false ends the transfer.
    virtual bool Block(std::string_view bytes) = 0;
    // Polled while waiting for the server too, so a stop is not held up by a
    // silent one.
    virtual bool StopRequested() const { return false; }
};

enum class FetchOutcome {
    Done,        // the whole body went to the sink
    Refused,     // 400, 403 or 404; see StatusText
    Ended,       // the sink ended the transfer or a stop was requested
    NetworkError // see FetchResult::error
};

struct FetchResult {
    FetchOutcome outcome = FetchOutcome::NetworkError;
    long status = 0;   // the HTTP status of the last answer, 0 when none came
    std::string error; // a Chinese description for NetworkError
};

FetchResult HttpGet(const std::string& url, HttpBodySink& sink, const HttpOptions& options = {});

// The message for a refusing status (400, 403, 404), "" for any other.
std::string StatusText(long status);

// The fetch's failure as the user reads it: the status text, or the error.
std::string FailureText(const FetchResult& result);
