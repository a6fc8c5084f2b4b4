// Sets up logging and crash reports as the program does, then faults the way
// its first argument says. Before a fault at a known place it prints that
// place's address and the program's load bias, so a test can check the report.

#include "log/CrashReport.h"
#include "log/LogSetup.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <link.h>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace {

int* volatile g_null = nullptr;
volatile int g_zero = 0;
volatile int g_sink = 0;

int programBias(dl_phdr_info* info, std::size_t, void* data) {
    *static_cast<std::uintptr_t*>(data) = info->dlpi_addr; // the first entry is the program
    return 1;
}

void announce(const void* function) {
    std::uintptr_t bias = 0;
    dl_iterate_phdr(programBias, &bias);
    std::printf("function %lx bias %lx\n", reinterpret_cast<unsigned long>(function), static_cast<unsigned long>(bias));
    std::fflush(stdout);
}

__attribute__((noinline)) void writeThroughNull() {
    *g_null = 42;
}

__attribute__((noinline)) void divideByZero() {
    g_sink = 7 / g_zero;
}

// A trap resumes after the instruction, so only the handler's own re-raise ends the process.
__attribute__((noinline)) void breakpoint() {
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("int3");
#else
    raise(SIGTRAP);
#endif
}

__attribute__((noinline)) void callNull() {
    void (*volatile function)() = nullptr;
    function();
}

__attribute__((noinline)) int recurse(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (depth == INT_MAX) // never: the stack ends long before
        return 0;
    return recurse(depth + 1) + frame[0];
}

void previousHandler(int, siginfo_t*, void*) {
    static const char text[] = "previous handler\n";
    [[maybe_unused]] auto n = write(STDOUT_FILENO, text, sizeof text - 1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string_view mode = argv[1];

    if (mode == "chain") {
        struct sigaction action {};
        action.sa_sigaction = previousHandler;
        action.sa_flags = SA_SIGINFO;
        sigaction(SIGSEGV, &action, nullptr);
    }

    const LoggingSetup setup = setUpLogging(false);
    if (!setup.crashHandlersInstalled || setup.crashLogPath.empty())
        return 3;

    if (mode == "null-write" || mode == "chain") {
        announce(reinterpret_cast<const void*>(&writeThroughNull));
        writeThroughNull();
    } else if (mode == "divide-by-zero") {
        announce(reinterpret_cast<const void*>(&divideByZero));
        divideByZero();
    } else if (mode == "breakpoint") {
        announce(reinterpret_cast<const void*>(&breakpoint));
        breakpoint();
    } else if (mode == "null-call") {
        callNull();
    } else if (mode == "abort") {
        std::abort();
    } else if (mode == "thread-exception") {
        std::thread worker([] {
            prepareThreadForCrashReports();
            throw std::runtime_error("quotation feed broke down");
        });
        worker.join();
    } else if (mode == "thread-stack-overflow") {
        std::thread worker([] {
            prepareThreadForCrashReports();
            g_sink = recurse(0);
        });
        worker.join();
    }
    return 0; // not reached for a known mode
}
