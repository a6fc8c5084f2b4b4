// Update of 500 items, each on its own URL, against a loopback server that answers every request
// after 50 ms, with 5 and with 50 download slots. Two yardsticks: the physical limit of the slots
// (500 / slots x 50 ms), and a peer that fetches the same pages from the same kind of server with
// the same slot limit through libcurl's multi interface on one thread, reading each quotation with
// the program's own number and pattern readers from the page in memory, and posting it to the
// same receiver. Printed: the ratio of the measured time to the limit, the ratio to the peer, and
// the CPU time per item (the server runs in a process of its own and is not counted).
//
// The update takes the program's own road: a portfolio document whose download slots come from
// the option NumberDownloads, UpdateAllItems, the program's download manager, the reports posted
// to a receiver on this thread, and the list view's intake of every final report. The time runs
// from the start of the update until the last item's final report has been taken in.
//
// Beside it, the window's freeze at "Update all": the time the GUI thread spends in the command
// (UpdateAllItems), for 500 items and for 10,000 items of which 500 download, against a peer that
// starts the same 500 transfers on that thread with libcurl's multi interface (an easy handle per
// URL, set up and added to one multi handle) and announces each transfer to the window with a
// posted record, as the update announces each item. As in an event loop driving libcurl, the
// transfers then run from later turns: the peer's first perform (which, in this libcurl build,
// starts a resolver thread per transfer) is outside its measured time. Printed beside the wall
// times: the GUI thread's own CPU time, which the load of other processes does not inflate.
//
// And what a user feels: the longest gap of the window's event loop (a 1 ms timer) over the whole
// of "Update all" on a portfolio of 500 or 10,000 items of which 500 download from the server at
// 50 ms with 50 slots, with every item holding units (so each counts in the total investment)
// and without holdings: the command, the reports and the intake of every result all run on the
// event loop. The peer is a bare Qt program: 50 threads fetch the same 500 pages with libcurl,
// read each quotation as the items' rules do, and post it to the GUI thread, which keeps it. Each
// configuration runs 7 times; printed are the median and the range of the longest gaps, and the
// median of the GUI thread's own CPU time over the update. The same update runs twice: with the
// document alone taking in the results, and with the portfolio's list view shown (rendered
// offscreen), which takes in every final report as the main window hands it over, refreshes its
// rows and the total investment of the status bar in the turns that follow.
#include "BenchSupport.h"
#include "platform/MessageTarget.h"
#include "portfolio/PortfolioHost.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/DownloadIntake.h"
#include "retrieval/DownloadManager.h"
#include "retrieval/UpdateOrchestration.h"
#include "retrieval/download.h"
#include "retrieval/filtering.h"
#include "views/wpapierlview.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
// This file names variables "slots" (download slots), which Qt's keyword macros would eat.
#undef slots
#undef signals
#undef emit

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr int kItems = 500;
constexpr auto kAnswerDelay = std::chrono::milliseconds(50);
// How long an update may take before the run is given up as broken.
constexpr auto kUpdateLimit = std::chrono::seconds(120);
// Set when an update did not bring every item its quotation: the program then fails.
bool g_failed = false;

// The close the server's page gives for item number `number`.
double closeOf(int number) {
    return number + 0.25;
}

// A plain HTTP server in a child process: one thread per connection, which reads the request,
// waits 50 ms and answers with a small page whose quotation is the number at the end of the
// requested path plus 0.25, written with "." as thousands and "," as decimal separator.
class DelayedServer {
public:
    explicit DelayedServer(std::chrono::milliseconds delay = kAnswerDelay) : m_delay(delay) {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        int yes = 1;
        setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_socket, 4096);
        socklen_t length = sizeof address;
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_child = fork();
        if (m_child == 0) {
            serve();
            _exit(0);
        }
        ::close(m_socket);
    }

    ~DelayedServer() {
        if (m_child > 0) {
            kill(m_child, SIGKILL);
            waitpid(m_child, nullptr, 0);
        }
    }

    int port() const { return m_port; }

private:
    [[noreturn]] void serve() {
        for (;;) {
            const int client = ::accept(m_socket, nullptr, nullptr);
            if (client < 0)
                continue;
            std::thread([client, delay = m_delay] { answer(client, delay); }).detach();
        }
    }

    // The digits at the end of the request line's path ("GET /item17 HTTP/1.1" gives "17").
    static std::string numberOf(const std::string& request) {
        const std::size_t pathEnd = request.find(" HTTP/");
        if (pathEnd == std::string::npos)
            return "0";
        std::size_t begin = pathEnd;
        while (begin > 0 && request[begin - 1] >= '0' && request[begin - 1] <= '9')
            --begin;
        return begin == pathEnd ? "0" : request.substr(begin, pathEnd - begin);
    }

    static void answer(int client, std::chrono::milliseconds delay) {
        int yes = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        std::string request;
        char buffer[2048];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                ::close(client);
                return;
            }
            request.append(buffer, static_cast<std::size_t>(got));
        }
        std::this_thread::sleep_for(delay);
        const std::string body = "<html><body><p>Kurs: <b>" + numberOf(request) + ",25</b> EUR</p></body></html>";
        const std::string answer =
            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n" + body;
        ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
        ::shutdown(client, SHUT_WR);
        while (::recv(client, buffer, sizeof buffer, 0) > 0) {
        }
        ::close(client);
    }

    std::chrono::milliseconds m_delay;
    int m_socket = -1;
    int m_port = 0;
    pid_t m_child = -1;
};

// The list view's part of an update: the quotation of every status 8 report of an update job is
// taken in, the item of every other final report has its download flag cleared.
class UpdateReceiver final : public MessageReceiver {
public:
    void reset(CWPapierDoc* doc) {
        m_doc = doc;
        finals = 0;
        failures = 0;
    }

    std::intptr_t onMessage(Message& message) override {
        DownloadStatus* status = message.recordAs<DownloadStatus>();
        if (message.message != WMU_DOWNLOAD_STATUS || !status || !m_doc || status->m_nJobId != 0 ||
            !isFinalDownloadStatus(status->m_nStatus))
            return 0;
        ++finals;
        if (view) {
            // As the main window does: the list view takes the quotation over from a copy.
            if (status->m_nStatus != DOWNLOAD_FINISHED)
                ++failures;
            view->OnDownloadStatus(status->copyTakingQuotation());
        } else if (status->m_nStatus == DOWNLOAD_FINISHED) {
            if (WPKursThreadUpdate(*m_doc, status->m_posItem, std::move(status->m_pKurs)) != 1)
                ++failures;
        } else {
            ++failures;
            m_doc->ResetDownloadFlagAt(status->m_posItem);
        }
        if (finals == expected && onAllTakenIn)
            onAllTakenIn();
        return 0;
    }

    int finals = 0;
    int failures = 0;
    int expected = -1;                  // the final reports after which onAllTakenIn runs
    CWPapierLView* view = nullptr;      // when set, the list view takes in every final report
    std::function<void()> onAllTakenIn; // (on the event loop's thread)

private:
    CWPapierDoc* m_doc = nullptr;
};

// `prefix` followed by `number`.
std::string numbered(std::string_view prefix, int number) {
    std::string text(prefix);
    text += std::to_string(number);
    return text;
}

// A new portfolio with 500 ordinary items, each with its own server settings and its own page:
// even items on "/item<i>" read by anchor text, odd ones on "/quote/[&symbol]" (symbol "S<i>")
// read by regular expression. With `total` above 500, the 500 are spread evenly among items that
// have the same settings but are not downloaded (download disabled by the user).
// With `holdings`, every item holds 10 units bought a year ago and has a quotation of yesterday, so
// that each counts in the total investment.
std::unique_ptr<CWPapierDoc> makePortfolio(PortfolioHost& host, int port, std::vector<ItemPos>& positions,
                                           int total = kItems, bool holdings = false) {
    auto doc = std::make_unique<CWPapierDoc>(&host);
    doc->OnNewDocument(); // with the cash account and the investment history, which are not downloaded
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    ServerSettings anchorRules; // m_strName empty: the item's own settings
    anchorRules.m_nTimeout = 60;
    // Built as strings: GCC 12 falsely warns (-Wrestrict) on short literals assigned here.
    anchorRules.m_strThousands = std::string(1, '.');
    anchorRules.m_strDecimal = std::string(1, ',');
    ServerSettings regExpRules = anchorRules;
    anchorRules.m_nFiltering = 0;
    anchorRules.m_strTextBeforeValue = "Kurs:";
    regExpRules.m_nFiltering = 1;
    regExpRules.m_strRegExp = "Kurs: <b>[&quotation_close]</b>";
    regExpRules.m_strURL = base + "/quote/[&symbol]";
    positions.clear();
    const int step = std::max(total / kItems, 1);
    for (int k = 0; k < total; ++k) {
        const bool downloaded = k % step == 0 && k / step < kItems;
        const int i = downloaded ? k / step : k;
        auto item = std::make_unique<CWPapier>();
        item->m_strName = numbered(downloaded ? "Item " : "Held ", i);
        item->m_bDownloadEnabled = downloaded ? 1 : 0;
        if (holdings) {
            const OleDate now = OleDate::GetCurrentTime();
            item->AddTransaction(CTransaction(CTransaction::kBuy, now - OleDateSpan(365, 0, 0, 0), 10, 1.5, 0, 0,
                                              false, OleDate(), ""));
            item->AddQuotation(CKurs(now - OleDateSpan(1, 0, 0, 0), 1.75), false);
        }
        if (!downloaded) {
            item->m_Server = anchorRules;
            item->m_Server.m_strURL = base + numbered("/held", i);
            doc->AddItem(std::move(item));
            continue;
        }
        if (i % 2 == 0) {
            item->m_Server = anchorRules;
            item->m_Server.m_strURL = base + numbered("/item", i);
        } else {
            item->m_Server = regExpRules;
            item->m_strSymbol = numbered("S", i);
        }
        positions.push_back(doc->AddItem(std::move(item)));
    }
    doc->SetModifiedFlag(false);
    return doc;
}

// Why the update did not bring every item its quotation; empty when it did.
std::string checkQuotations(const CWPapierDoc& doc, const std::vector<ItemPos>& positions) {
    int missing = 0;
    int wrong = 0;
    int pending = 0;
    for (int i = 0; i < kItems; ++i) {
        const ItemPos pos = positions[static_cast<std::size_t>(i)];
        const auto quotations = doc.GetQuotationListCopy(pos);
        if (!quotations || quotations->size() != 1)
            ++missing;
        else if (std::abs(quotations->front().m_dClose - closeOf(i)) > 1e-9)
            ++wrong;
        if (doc.IsDownloadInProgress(pos))
            ++pending;
    }
    if (missing == 0 && wrong == 0 && pending == 0)
        return {};
    return std::to_string(missing) + " items without their quotation, " + std::to_string(wrong) +
           " with a wrong one, " + std::to_string(pending) + " still downloading";
}

// CPU time of the calling thread: the GUI thread's busy time, without the time other processes
// of a loaded machine take from it.
double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_Update500Items(benchmark::State& state) {
    const int slots = static_cast<int>(state.range(0));
    // The workers' files go to a folder of this run.
    const char* previousTmp = std::getenv("TMPDIR");
    const std::string restoreTmp = previousTmp ? previousTmp : "";
    const auto folder = std::filesystem::temp_directory_path() / ("corvana-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    setenv("TMPDIR", folder.c_str(), 1);

    DelayedServer server;
    benchsupport::BenchHost host; // the download slots from its options
    host.options.NumberDownloads = slots;
    auto queue = std::make_shared<ManualMessageQueue>();
    UpdateReceiver receiver;
    ReceiverRegistration registration(MessageTarget::instance(), receiver, queue);
    SetDownloadRouting({registration.id(), nullptr}); // the program's download manager
    DownloadManager& manager = DownloadManager::instance();

    double cpu = 0.0;
    double wall = 0.0;
    std::string error;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<ItemPos> positions;
        auto doc = makePortfolio(host, server.port(), positions);
        receiver.reset(doc.get());
        state.ResumeTiming();

        const double cpuBefore = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const int scheduled = UpdateAllItems(*doc);
        // The main thread's message loop: deliver what has arrived, else wait a moment.
        while (receiver.finals < scheduled && std::chrono::steady_clock::now() - start < kUpdateLimit)
            if (queue->drain() == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        manager.waitForWorkers(std::chrono::seconds(30));
        cpu += processCpuSeconds() - cpuBefore;

        state.PauseTiming();
        queue->drain();
        if (scheduled != kItems)
            error = "the update scheduled " + std::to_string(scheduled) + " of " + std::to_string(kItems) + " items";
        else if (receiver.finals != kItems)
            error = std::to_string(kItems - receiver.finals) + " items got no final report";
        else if (receiver.failures != 0)
            error = std::to_string(receiver.failures) + " items failed";
        else
            error = checkQuotations(*doc, positions);
        receiver.reset(nullptr);
        doc.reset();
        state.ResumeTiming();
        if (!error.empty()) {
            std::fprintf(stderr, "%d slots: %s\n", slots, error.c_str());
            g_failed = true;
            state.SkipWithError(error.c_str());
            break;
        }
    }

    SetDownloadRouting({});
    if (restoreTmp.empty())
        unsetenv("TMPDIR");
    else
        setenv("TMPDIR", restoreTmp.c_str(), 1);
    std::filesystem::remove_all(folder);
    if (!error.empty())
        return;

    const double limit = static_cast<double>(kItems) / slots * std::chrono::duration<double>(kAnswerDelay).count();
    state.counters["limit_s"] = limit;
    const double runs = static_cast<double>(state.iterations());
    const double ratio = wall / runs / limit;
    const double cpuPerItem = cpu * 1000.0 / runs / kItems;
    state.counters["ratio_to_limit"] = ratio;
    state.counters["cpu_ms_per_item"] = cpuPerItem;
    std::printf("%d slots: %.3f s per update, limit %.3f s, ratio %.3f (goal %.1f), CPU %.3f ms per item\n", slots,
                wall / runs, limit, ratio, slots <= 5 ? 1.1 : 1.3, cpuPerItem);
}

// The peer of the update: the same 500 pages from a server of the same kind, at most `slots` of
// them at a time, fetched with libcurl's multi interface on one thread of its own. Each page is kept
// in memory and read as the item's rules read it: the number after the anchor text by the
// program's number reader, or the item's pattern with its place holders expanded, compiled and
// matched by the program's regular-expression reader. Each item's quotation is posted in a final
// record (after a first one at the start, as every item gets) to the same receiver, which takes
// it into the document. The time runs, as for the update, from the start until the last final
// record has been taken in.
struct PeerPage {
    CURL* easy = nullptr;
    int number = 0;
    std::string body;
};

size_t keepBody(char* data, size_t size, size_t count, void* user) {
    static_cast<PeerPage*>(user)->body.append(data, size * count);
    return size * count;
}

// The quotation of item `number` read from its page, as its rules read it; nullptr when not found.
std::unique_ptr<CKurs> peerExtract(const PeerPage& page, const OleDate& reference) {
    auto quotation = std::make_unique<CKurs>();
    quotation->m_dtDate = reference;
    const std::string thousands(1, '.');
    const std::string decimal(1, ',');
    int code = EXTRACT_NOT_FOUND;
    if (page.number % 2 == 0) {
        const std::size_t at = page.body.find("Kurs:");
        if (at == std::string::npos)
            return nullptr;
        std::size_t k = at + 5;
        while (k < page.body.size() && !(page.body[k] >= '0' && page.body[k] <= '9'))
            ++k; // the anchor text's reading passes what stands before the number
        quotation->m_dClose = ParseNumber(std::string_view(page.body).substr(k), thousands, decimal, code);
        return code == EXTRACT_OK ? std::move(quotation) : nullptr;
    }
    std::string pattern = "Kurs: <b>[&quotation_close]</b>";
    RegExpGroupIndexes indexes;
    RegExpExpandPlaceHolders(pattern, indexes, decimal, thousands);
    int matchStart = 0;
    int matchLength = 0;
    std::string message;
    const std::string_view subject(page.body.c_str(), page.body.size() + 1); // with its zero byte
    if (!RegExpGetQuotation(subject, *quotation, pattern, indexes, false, true, matchStart, matchLength, thousands,
                            decimal, code, message))
        return nullptr;
    return quotation;
}

void BM_PeerUpdate500Items(benchmark::State& state) {
    const int slots = static_cast<int>(state.range(0));
    DelayedServer server;
    benchsupport::BenchHost host;
    auto queue = std::make_shared<ManualMessageQueue>();
    UpdateReceiver receiver;
    ReceiverRegistration registration(MessageTarget::instance(), receiver, queue);
    const std::string base = "http://127.0.0.1:" + std::to_string(server.port());
    double wall = 0.0;
    double cpu = 0.0;
    std::string error;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<ItemPos> positions;
        auto doc = makePortfolio(host, server.port(), positions);
        receiver.reset(doc.get());
        state.ResumeTiming();

        const double cpuBefore = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        std::thread fetcher([&] {
            const OleDate reference = OleDate::GetCurrentTime();
            CURLM* multi = curl_multi_init();
            std::vector<PeerPage> pages(kItems);
            int next = 0;
            int running = 0;
            const auto startNext = [&] {
                PeerPage& page = pages[static_cast<std::size_t>(next)];
                page.number = next;
                const std::string url =
                    page.number % 2 == 0 ? base + numbered("/item", next) : base + numbered("/quote/S", next);
                auto record = std::make_unique<DownloadStatus>();
                record->m_nStatus = DOWNLOAD_INITIALIZED;
                record->m_szName = numbered("Item ", next);
                record->m_szURL = url;
                record->m_posItem = positions[static_cast<std::size_t>(next)];
                MessageTarget::instance().post(registration.id(), WMU_DOWNLOAD_STATUS, std::move(record));
                page.easy = curl_easy_init();
                curl_easy_setopt(page.easy, CURLOPT_URL, url.c_str());
                curl_easy_setopt(page.easy, CURLOPT_NOSIGNAL, 1L);
                curl_easy_setopt(page.easy, CURLOPT_WRITEFUNCTION, &keepBody);
                curl_easy_setopt(page.easy, CURLOPT_WRITEDATA, &page);
                curl_easy_setopt(page.easy, CURLOPT_PRIVATE, &page);
                curl_multi_add_handle(multi, page.easy);
                ++next;
                ++running;
            };
            while (next < kItems && running < slots)
                startNext();
            const auto end = std::chrono::steady_clock::now() + kUpdateLimit;
            while (running > 0 && std::chrono::steady_clock::now() < end) {
                int active = 0;
                curl_multi_perform(multi, &active);
                int left = 0;
                while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
                    if (msg->msg != CURLMSG_DONE)
                        continue;
                    PeerPage* page = nullptr;
                    curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &page);
                    const CURLcode result = msg->data.result;
                    curl_multi_remove_handle(multi, page->easy);
                    curl_easy_cleanup(page->easy);
                    page->easy = nullptr;
                    --running;
                    if (next < kItems)
                        startNext();
                    auto record = std::make_unique<DownloadStatus>();
                    record->m_nStatus = DOWNLOAD_ERROR;
                    record->m_szName = numbered("Item ", page->number);
                    record->m_posItem = positions[static_cast<std::size_t>(page->number)];
                    if (result == CURLE_OK)
                        if ((record->m_pKurs = peerExtract(*page, reference)))
                            record->m_nStatus = DOWNLOAD_FINISHED;
                    MessageTarget::instance().post(registration.id(), WMU_DOWNLOAD_STATUS, std::move(record));
                }
                if (running > 0)
                    curl_multi_poll(multi, nullptr, 0, 100, nullptr);
            }
            for (PeerPage& page : pages)
                if (page.easy) {
                    curl_multi_remove_handle(multi, page.easy);
                    curl_easy_cleanup(page.easy);
                }
            curl_multi_cleanup(multi);
        });
        // The main thread's message loop, as for the update.
        while (receiver.finals < kItems && std::chrono::steady_clock::now() - start < kUpdateLimit)
            if (queue->drain() == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        fetcher.join();
        cpu += processCpuSeconds() - cpuBefore;

        state.PauseTiming();
        queue->drain();
        if (receiver.finals != kItems || receiver.failures != 0)
            error = "the peer brought " + std::to_string(receiver.finals) + " final reports, " +
                    std::to_string(receiver.failures) + " failures";
        else
            error = checkQuotations(*doc, positions);
        receiver.reset(nullptr);
        doc.reset();
        state.ResumeTiming();
        if (!error.empty()) {
            std::fprintf(stderr, "peer, %d slots: %s\n", slots, error.c_str());
            g_failed = true;
            state.SkipWithError(error.c_str());
            break;
        }
    }
    if (!error.empty())
        return;
    const double runs = static_cast<double>(state.iterations());
    state.counters["cpu_ms_per_item"] = cpu * 1000.0 / runs / kItems;
    state.counters["ratio_to_limit"] =
        wall / runs / (static_cast<double>(kItems) / slots * std::chrono::duration<double>(kAnswerDelay).count());
}

// The GUI thread's time in "Update all" for a portfolio of `range(0)` items of which 500 download;
// the downloads then run to their end outside the measured time.
void BM_UpdateAllFreeze(benchmark::State& state) {
    const int total = static_cast<int>(state.range(0));
    DelayedServer server(std::chrono::milliseconds(0));
    benchsupport::BenchHost host;
    host.options.NumberDownloads = 50;
    auto queue = std::make_shared<ManualMessageQueue>();
    UpdateReceiver receiver;
    ReceiverRegistration registration(MessageTarget::instance(), receiver, queue);
    SetDownloadRouting({registration.id(), nullptr});
    DownloadManager& manager = DownloadManager::instance();
    std::string error;
    double guiCpu = 0.0;
    for (auto _ : state) {
        std::vector<ItemPos> positions;
        auto doc = makePortfolio(host, server.port(), positions, total);
        receiver.reset(doc.get());

        const double cpuBefore = threadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const int scheduled = UpdateAllItems(*doc);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        guiCpu += threadCpuSeconds() - cpuBefore;

        const auto end = std::chrono::steady_clock::now() + kUpdateLimit;
        while (receiver.finals < scheduled && std::chrono::steady_clock::now() < end)
            if (queue->drain() == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        manager.waitForWorkers(std::chrono::seconds(30));
        queue->drain();
        if (scheduled != kItems || receiver.finals != kItems || receiver.failures != 0)
            error = "the update scheduled " + std::to_string(scheduled) + " items, " + std::to_string(receiver.finals) +
                    " final reports, " + std::to_string(receiver.failures) + " failures";
        receiver.reset(nullptr);
        doc.reset();
        if (!error.empty()) {
            g_failed = true;
            state.SkipWithError(error.c_str());
            break;
        }
    }
    SetDownloadRouting({});
    state.counters["gui_cpu_ms"] =
        guiCpu * 1e3 / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

// The peer: 500 transfers started on this thread with libcurl's multi interface, each announced
// to the receiver with a posted record.
size_t discardBody(char*, size_t size, size_t count, void*) {
    return size * count;
}

void BM_PeerStart500Transfers(benchmark::State& state) {
    DelayedServer server(std::chrono::milliseconds(0));
    auto queue = std::make_shared<ManualMessageQueue>();
    UpdateReceiver receiver;
    ReceiverRegistration registration(MessageTarget::instance(), receiver, queue);
    const std::string base = "http://127.0.0.1:" + std::to_string(server.port());
    CURLM* multi = curl_multi_init();
    curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, static_cast<long>(kItems));
    std::vector<std::string> urls;
    for (int i = 0; i < kItems; ++i)
        urls.push_back(base + numbered("/item", i));
    double guiCpu = 0.0;
    for (auto _ : state) {
        std::vector<CURL*> handles;
        handles.reserve(kItems);
        const double cpuBefore = threadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kItems; ++i) {
            CURL* easy = curl_easy_init();
            curl_easy_setopt(easy, CURLOPT_URL, urls[static_cast<std::size_t>(i)].c_str());
            curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &discardBody);
            curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
            curl_multi_add_handle(multi, easy);
            handles.push_back(easy);
            auto record = std::make_unique<DownloadStatus>();
            record->m_nStatus = DOWNLOAD_INITIALIZED;
            record->m_szName = numbered("Item ", i);
            record->m_szURL = urls[static_cast<std::size_t>(i)];
            record->m_posItem = static_cast<ItemPos>(i + 1);
            MessageTarget::instance().post(registration.id(), WMU_DOWNLOAD_STATUS, std::move(record));
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        guiCpu += threadCpuSeconds() - cpuBefore;
        int running = 0;
        curl_multi_perform(multi, &running);

        const auto end = std::chrono::steady_clock::now() + kUpdateLimit;
        while (running > 0 && std::chrono::steady_clock::now() < end) {
            curl_multi_poll(multi, nullptr, 0, 100, nullptr);
            curl_multi_perform(multi, &running);
        }
        for (CURL* easy : handles) {
            curl_multi_remove_handle(multi, easy);
            curl_easy_cleanup(easy);
        }
        queue->drain();
    }
    curl_multi_cleanup(multi);
    state.counters["gui_cpu_ms"] =
        guiCpu * 1e3 / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

// --- the event loop's longest gap over the whole update ---

// The longest gaps of each configuration, in seconds, in the order measured.
std::map<std::string, std::vector<double>>& longestGaps() {
    static std::map<std::string, std::vector<double>> gaps;
    return gaps;
}

// The GUI thread's own CPU time over each whole update, in seconds, beside the gaps: what the
// load of other processes does not inflate.
std::map<std::string, std::vector<double>>& guiCpuTimes() {
    static std::map<std::string, std::vector<double>> times;
    return times;
}

// Runs the event loop until `done` is called (or the limit passes), with a 1 ms timer; returns
// the longest time between two of its ticks (and from the last tick to the end).
double longestGapWhile(const std::function<void(std::function<void()> done)>& run) {
    QEventLoop loop;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1);
    auto last = std::chrono::steady_clock::now();
    double longest = 0.0;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const auto now = std::chrono::steady_clock::now();
        longest = std::max(longest, std::chrono::duration<double>(now - last).count());
        last = now;
    });
    bool finished = false;
    const std::function<void()> done = [&] {
        finished = true;
        loop.quit();
    };
    QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(kUpdateLimit), &loop, [&] { loop.quit(); });
    ticks.start();
    QTimer::singleShot(0, &loop, [&] { run(done); });
    last = std::chrono::steady_clock::now();
    loop.exec();
    ticks.stop();
    longest = std::max(longest, std::chrono::duration<double>(std::chrono::steady_clock::now() - last).count());
    if (!finished)
        return -1.0;
    return longest;
}

// "Update all" on `range(0)` items, 500 of them downloading, holding units when range(1) is 1,
// with the list view shown when range(2) is 1.
void BM_UpdateEventLoopGap(benchmark::State& state) {
    const int total = static_cast<int>(state.range(0));
    const bool holdings = state.range(1) != 0;
    const bool listShown = state.range(2) != 0;
    DelayedServer server;
    benchsupport::BenchHost host;
    host.options.NumberDownloads = 50;
    QObject context;
    auto queue = std::make_shared<QtMessageQueue>(&context);
    UpdateReceiver receiver;
    ReceiverRegistration registration(MessageTarget::instance(), receiver, queue);
    SetDownloadRouting({registration.id(), nullptr});
    DownloadManager& manager = DownloadManager::instance();
    std::string error;
    const std::string name = std::to_string(total) + (holdings ? " items holding units" : " items, no holdings") +
                             (listShown ? ", list shown" : "");
    auto& gaps = longestGaps()[name];
    auto& cpuTimes = guiCpuTimes()[name];
    for (auto _ : state) {
        std::vector<ItemPos> positions;
        auto doc = makePortfolio(host, server.port(), positions, total, holdings);
        receiver.reset(doc.get());
        std::unique_ptr<CWPapierLView> view;
        if (listShown) {
            // The list as the main window shows it, over every item, before the update starts.
            view = std::make_unique<CWPapierLView>();
            view->attachDocument(doc.get());
            view->resize(1300, 800);
            view->show();
            view->OnInitialUpdate();
            view->flush();
            QCoreApplication::processEvents();
            receiver.view = view.get();
        }
        receiver.expected = kItems;
        int scheduled = 0;
        const double cpuBefore = threadCpuSeconds();
        const double gap = longestGapWhile([&](std::function<void()> done) {
            receiver.onAllTakenIn = done;
            scheduled = UpdateAllItems(*doc);
        });
        cpuTimes.push_back(threadCpuSeconds() - cpuBefore);
        receiver.onAllTakenIn = nullptr;
        receiver.view = nullptr;
        manager.waitForWorkers(std::chrono::seconds(30));
        QCoreApplication::processEvents();
        state.SetIterationTime(std::max(gap, 0.0));
        gaps.push_back(gap);
        int wrong = 0;
        for (int i = 0; i < kItems; ++i) {
            CKurs last;
            const CWPapier* item = doc->GetItem(positions[static_cast<std::size_t>(i)]);
            if (!item || !item->GetLastQuotation(last) || std::abs(last.m_dClose - closeOf(i)) > 1e-9)
                ++wrong;
        }
        if (gap < 0 || scheduled != kItems || receiver.finals != kItems || receiver.failures != 0 || wrong != 0)
            error = "the update scheduled " + std::to_string(scheduled) + " items, " + std::to_string(receiver.finals) +
                    " final reports, " + std::to_string(receiver.failures) + " failures, " + std::to_string(wrong) +
                    " items without their quotation";
        receiver.reset(nullptr);
        view.reset(); // before its document
        doc.reset();
        if (!error.empty()) {
            std::fprintf(stderr, "event-loop gap, %d items: %s\n", total, error.c_str());
            g_failed = true;
            state.SkipWithError(error.c_str());
            break;
        }
    }
    SetDownloadRouting({});
}

// The bare Qt peer: 50 threads fetch the same 500 pages with libcurl and post each quotation to
// the GUI thread, which keeps it.
void BM_PeerEventLoopGap(benchmark::State& state) {
    constexpr int kThreads = 50;
    DelayedServer server;
    const std::string base = "http://127.0.0.1:" + std::to_string(server.port());
    QObject context;
    std::string error;
    auto& gaps = longestGaps()["bare Qt peer"];
    auto& cpuTimes = guiCpuTimes()["bare Qt peer"];
    for (auto _ : state) {
        std::vector<double> closes(kItems, 0.0);
        int received = 0;
        std::atomic<int> next{0};
        std::vector<std::thread> fetchers;
        const double cpuBefore = threadCpuSeconds();
        const double gap = longestGapWhile([&](std::function<void()> done) {
            const OleDate reference = OleDate::GetCurrentTime();
            for (int t = 0; t < kThreads; ++t)
                fetchers.emplace_back([&, done, reference] {
                    CURL* easy = curl_easy_init();
                    for (int number = next++; number < kItems; number = next++) {
                        PeerPage page;
                        page.number = number;
                        const std::string url =
                            number % 2 == 0 ? base + numbered("/item", number) : base + numbered("/quote/S", number);
                        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
                        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
                        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &keepBody);
                        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &page);
                        std::shared_ptr<CKurs> quotation;
                        if (curl_easy_perform(easy) == CURLE_OK)
                            quotation = peerExtract(page, reference);
                        QMetaObject::invokeMethod(
                            &context,
                            [&, done, number, quotation] {
                                closes[static_cast<std::size_t>(number)] = quotation ? quotation->m_dClose : -1.0;
                                if (++received == kItems)
                                    done();
                            },
                            Qt::QueuedConnection);
                    }
                    curl_easy_cleanup(easy);
                });
        });
        cpuTimes.push_back(threadCpuSeconds() - cpuBefore);
        for (auto& fetcher : fetchers)
            fetcher.join();
        QCoreApplication::processEvents();
        state.SetIterationTime(std::max(gap, 0.0));
        gaps.push_back(gap);
        int wrong = 0;
        for (int i = 0; i < kItems; ++i)
            if (std::abs(closes[static_cast<std::size_t>(i)] - closeOf(i)) > 1e-9)
                ++wrong;
        if (gap < 0 || wrong != 0) {
            error = "the peer brought " + std::to_string(received) + " results, " + std::to_string(wrong) + " wrong";
            std::fprintf(stderr, "%s\n", error.c_str());
            g_failed = true;
            state.SkipWithError(error.c_str());
            break;
        }
    }
}

// --- an abort of a large update ---

// The threads of this process now.
int processThreads() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    int threads = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "Threads:", 8) == 0)
            threads = std::atoi(line + 8);
    std::fclose(status);
    return threads;
}

// "Update all" on 10,000 items, all downloading from the server at 50 ms with the default 5 slots,
// then an abort 200 ms later: the time from the abort until every item has its final report
// taken in and no worker is alive, and the most threads of the process meanwhile (sampled every
// millisecond from the start of the update).
void BM_AbortOf10000Items(benchmark::State& state) {
    constexpr int kTotal = 10000;
    DelayedServer server;
    benchsupport::BenchHost host; // 5 slots
    auto queue = std::make_shared<ManualMessageQueue>();
    UpdateReceiver receiver;
    ReceiverRegistration registration(MessageTarget::instance(), receiver, queue);
    SetDownloadRouting({registration.id(), nullptr});
    DownloadManager& manager = DownloadManager::instance();
    std::string error;
    int mostThreads = 0;
    for (auto _ : state) {
        auto doc = std::make_unique<CWPapierDoc>(&host);
        doc->OnNewDocument();
        const std::string base = "http://127.0.0.1:" + std::to_string(server.port());
        for (int i = 0; i < kTotal; ++i) {
            auto item = std::make_unique<CWPapier>();
            item->m_strName = numbered("Item ", i);
            item->m_bDownloadEnabled = 1;
            item->m_Server.m_nTimeout = 60;
            item->m_Server.m_strURL = base + numbered("/item", i);
            item->m_Server.m_strTextBeforeValue = "Kurs:";
            item->m_Server.m_strThousands = std::string(1, '.');
            item->m_Server.m_strDecimal = std::string(1, ',');
            doc->AddItem(std::move(item));
        }
        receiver.reset(doc.get());
        const auto deliverFor = [&](std::chrono::milliseconds span) {
            const auto end = std::chrono::steady_clock::now() + span;
            while (std::chrono::steady_clock::now() < end) {
                mostThreads = std::max(mostThreads, processThreads());
                if (queue->drain() == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
        const int scheduled = UpdateAllItems(*doc);
        deliverFor(std::chrono::milliseconds(200));
        const auto abortAt = std::chrono::steady_clock::now();
        doc->AbortDownloads();
        while ((receiver.finals < scheduled || manager.workersAlive() > 0) &&
               std::chrono::steady_clock::now() - abortAt < kUpdateLimit) {
            mostThreads = std::max(mostThreads, processThreads());
            if (queue->drain() == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - abortAt).count());
        queue->drain();
        if (scheduled != kTotal || receiver.finals != kTotal || manager.workersAlive() != 0)
            error = "the update scheduled " + std::to_string(scheduled) + " items, " + std::to_string(receiver.finals) +
                    " final reports, " + std::to_string(manager.workersAlive()) + " workers alive";
        receiver.reset(nullptr);
        doc.reset();
        if (!error.empty()) {
            std::fprintf(stderr, "abort: %s\n", error.c_str());
            g_failed = true;
            state.SkipWithError(error.c_str());
            break;
        }
    }
    SetDownloadRouting({});
    state.counters["most_threads"] = mostThreads;
}

} // namespace

BENCHMARK(BM_AbortOf10000Items)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_UpdateEventLoopGap)
    ->Args({500, 1, 0})
    ->Args({10000, 1, 0})
    ->Args({10000, 0, 0})
    ->Args({500, 1, 1})
    ->Args({10000, 1, 1})
    ->Args({10000, 0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PeerEventLoopGap)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Update500Items)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_PeerUpdate500Items)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_UpdateAllFreeze)
    ->Arg(500)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PeerStart500Transfers)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    // The event loop of the gap measurements; widgets for the list view, rendered offscreen.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nThe update of 500 items against libcurl's multi interface fetching and reading the same pages:\n");
    for (const char* slots : {"5", "50"}) {
        const std::string ours = std::string("BM_Update500Items/") + slots + "/iterations:2/real_time";
        const std::string peer = std::string("BM_PeerUpdate500Items/") + slots + "/iterations:2/real_time";
        reporter.printRatio(ours, peer, (std::string(slots) + " slots: update / libcurl multi peer").c_str());
    }
    std::printf("\nThe GUI thread's freeze at \"Update all\" (medians of 7; goal <= 50 ms whatever the item count):\n");
    const std::string peer = "BM_PeerStart500Transfers/iterations:3/repeats:7/manual_time";
    for (const char* total : {"500", "10000"}) {
        const std::string ours = std::string("BM_UpdateAllFreeze/") + total + "/iterations:3/repeats:7/manual_time";
        std::printf("  %-5s items, 500 downloading: %7.2f ms, peer %6.2f ms\n", total, reporter.realTime(ours) * 1e3,
                    reporter.realTime(peer) * 1e3);
        reporter.printRatio(ours, peer, (std::string(total) + " items / libcurl multi starting 500 transfers").c_str());
    }
    if (!longestGaps().empty()) {
        std::printf("\nThe event loop's longest gap over the whole update (500 downloading, 50 slots, 50 ms answers; "
                    "median [min - max] of the runs; goal <= 50 ms or <= 1.5 x the peer; beside it the GUI "
                    "thread's own CPU time over the update, median):\n");
        const auto median = [](std::vector<double> values) {
            std::sort(values.begin(), values.end());
            const std::size_t n = values.size();
            return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
        };
        double peer = 0.0;
        if (const auto it = longestGaps().find("bare Qt peer"); it != longestGaps().end() && !it->second.empty())
            peer = median(it->second);
        for (const auto& [name, values] : longestGaps()) {
            if (values.empty())
                continue;
            const auto [low, high] = std::minmax_element(values.begin(), values.end());
            const double m = median(values);
            std::printf("  %-42s %8.1f ms [%.1f - %.1f]", name.c_str(), m * 1e3, *low * 1e3, *high * 1e3);
            if (peer > 0.0 && name != "bare Qt peer")
                std::printf("  %.2f x the peer,", m / peer);
            if (const auto cpu = guiCpuTimes().find(name); cpu != guiCpuTimes().end() && !cpu->second.empty())
                std::printf("  GUI CPU %.0f ms", median(cpu->second) * 1e3);
            std::printf("\n");
        }
    }
    benchmark::Shutdown();
    return g_failed ? 1 : 0;
}
