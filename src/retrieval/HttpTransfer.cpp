#include "retrieval/HttpTransfer.h"

#include "platform/TextCodec.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <mutex>

namespace {

using textcodec::equalsIgnoringAsciiCase;
using textcodec::startsWithIgnoringAsciiCase;

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The body is kept in memory only up to this size before the transfer is paused until read.
constexpr std::size_t kMaxBuffered = 256 * 1024;
// How long one wait for network activity lasts before the abort flag and deadline are checked.
constexpr auto kPollStep = std::chrono::milliseconds(50);

} // namespace

ParsedUrl parseDownloadUrl(std::string_view url) {
    ParsedUrl parsed;
    const auto sep = url.find("://");
    if (sep == std::string_view::npos || sep == 0)
        return parsed;
    const std::string_view scheme = url.substr(0, sep);
    if (equalsIgnoringAsciiCase(scheme, "file")) {
        parsed.service = ParsedUrl::Service::File;
        parsed.object = std::string(url.substr(sep + 3));
        return parsed;
    }
    const bool http = equalsIgnoringAsciiCase(scheme, "http");
    const bool https = equalsIgnoringAsciiCase(scheme, "https");
    if (!http && !https) {
        parsed.service = ParsedUrl::Service::Other;
        return parsed;
    }
    std::string_view rest = url.substr(sep + 3);
    const auto authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    std::string_view object = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
    if (const auto at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::string_view host = authority;
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') { // [IPv6]:port
        const auto close = authority.find(']');
        if (close == std::string_view::npos)
            return parsed;
        host = authority.substr(0, close + 1);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                return parsed;
            port = after.substr(1);
        }
    } else if (const auto colon = authority.rfind(':'); colon != std::string_view::npos) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
    }
    if (host.empty())
        return parsed;
    int portNumber = https ? 443 : 80;
    if (!port.empty()) {
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), portNumber);
        if (ec != std::errc() || end != port.data() + port.size() || portNumber <= 0 || portNumber > 65535)
            return parsed;
    }
    parsed.port = portNumber;
    parsed.service = https ? ParsedUrl::Service::Https : ParsedUrl::Service::Http;
    parsed.server = std::string(host);
    if (object.empty() || object.front() != '/')
        parsed.object.push_back('/');
    parsed.object.append(object);
    return parsed;
}

std::string encodeRequestUrl(std::string_view url) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (const char c : url) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F) {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

struct HttpTransfer::Impl {
    TransferSettings settings;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    bool attached = false; // the easy handle is in the multi handle
    bool done = false;     // the transfer has ended (doneCode tells how)
    CURLcode doneCode = CURLE_OK;
    bool paused = false;

    // The answer being received: every answer of a redirect chain passes through here.
    long status = 0;
    bool answerHasLocation = false;
    std::optional<std::int64_t> answerLength;
    // The final answer.
    bool headersDone = false;
    std::optional<std::int64_t> length;

    std::string body;
    std::size_t bodyPos = 0;
    std::string error;

    std::size_t buffered() const { return body.size() - bodyPos; }

    static size_t onHeader(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Impl*>(user);
        const std::size_t bytes = size * count;
        self->headerLine(std::string_view(data, bytes));
        return bytes;
    }

    static size_t onBody(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Impl*>(user);
        const std::size_t bytes = size * count;
        if (self->buffered() >= kMaxBuffered) {
            self->paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        self->headersDone = true;
        if (self->bodyPos == self->body.size()) {
            self->body.clear();
            self->bodyPos = 0;
        }
        self->body.append(data, bytes);
        return bytes;
    }

    void headerLine(std::string_view line) {
        if (startsWithIgnoringAsciiCase(line, "HTTP/")) {
            status = 0;
            answerHasLocation = false;
            answerLength.reset();
            const auto space = line.find(' ');
            if (space != std::string_view::npos) {
                const std::string_view code = trim(line.substr(space + 1));
                long value = 0;
                std::from_chars(code.data(), code.data() + code.size(), value);
                status = value;
            }
            return;
        }
        const std::string_view trimmed = trim(line);
        if (trimmed.empty()) {
            // End of one answer's headers. Interim answers and redirects that will be followed
            // are not the final one.
            const bool interim = status >= 100 && status < 200;
            const bool redirect = status >= 300 && status < 400 && answerHasLocation;
            if (!interim && !redirect) {
                headersDone = true;
                length = answerLength;
            }
            return;
        }
        const auto colon = trimmed.find(':');
        if (colon == std::string_view::npos)
            return;
        const std::string_view name = trim(trimmed.substr(0, colon));
        const std::string_view value = trim(trimmed.substr(colon + 1));
        if (equalsIgnoringAsciiCase(name, "Location") && !value.empty()) {
            answerHasLocation = true;
        } else if (equalsIgnoringAsciiCase(name, "Content-Length")) {
            std::int64_t n = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (ec == std::errc() && end == value.data() + value.size() && n >= 0)
                answerLength = n;
        }
    }

    void detach() {
        if (attached) {
            curl_multi_remove_handle(multi, easy);
            attached = false;
        }
        done = false;
        doneCode = CURLE_OK;
        paused = false;
        status = 0;
        answerHasLocation = false;
        answerLength.reset();
        headersDone = false;
        length.reset();
        body.clear();
        bodyPos = 0;
    }

    void setFailure(CURLcode code) {
        error = errorBuffer[0] ? std::string(errorBuffer) : std::string(curl_easy_strerror(code));
        while (!error.empty() && (error.back() == '\n' || error.back() == '\r'))
            error.pop_back();
    }

    // Drives the transfer until `ready()` holds, the transfer ends, the deadline passes or the
    // abort flag is set. `ready()` is tested after every step, so what is already in wins over
    // a passed deadline.
    template <class Ready> Result pump(Clock::time_point deadline, const std::atomic<int>* abort, Ready ready) {
        for (;;) {
            if (ready())
                return Result::Ok;
            if (done) {
                if (doneCode != CURLE_OK) {
                    setFailure(doneCode);
                    const bool badUrl = doneCode == CURLE_URL_MALFORMAT || doneCode == CURLE_UNSUPPORTED_PROTOCOL;
                    return badUrl ? Result::BadUrl : Result::Failed;
                }
                return Result::Ok;
            }
            if (abort && abort->load() != 0)
                return Result::Aborted;
            int running = 0;
            const CURLMcode mc = curl_multi_perform(multi, &running);
            if (mc != CURLM_OK) {
                error = curl_multi_strerror(mc);
                return Result::Failed;
            }
            int left = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
                    done = true;
                    doneCode = msg->data.result;
                }
            }
            if (ready())
                return Result::Ok;
            if (done)
                continue;
            const auto now = Clock::now();
            if (now >= deadline)
                return Result::TimedOut;
            const auto wait = std::min<Clock::duration>(deadline - now, kPollStep);
            const int ms = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count());
            curl_multi_poll(multi, nullptr, 0, std::max(ms, 1), nullptr);
        }
    }
};

HttpTransfer::HttpTransfer(TransferSettings settings) : m(std::make_unique<Impl>()) {
    initCurlOnce();
    m->settings = std::move(settings);
    m->multi = curl_multi_init();
    m->easy = curl_easy_init();
    m->headers = curl_slist_append(m->headers, "Accept: text/*");
    m->headers = curl_slist_append(m->headers, ("User-Agent: " + m->settings.userAgent).c_str());
    CURL* e = m->easy;
    if (!e || !m->multi)
        return;
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, m->headers);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    const char* protocols = m->settings.httpsOnly ? "https" : "http,https";
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(e, CURLOPT_TCP_NODELAY, 1L);
    curl_easy_setopt(e, CURLOPT_FILETIME, 1L); // Last-Modified, for lastModified()
    if (m->settings.connectTimeout.count() > 0)
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m->settings.connectTimeout.count()));
    if (!m->settings.caFile.empty())
        curl_easy_setopt(e, CURLOPT_CAINFO, m->settings.caFile.c_str());
    if (!m->settings.standardProxy) {
        const std::string proxy = m->settings.proxyAddress + ":" + std::to_string(m->settings.proxyPort);
        curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());
        curl_easy_setopt(e, CURLOPT_NOPROXY, "");
    }
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m->errorBuffer);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Impl::onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, m.get());
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Impl::onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, m.get());
}

HttpTransfer::~HttpTransfer() {
    m->detach();
    if (m->easy)
        curl_easy_cleanup(m->easy);
    if (m->multi)
        curl_multi_cleanup(m->multi);
    curl_slist_free_all(m->headers);
}

HttpTransfer::Result HttpTransfer::open(const std::string& url, Clock::time_point deadline,
                                        const std::atomic<int>* abort) {
    m->detach();
    m->error.clear();
    m->errorBuffer[0] = '\0';
    if (!m->easy || !m->multi) {
        m->error = "The network library could not be initialised.";
        return Result::Failed;
    }
    const std::string encoded = encodeRequestUrl(url);
    const CURLcode set = curl_easy_setopt(m->easy, CURLOPT_URL, encoded.c_str());
    if (set != CURLE_OK) {
        m->setFailure(set);
        return Result::Failed;
    }
    if (curl_multi_add_handle(m->multi, m->easy) != CURLM_OK) {
        m->error = "The request could not be started.";
        return Result::Failed;
    }
    m->attached = true;
    const Result result = m->pump(deadline, abort, [this] { return m->headersDone; });
    if (result == Result::Ok && !m->headersDone) {
        // The transfer ended without an answer we could recognise as final.
        m->headersDone = true;
        m->length = m->answerLength;
    }
    return result;
}

long HttpTransfer::status() const {
    return m->headersDone ? m->status : 0;
}

std::optional<std::int64_t> HttpTransfer::contentLength() const {
    return m->headersDone ? m->length : std::nullopt;
}

std::optional<std::time_t> HttpTransfer::lastModified() const {
    if (!m->headersDone || !m->easy)
        return std::nullopt;
    curl_off_t time = -1;
    if (curl_easy_getinfo(m->easy, CURLINFO_FILETIME_T, &time) != CURLE_OK || time < 0)
        return std::nullopt;
    return static_cast<std::time_t>(time);
}

HttpTransfer::Result HttpTransfer::read(char* buffer, std::size_t size, std::size_t& got, Clock::time_point deadline,
                                        const std::atomic<int>* abort) {
    got = 0;
    if (!m->attached)
        return Result::Ok;
    if (m->buffered() == 0 && m->paused) {
        m->paused = false;
        curl_easy_pause(m->easy, CURLPAUSE_CONT);
    }
    const Result result = m->pump(deadline, abort, [this] { return m->buffered() > 0; });
    if (result != Result::Ok)
        return result;
    got = std::min(size, m->buffered());
    std::memcpy(buffer, m->body.data() + m->bodyPos, got);
    m->bodyPos += got;
    return Result::Ok;
}

void HttpTransfer::close() {
    m->detach();
}

const std::string& HttpTransfer::errorText() const {
    return m->error;
}
