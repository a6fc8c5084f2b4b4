#include "LoopbackHttpServer.h"

#include <httplib.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <thread>

// The HTTP library is a prebuilt shared library without thread-sanitizer instrumentation: its
// lazily built static tables are published by atomics the sanitizer cannot see, which it reports
// as races in the library's own copies. Reports from inside that library are not ours to judge.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libcpp-httplib.so\n";
}

namespace testsupport {

HttpReply HttpReply::page(std::string body, int status) {
    HttpReply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

HttpReply HttpReply::error(int status) {
    HttpReply reply;
    reply.status = status;
    reply.body = "<html><body>Error " + std::to_string(status) + "</body></html>";
    return reply;
}

HttpReply HttpReply::redirect(std::string location, int status) {
    HttpReply reply;
    reply.status = status;
    reply.headers.emplace_back("Location", std::move(location));
    return reply;
}

HttpReply HttpReply::silence() {
    HttpReply reply;
    reply.silent = true;
    return reply;
}

TestCertificate makeSelfSignedCertificate(const std::filesystem::path& folder) {
    TestCertificate cert{folder / "loopback-cert.pem", folder / "loopback-key.pem"};
    const std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                                " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
                                cert.keyFile.string() + "' -out '" + cert.certFile.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("openssl could not make a test certificate");
    return cert;
}

struct LoopbackHttpServer::Impl {
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    bool https = false;

    mutable std::mutex mutex;
    std::condition_variable stopped;
    bool stopping = false;
    std::vector<RecordedRequest> requests;
    std::map<std::string, std::vector<HttpReply>> replies;
    std::map<std::string, std::size_t> served; // per path: requests answered from its sequence
    std::function<HttpReply(const RecordedRequest&)> handler;
    std::atomic<int> listenSocket{-1};

    // Waits `duration`; false when the server stops first.
    bool waitFor(std::chrono::milliseconds duration) {
        std::unique_lock lock(mutex);
        return !stopped.wait_for(lock, duration, [this] { return stopping; });
    }

    void waitUntilStopped() {
        std::unique_lock lock(mutex);
        stopped.wait(lock, [this] { return stopping; });
    }

    HttpReply choose(const RecordedRequest& request) {
        std::function<HttpReply(const RecordedRequest&)> fallback;
        {
            std::lock_guard lock(mutex);
            const auto it = replies.find(request.path);
            if (it != replies.end() && !it->second.empty()) {
                std::size_t& n = served[request.path];
                const std::size_t index = std::min(n, it->second.size() - 1);
                ++n;
                return it->second[index];
            }
            fallback = handler;
        }
        if (fallback)
            return fallback(request);
        return HttpReply::error(404);
    }

    void serve(const httplib::Request& req, httplib::Response& res) {
        RecordedRequest request;
        request.method = req.method;
        request.path = req.path;
        request.target = req.target.empty() ? req.path : req.target;
        for (const auto& [name, value] : req.headers) {
            std::string lower = name;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            request.headers[lower] = value;
        }
        request.time = std::chrono::steady_clock::now();
        {
            std::lock_guard lock(mutex);
            requests.push_back(request);
        }
        const HttpReply reply = choose(request);
        if (reply.silent) {
            waitUntilStopped();
            res.status = 503;
            return;
        }
        if (reply.delay.count() > 0 && !waitFor(reply.delay)) {
            res.status = 503;
            return;
        }
        res.status = reply.status;
        for (const auto& [name, value] : reply.headers)
            res.set_header(name, value);
        if (reply.pieceSize == 0 && reply.withLength) {
            res.set_content(reply.body, reply.contentType.c_str());
            return;
        }
        const std::size_t piece = reply.pieceSize ? reply.pieceSize : reply.body.size();
        const auto pieceDelay = reply.pieceDelay;
        auto body = std::make_shared<std::string>(reply.body);
        if (reply.withLength) {
            res.set_content_provider(
                body->size(), reply.contentType.c_str(),
                [this, body, piece, pieceDelay](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    if (pieceDelay.count() > 0 && !waitFor(pieceDelay))
                        return false;
                    const std::size_t n = std::min(piece, length);
                    return sink.write(body->data() + offset, n);
                });
        } else {
            res.set_chunked_content_provider(
                reply.contentType.c_str(),
                [this, body, piece, pieceDelay](std::size_t offset, httplib::DataSink& sink) {
                    if (offset >= body->size()) {
                        sink.done();
                        return true;
                    }
                    if (pieceDelay.count() > 0 && !waitFor(pieceDelay))
                        return false;
                    const std::size_t n = std::min(piece, body->size() - offset);
                    return sink.write(body->data() + offset, n);
                });
        }
    }
};

LoopbackHttpServer::LoopbackHttpServer(std::optional<TestCertificate> tls, int threads) : m(std::make_unique<Impl>()) {
    if (tls) {
        m->server = std::make_unique<httplib::SSLServer>(tls->certFile.c_str(), tls->keyFile.c_str());
        m->https = true;
    } else {
        m->server = std::make_unique<httplib::Server>();
    }
    if (!m->server->is_valid())
        throw std::runtime_error("the loopback server could not be set up");
    const int poolSize = std::max(threads, 1);
    m->server->new_task_queue = [poolSize] { return new httplib::ThreadPool(static_cast<std::size_t>(poolSize)); };
    m->server->set_tcp_nodelay(true);
    m->server->set_keep_alive_timeout(1);
    Impl* impl = m.get();
    m->server->set_socket_options([impl](int sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        impl->listenSocket = sock;
    });
    m->server->Get(".*", [impl](const httplib::Request& req, httplib::Response& res) { impl->serve(req, res); });
    m_port = m->server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        throw std::runtime_error("the loopback server could not bind");
    // The library listens with a small backlog; a listening socket takes a new one on Linux, and
    // parallel tests and benchmarks connect by the hundred at once.
    if (m->listenSocket >= 0)
        ::listen(m->listenSocket, 4096);
    m->thread = std::thread([impl] { impl->server->listen_after_bind(); });
    for (int i = 0; i < 500 && !m->server->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop();
}

void LoopbackHttpServer::stop() {
    {
        std::lock_guard lock(m->mutex);
        m->stopping = true;
    }
    m->stopped.notify_all();
    if (m->thread.joinable()) {
        m->server->stop();
        m->thread.join();
    }
}

std::string LoopbackHttpServer::url(std::string_view target) const {
    return std::string(m->https ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port) + std::string(target);
}

void LoopbackHttpServer::reply(const std::string& path, HttpReply reply) {
    replySequence(path, {std::move(reply)});
}

void LoopbackHttpServer::replySequence(const std::string& path, std::vector<HttpReply> replies) {
    std::lock_guard lock(m->mutex);
    m->replies[path] = std::move(replies);
    m->served[path] = 0;
}

void LoopbackHttpServer::replyWith(std::function<HttpReply(const RecordedRequest&)> handler) {
    std::lock_guard lock(m->mutex);
    m->handler = std::move(handler);
}

std::vector<RecordedRequest> LoopbackHttpServer::requests() const {
    std::lock_guard lock(m->mutex);
    return m->requests;
}

std::size_t LoopbackHttpServer::requestCount() const {
    std::lock_guard lock(m->mutex);
    return m->requests.size();
}

std::vector<std::string> LoopbackHttpServer::targets() const {
    std::lock_guard lock(m->mutex);
    std::vector<std::string> out;
    for (const auto& r : m->requests)
        out.push_back(r.target);
    return out;
}

} // namespace testsupport
