#include "log/CrashReport.h"
#include "platform/Paths.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using testsupport::readFile;
using testsupport::TempDirTest;

namespace {

// An allocated section of an ELF file, read independently of the code under test.
struct Section {
    unsigned index = 0;
    std::uint64_t address = 0;
    std::uint64_t size = 0;
};

std::optional<Section> findSectionByName(const std::filesystem::path& file, const std::string& name) {
    const std::string bytes = readFile(file);
    if (bytes.size() < sizeof(Elf64_Ehdr))
        return std::nullopt;
    Elf64_Ehdr header;
    std::memcpy(&header, bytes.data(), sizeof header);
    auto sectionAt = [&](unsigned i) {
        Elf64_Shdr sh;
        std::memcpy(&sh, bytes.data() + header.e_shoff + i * sizeof sh, sizeof sh);
        return sh;
    };
    const Elf64_Shdr names = sectionAt(header.e_shstrndx);
    for (unsigned i = 1; i < header.e_shnum; ++i) {
        const Elf64_Shdr sh = sectionAt(i);
        if (name == bytes.data() + names.sh_offset + sh.sh_name)
            return Section{i, sh.sh_addr, sh.sh_size};
    }
    return std::nullopt;
}

// The pieces of one report's "Fault address" line.
struct FaultLine {
    std::uint64_t address = 0;
    unsigned section = 0;
    std::uint64_t offset = 0;
    std::string module;
};

std::optional<FaultLine> parseFaultLine(const std::string& report) {
    static const std::regex line("Fault address:  ([0-9A-F]{16}) ([0-9A-F]{2,}):([0-9A-F]{8,}) ([^\r]*)\r\n");
    std::smatch m;
    if (!std::regex_search(report, m, line))
        return std::nullopt;
    return FaultLine{std::stoull(m[1], nullptr, 16), static_cast<unsigned>(std::stoul(m[2], nullptr, 16)),
                     std::stoull(m[3], nullptr, 16), m[4]};
}

// The reports in a crash log, each without its leading separator.
std::vector<std::string> splitReports(const std::string& log) {
    static const std::string separator = "\n\n------------\n";
    std::vector<std::string> reports;
    std::size_t pos = log.find(separator);
    while (pos != std::string::npos) {
        const std::size_t next = log.find(separator, pos + separator.size());
        reports.push_back(
            log.substr(pos + separator.size(), next == std::string::npos ? next : next - pos - separator.size()));
        pos = next;
    }
    return reports;
}

struct ChildResult {
    int signal = 0; // the signal the child died of, 0 when it exited
    int exitCode = -1;
    std::string out;
    std::string err;
};

const std::filesystem::path kCrasher = std::filesystem::canonical(CORVANA_CRASHER_PATH);

ChildResult runCrasher(const std::string& mode, const std::filesystem::path& dir) {
    const auto outPath = dir / "crasher.out";
    const auto errPath = dir / "crasher.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string program = kCrasher.string();
    std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(mode.c_str()), nullptr};
    pid_t pid = 0;
    ChildResult result;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return result;
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    else if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

std::time_t parseLocalTime(const std::string& report) {
    static const std::regex line("Unhandled exception: (\\d\\d)/(\\d\\d)/(\\d{4}) (\\d\\d):(\\d\\d):(\\d\\d)\r\n");
    std::smatch m;
    if (!std::regex_search(report, m, line))
        return -1;
    std::tm local{};
    local.tm_mday = std::stoi(m[1]);
    local.tm_mon = std::stoi(m[2]) - 1;
    local.tm_year = std::stoi(m[3]) - 1900;
    local.tm_hour = std::stoi(m[4]);
    local.tm_min = std::stoi(m[5]);
    local.tm_sec = std::stoi(m[6]);
    local.tm_isdst = -1;
    return std::mktime(&local);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Runs the helper in a home with a documents folder, where its crash log goes.
class CrashReportTest : public TempDirTest {
protected:
    void SetUp() override {
        // The sanitizers catch the helper's faults themselves (or take the signal
        // from our handler), so no report of ours can be checked there.
        if (kSanitized)
            GTEST_SKIP() << "crash reports are tested in builds without sanitizers";
        TempDirTest::SetUp();
        std::filesystem::create_directories(dir() / "home/Documents");
    }
    std::filesystem::path crashLog() const { return dir() / "home/Documents/CVR_crash.log"; }
};

struct CrashCase {
    const char* mode;
    int signal;
    const char* codeLine;
    bool faultInCrasher; // the fault address lies in the helper's own code
};

void PrintTo(const CrashCase& c, std::ostream* out) {
    *out << c.mode;
}

class CrashCaseTest : public CrashReportTest, public ::testing::WithParamInterface<CrashCase> {};

} // namespace

TEST_P(CrashCaseTest, ChildThatFaultsLeavesAReportAndDiesOfItsSignal) {
    const CrashCase& c = GetParam();
    const std::time_t before = std::time(nullptr);
    const ChildResult child = runCrasher(c.mode, dir());
    const std::time_t after = std::time(nullptr);

    EXPECT_EQ(child.signal, c.signal) << "exit code " << child.exitCode << "\n" << child.err;
    ASSERT_TRUE(std::filesystem::exists(crashLog())) << child.err;
    const std::string log = readFile(crashLog());
    ASSERT_TRUE(log.starts_with("\n\n------------\nCVR build date: ")) << log;
    const auto reports = splitReports(log);
    ASSERT_EQ(reports.size(), 1u) << log;
    const std::string& report = reports[0];

    // Lines in their order, each in its fixed form.
    static const std::regex shape("CVR build date: [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\r\n"
                                  "Unhandled exception: [0-9]{2}/[0-9]{2}/[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\r\n"
                                  "Exception code: [0-9A-F]{8} [^\r\n]*\r\n"
                                  "Fault address:  [0-9A-F]{16} [0-9A-F]{2}:[0-9A-F]{8} [^\r\n]*\r\n"
                                  "\nRegisters:\r\n"
                                  "RAX:[0-9A-F]{16}\r\n(?:[A-Z0-9]+:[0-9A-F]{16}\r\n){13}"
                                  "CS:RIP:[0-9A-F]{4}:[0-9A-F]{16}\r\n"
                                  "SS:RSP:[0-9A-F]{4}:[0-9A-F]{16}  RBP:[0-9A-F]{16}\r\n"
                                  "DS:[0-9A-F]{4}  ES:[0-9A-F]{4}  FS:[0-9A-F]{4}  GS:[0-9A-F]{4}\r\n"
                                  "Flags:[0-9A-F]{8,16}\r\n"
                                  "Call stack:\r\n"
                                  "Address\tFrame\r\n"
                                  "(?:[0-9A-F]{16}\t[0-9A-F]{16}[0-9A-F]{4}:[0-9A-F]{8} [^\r\n]*\r\n)+"
                                  "\r\n");
#if defined(__x86_64__)
    EXPECT_TRUE(std::regex_match(report, shape)) << report;
#endif
    EXPECT_NE(report.find(std::string("Exception code: ") + c.codeLine + "\r\n"), std::string::npos) << report;

    // The local time of the crash.
    const std::time_t at = parseLocalTime(report);
    EXPECT_GE(at, before - 1) << report;
    EXPECT_LE(at, after + 1) << report;

    const auto fault = parseFaultLine(report);
    ASSERT_TRUE(fault);
    if (c.faultInCrasher) {
        EXPECT_EQ(fault->module, kCrasher.string());
        // The helper printed the faulting function's address and its load bias.
        unsigned long function = 0;
        unsigned long bias = 0;
        ASSERT_EQ(std::sscanf(child.out.c_str(), "function %lx bias %lx", &function, &bias), 2) << child.out;
        const auto text = findSectionByName(kCrasher, ".text");
        ASSERT_TRUE(text);
        EXPECT_EQ(fault->section, text->index);
        const std::uint64_t functionOffset = function - bias - text->address;
        EXPECT_GE(fault->offset, functionOffset);
        EXPECT_LT(fault->offset, functionOffset + 64);
        EXPECT_GE(fault->address, function);
        EXPECT_LT(fault->address, function + 64);
        // The walk starts at the faulting instruction.
        std::ostringstream firstFrame;
        firstFrame << "Address\tFrame\r\n" << std::uppercase << std::hex;
        firstFrame.fill('0');
        firstFrame.width(16);
        firstFrame << fault->address << '\t';
        EXPECT_NE(report.find(firstFrame.str()), std::string::npos) << report;
    }
    // Some frame of the stack lies in the helper.
    const std::string crasherFrame = std::string(" ").append(kCrasher.string()).append("\r\n");
    EXPECT_NE(report.find(crasherFrame, report.find("Call stack:")), std::string::npos) << report;
    EXPECT_NE(child.err.find("An unhandled exception has occurred.\r\nInformation regarding the exception has been "
                             "logged.\r\nPlease contact your application vendor for further assistance.\r\n"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Faults, CrashCaseTest,
                         ::testing::Values(CrashCase{"null-write", SIGSEGV, "C0000005 ACCESS_VIOLATION", true},
                                           CrashCase{"divide-by-zero", SIGFPE, "C0000094 INT_DIVIDE_BY_ZERO", true},
                                           CrashCase{"thread-exception", SIGABRT,
                                                     "E06D7363 CPP_EXCEPTION: quotation feed broke down", false},
                                           CrashCase{"thread-stack-overflow", SIGSEGV, "C00000FD STACK_OVERFLOW",
                                                     false},
                                           CrashCase{"abort", SIGABRT, "40000015 FATAL_APP_EXIT", false},
                                           CrashCase{"breakpoint", SIGTRAP, "80000003 BREAKPOINT", true},
                                           CrashCase{"null-call", SIGSEGV, "C0000005 ACCESS_VIOLATION", false}),
                         [](const auto& info) {
                             std::string name = info.param.mode;
                             std::erase(name, '-');
                             return name;
                         });

TEST_F(CrashReportTest, TwoCrashesAppendTwoReports) {
    EXPECT_EQ(runCrasher("null-write", dir()).signal, SIGSEGV);
    EXPECT_EQ(runCrasher("divide-by-zero", dir()).signal, SIGFPE);
    const std::string log = readFile(crashLog());
    const auto reports = splitReports(log);
    ASSERT_EQ(reports.size(), 2u) << log;
    EXPECT_TRUE(log.starts_with("\n\n------------\n"));
    EXPECT_NE(reports[0].find("ACCESS_VIOLATION"), std::string::npos);
    EXPECT_NE(reports[1].find("INT_DIVIDE_BY_ZERO"), std::string::npos);
}

TEST_F(CrashReportTest, CodeOutsideAnyModuleHasNoModule) {
    const ChildResult child = runCrasher("null-call", dir());
    EXPECT_EQ(child.signal, SIGSEGV);
    const auto fault = parseFaultLine(readFile(crashLog()));
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->address, 0u);
    EXPECT_EQ(fault->section, 0u);
    EXPECT_EQ(fault->offset, 0u);
    EXPECT_EQ(fault->module, "");
}

TEST_F(CrashReportTest, PreviousHandlerRunsAfterTheReportAndTheProcessStillDies) {
    const ChildResult child = runCrasher("chain", dir());
    EXPECT_EQ(child.signal, SIGSEGV);
    EXPECT_NE(child.out.find("previous handler\n"), std::string::npos) << child.out;
    EXPECT_EQ(splitReports(readFile(crashLog())).size(), 1u);
}

TEST_F(CrashReportTest, UncaughtExceptionReachesThePreviousTerminateHandler) {
    const ChildResult child = runCrasher("thread-exception", dir());
    EXPECT_EQ(child.signal, SIGABRT);
    // The library's own terminate handler still reports the exception.
    EXPECT_NE(child.err.find("quotation feed broke down"), std::string::npos) << child.err;
    // abort() from there does not add a second report.
    EXPECT_EQ(splitReports(readFile(crashLog())).size(), 1u);
}

TEST(CrashCodes, SignalsMapOntoTheNamedCodes) {
    struct Case {
        int signal;
        int siCode;
        bool overflow;
        std::uint32_t code;
        const char* name;
    };
    const Case cases[] = {
        {SIGSEGV, SEGV_MAPERR, false, 0xC0000005, "ACCESS_VIOLATION"},
        {SIGSEGV, SEGV_ACCERR, false, 0xC0000005, "ACCESS_VIOLATION"},
        {SIGSEGV, SEGV_MAPERR, true, 0xC00000FD, "STACK_OVERFLOW"},
        {SIGBUS, BUS_ADRALN, false, 0x80000002, "DATATYPE_MISALIGNMENT"},
        {SIGBUS, BUS_ADRERR, false, 0xC0000006, "IN_PAGE_ERROR"},
        {SIGILL, ILL_ILLOPC, false, 0xC000001D, "ILLEGAL_INSTRUCTION"},
        {SIGILL, ILL_PRVOPC, false, 0xC0000096, "PRIV_INSTRUCTION"},
        {SIGFPE, FPE_INTDIV, false, 0xC0000094, "INT_DIVIDE_BY_ZERO"},
        {SIGFPE, FPE_INTOVF, false, 0xC0000095, "INT_OVERFLOW"},
        {SIGFPE, FPE_FLTDIV, false, 0xC000008E, "FLT_DIVIDE_BY_ZERO"},
        {SIGFPE, FPE_FLTOVF, false, 0xC0000091, "FLT_OVERFLOW"},
        {SIGFPE, FPE_FLTUND, false, 0xC0000093, "FLT_UNDERFLOW"},
        {SIGFPE, FPE_FLTRES, false, 0xC000008F, "FLT_INEXACT_RESULT"},
        {SIGFPE, FPE_FLTINV, false, 0xC0000090, "FLT_INVALID_OPERATION"},
        {SIGFPE, FPE_FLTSUB, false, 0xC000008C, "ARRAY_BOUNDS_EXCEEDED"},
        {SIGTRAP, TRAP_BRKPT, false, 0x80000003, "BREAKPOINT"},
        {SIGTRAP, TRAP_TRACE, false, 0x80000004, "SINGLE_STEP"},
        {SIGABRT, SI_TKILL, false, 0x40000015, "FATAL_APP_EXIT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(crashCodeForSignal(c.signal, c.siCode, c.overflow), c.code);
        EXPECT_STREQ(crashCodeName(c.code), c.name);
    }
    EXPECT_STREQ(crashCodeName(0xC0000008), "INVALID_HANDLE");
    EXPECT_STREQ(crashCodeName(0xE06D7363), "CPP_EXCEPTION");
    EXPECT_STREQ(crashCodeName(0x12345678), "");
}

namespace {

// Silences stderr (the debugger output) while a test formats pieces.
class QuietStderr {
public:
    QuietStderr() : m_saved(dup(STDERR_FILENO)) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(null);
    }
    ~QuietStderr() {
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
    }

private:
    int m_saved;
};

class CrashPieceTest : public TempDirTest {};

} // namespace

TEST_F(CrashPieceTest, PiecesAreFormattedLikePrintfAndWrittenWhole) {
    const auto path = dir() / "pieces";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    std::string expected;
    char reference[1100];
    {
        QuietStderr quiet;
#define PIECE(...)                                                                                                     \
    do {                                                                                                               \
        const int n = std::snprintf(reference, sizeof reference, __VA_ARGS__);                                         \
        expected.append(reference, static_cast<std::size_t>(n));                                                       \
        EXPECT_EQ(CrashLogPrintf(fd, __VA_ARGS__), n);                                                                 \
    } while (0)
        PIECE("Exception code: %08X %s\r\n", 0xC0000005u, "ACCESS_VIOLATION");
        PIECE("Fault address:  %016lX %02X:%08lX %s\r\n", 0x55d0c0ffeeUL, 16u, 0x1a2bUL, "/usr/bin/corvana");
        PIECE("%02u/%02u/%04lld %02u:%02u:%02u", 5u, 3u, 2024LL, 9u, 7u, 0u);
        PIECE("[%d|%5d|%-5d|%05d|%i]", INT_MIN, 42, -42, -42, 0);
        PIECE("%x %zu %llu %c %% %s", 0xbeefu, std::size_t{12}, 18446744073709551615ULL, 'Z', "");
#undef PIECE
        // A piece longer than its buffer is cut to 1023 characters.
        const std::string longText(2000, 'x');
        EXPECT_EQ(CrashLogPrintf(fd, "%s", longText.c_str()), 1023);
        expected += longText.substr(0, 1023);
    }
    close(fd);
    EXPECT_EQ(readFile(path), expected);
}

TEST(FaultModule, NamesModuleSectionAndOffset) {
    char path[PATH_MAX];
    unsigned section = 99;
    std::uintptr_t offset = 99;

    // Code of this program.
    const auto here = reinterpret_cast<std::uintptr_t>(&findSectionByName);
    ASSERT_TRUE(GetFaultModule(here, path, sizeof path, section, offset));
    EXPECT_EQ(std::string(path), paths::programPath().string());
    const auto text = findSectionByName(paths::programPath(), ".text");
    ASSERT_TRUE(text);
    EXPECT_EQ(section, text->index);
    EXPECT_LT(offset, text->size);

    // Code of a shared library (its own symbol, not a sanitizer's interceptor).
    void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(libc, nullptr);
    void* write = dlsym(libc, "write");
    dlclose(libc);
    ASSERT_NE(write, nullptr);
    ASSERT_TRUE(GetFaultModule(reinterpret_cast<std::uintptr_t>(write), path, sizeof path, section, offset));
    EXPECT_NE(std::string(path).find("libc.so"), std::string::npos) << path;
    const auto libcText = findSectionByName(path, ".text");
    ASSERT_TRUE(libcText);
    EXPECT_EQ(section, libcText->index);

    // Memory of no module.
    void* anonymous = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(anonymous, MAP_FAILED);
    EXPECT_FALSE(GetFaultModule(reinterpret_cast<std::uintptr_t>(anonymous), path, sizeof path, section, offset));
    EXPECT_STREQ(path, "");
    EXPECT_EQ(section, 0u);
    EXPECT_EQ(offset, 0u);
    munmap(anonymous, 4096);
}

TEST(CrashLogPath, RefusesEmptyAndOverlongPaths) {
    EXPECT_FALSE(SetCrashLogPath(""));
    EXPECT_FALSE(SetCrashLogPath(std::string(PATH_MAX, 'a').c_str()));
    ASSERT_TRUE(SetCrashLogPath("/tmp/CVR_crash.log"));
    EXPECT_EQ(GetCrashLogPath(), "/tmp/CVR_crash.log");
}
