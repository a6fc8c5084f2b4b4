// Update of 500 items, each on its own URL, against a loopback server that answers every request
// after 50 ms, with 5 and with 50 download slots. The peer is the physical limit of the slots:
// 500 / slots x 50 ms. Printed: the ratio of the measured time to that limit and the CPU time
// the program spends per item (the server runs in a process of its own and is not counted).
#include "platform/MessageTarget.h"
#include "retrieval/DownloadManager.h"
#include "retrieval/download.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kItems = 500;
constexpr auto kAnswerDelay = std::chrono::milliseconds(50);

// A plain HTTP server in a child process: one thread per connection, which reads the request,
// waits 50 ms and answers with a small page.
class DelayedServer {
public:
    DelayedServer() {
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
            std::thread([client] { answer(client); }).detach();
        }
    }

    static void answer(int client) {
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
        std::this_thread::sleep_for(kAnswerDelay);
        const std::string body = "<html><body><p>Kurs: <b>12,34</b> EUR</p></body></html>";
        const std::string answer =
            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n" + body;
        ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
        ::shutdown(client, SHUT_WR);
        while (::recv(client, buffer, sizeof buffer, 0) > 0) {
        }
        ::close(client);
    }

    int m_socket = -1;
    int m_port = 0;
    pid_t m_child = -1;
};

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
    DownloadManager manager;
    auto queue = std::make_shared<ManualMessageQueue>();
    RecordingReceiver receiver;
    ReceiverRegistration registration(MessageTarget::instance(), receiver, queue);
    const std::string base = "http://127.0.0.1:" + std::to_string(server.port()) + "/quote/";

    double cpu = 0.0;
    double wall = 0.0;
    int failures = 0;
    for (auto _ : state) {
        auto semaphore = makeDownloadSemaphore(slots);
        const double cpuBefore = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kItems; ++i) {
            auto job = std::make_unique<DownloadJob>();
            job->m_szURL = base + std::to_string(i);
            job->m_nTimeout = 60;
            job->m_pSemaphore = semaphore;
            job->m_hWnd = registration.id();
            auto item = std::make_unique<ExtractionItem>();
            item->m_posItem = static_cast<ItemPos>(i + 1);
            item->m_szName = "item " + std::to_string(i);
            item->m_szThousands = std::string(".");
            item->m_szDecimal = std::string(",");
            item->m_szTextBeforeValue = "Kurs:";
            job->AddItem(std::move(item));
            manager.startQuotationDownload(std::move(job));
        }
        manager.waitForWorkers();
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += processCpuSeconds() - cpuBefore;
        state.PauseTiming();
        queue->drain();
        int finished = 0;
        for (const auto& message : receiver.take())
            if (const auto* status = message.recordAs<DownloadStatus>();
                status && status->m_nStatus == DOWNLOAD_FINISHED)
                ++finished;
        failures += kItems - finished;
        state.ResumeTiming();
    }
    const double limit = static_cast<double>(kItems) / slots * std::chrono::duration<double>(kAnswerDelay).count();
    state.counters["limit_s"] = limit;
    const double runs = static_cast<double>(state.iterations());
    const double ratio = wall / runs / limit;
    const double cpuPerItem = cpu * 1000.0 / runs / kItems;
    state.counters["ratio_to_limit"] = ratio;
    state.counters["cpu_ms_per_item"] = cpuPerItem;
    state.counters["failed_items"] = failures;
    std::printf("%d slots: %.3f s per update, limit %.3f s, ratio %.3f (goal %.1f), CPU %.3f ms per item\n", slots,
                wall / runs, limit, ratio, slots <= 5 ? 1.1 : 1.3, cpuPerItem);
    if (restoreTmp.empty())
        unsetenv("TMPDIR");
    else
        setenv("TMPDIR", restoreTmp.c_str(), 1);
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(BM_Update500Items)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

BENCHMARK_MAIN();
