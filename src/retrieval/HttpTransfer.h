#pragma once
// HTTP and HTTPS requests of the download workers, on libcurl: one easy handle per job, reused by
// every attempt of the job, so a connection the server keeps open serves the next attempt.
// A request is sent by open(), which returns once the final answer's status line and headers
// are in (redirects are followed); the body is then pulled with read(), a piece at a time.
// Both wait at most until a deadline and give up at once when the abort flag is set: a server
// that accepts and then stays silent cannot hold the caller beyond its limit.
//
// Every request carries "Accept: text/*" and the settings' user agent ("CVR" for the download
// workers). Certificates and host names are verified. Not thread-safe: one transfer belongs to one
// thread.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// A download URL taken apart as the workers need it (for the choice of transfer and the log).
struct ParsedUrl {
    enum class Service { Invalid, Http, Https, File, Other };
    Service service = Service::Invalid;
    std::string server; // host name or address (http, https)
    std::string object; // path and query, "/" when the URL names none
    int port = 0;       // the given port, else 80 or 443
};

// Splits "scheme://[user@]host[:port]/object". Invalid: no "://", or an http(s) URL without host
// or with a bad port. The scheme is compared without regard to case; any scheme other than
// http, https and file is Other.
ParsedUrl parseDownloadUrl(std::string_view url);

// `url` with every byte below 0x21 or above 0x7E written as %XX, as a request line needs it
// (names with blanks or accents inserted into URL templates).
std::string encodeRequestUrl(std::string_view url);

// How requests reach the network. Copied into the transfer; nothing here is shared.
struct TransferSettings {
    // true: the proxy of the environment (http_proxy, https_proxy, no_proxy); false: proxyAddress.
    bool standardProxy = true;
    std::string proxyAddress;
    int proxyPort = 80;
    // A file of certificates to trust instead of the system's store; empty: the system's store.
    std::string caFile;
    // Only https, also for redirects.
    bool httpsOnly = false;
    std::string userAgent = "CVR";
    // Limit of establishing the connection (TCP and TLS); zero: only the caller's deadline.
    std::chrono::milliseconds connectTimeout{0};
};

class HttpTransfer {
public:
    enum class Result { Ok, TimedOut, Aborted, Failed, BadUrl };
    using Clock = std::chrono::steady_clock;

    explicit HttpTransfer(TransferSettings settings);
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // Ends the previous request and sends a GET request for `url`. Ok once the final answer's
    // headers are in; TimedOut at `deadline`; Aborted when `abort` is non-zero; BadUrl when the
    // URL (or a redirect) is malformed or of a refused scheme; Failed (see errorText()) when the
    // host is not found, the connection or the TLS handshake fails.
    Result open(const std::string& url, Clock::time_point deadline, const std::atomic<int>* abort);

    // The final answer's status code (0 before one arrived).
    long status() const;
    // Its Content-Length, when it gave one.
    std::optional<std::int64_t> contentLength() const;
    // Its Last-Modified date, when it gave one that parses.
    std::optional<std::time_t> lastModified() const;

    // Reads up to `size` bytes of the body. Ok with `got` 0 at the end of the body. Data that is
    // already in is delivered even after the deadline; otherwise TimedOut at the deadline.
    Result read(char* buffer, std::size_t size, std::size_t& got, Clock::time_point deadline,
                const std::atomic<int>* abort);

    // Ends the current request (an unread body is dropped with its connection).
    void close();

    // Why the last open() or read() failed.
    const std::string& errorText() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};
