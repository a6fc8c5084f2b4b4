#pragma once
// A real HTTP (or HTTPS) server on 127.0.0.1 for the tests, on an ephemeral port. It records every
// request and answers each path as the test sets it up: a page, 404, 5xx, a redirect, a body sent
// slowly in pieces (with or without Content-Length), an answer after a delay, or silence (the
// request is accepted and never answered until the server stops). Paths without a set answer get
// 404. Thread-safe; many requests are served at once.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testsupport {

struct HttpReply {
    int status = 200;
    std::string body;
    std::string contentType = "text/html";
    std::vector<std::pair<std::string, std::string>> headers;
    bool withLength = true;                  // false: chunked, without Content-Length
    std::chrono::milliseconds delay{0};      // before the answer
    std::size_t pieceSize = 0;               // above 0: the body goes out in pieces of this size...
    std::chrono::milliseconds pieceDelay{0}; // ...with this pause before each piece
    bool silent = false;                     // never answer

    static HttpReply page(std::string body, int status = 200);
    static HttpReply error(int status);
    static HttpReply redirect(std::string location, int status = 302);
    static HttpReply silence();
};

struct RecordedRequest {
    std::string method;
    std::string path;                           // without the query
    std::string target;                         // path and query as sent
    std::map<std::string, std::string> headers; // names in lower case
    std::chrono::steady_clock::time_point time;
};

// The files of a self-signed certificate for 127.0.0.1, made with the openssl tool.
struct TestCertificate {
    std::filesystem::path certFile;
    std::filesystem::path keyFile;
};
TestCertificate makeSelfSignedCertificate(const std::filesystem::path& folder);

class LoopbackHttpServer {
public:
    // Plain HTTP; with `tls`, HTTPS with that certificate. `threads`: requests served at once.
    explicit LoopbackHttpServer(std::optional<TestCertificate> tls = std::nullopt, int threads = 64);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" (or https) followed by `target`.
    std::string url(std::string_view target) const;

    // Every request of `path` gets `reply`.
    void reply(const std::string& path, HttpReply reply);
    // The requests of `path` get the replies in turn; the last one repeats.
    void replySequence(const std::string& path, std::vector<HttpReply> replies);
    // Decides the answer for every request (set replies of a path still win).
    void replyWith(std::function<HttpReply(const RecordedRequest&)> handler);

    std::vector<RecordedRequest> requests() const;
    std::size_t requestCount() const;
    // The targets of the requests so far, in order.
    std::vector<std::string> targets() const;

    // Stops serving: silent and delayed answers end at once.
    void stop();

    struct Impl;

private:
    std::unique_ptr<Impl> m;
    int m_port = 0;
};

} // namespace testsupport
