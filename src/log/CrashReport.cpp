#include "log/CrashReport.h"

#include "platform/CivilDate.h"
#include "platform/FileIo.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <exception>
#include <fcntl.h>
#include <limits>
#include <link.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>
#include <unwind.h>

// Everything the signal handler touches is prepared at installation: fixed
// buffers in static storage, the program's path, the local-time offsets. The
// handler itself calls only async-signal-safe functions (plus the unwinder and
// dl_iterate_phdr, which are warmed up at installation so they allocate nothing).

namespace {

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP};
constexpr std::size_t kPathSize = PATH_MAX;
constexpr std::size_t kPieceSize = 1024;
constexpr std::size_t kAltStackSize = 128 * 1024;
constexpr int kMaxFrames = 128;

char g_crashLogPath[kPathSize];
char g_programPath[kPathSize];
struct sigaction g_previous[NSIG];
std::terminate_handler g_previousTerminate = nullptr;
std::atomic<bool> g_installed{false};

// 0 no report yet, 1 a thread is writing one, 2 written.
std::atomic<int> g_reportState{0};
std::atomic<pid_t> g_reportWriter{0};

// Local-time offsets from UTC, from the given instant on (for the next two years).
struct OffsetFrom {
    std::time_t from;
    long offset;
};
OffsetFrom g_offsets[64];
int g_offsetCount = 0;

// The calling thread's stack bounds (0 when unknown), for telling a stack overflow.
__attribute__((tls_model("initial-exec"))) thread_local std::uintptr_t t_stackLow = 0;
__attribute__((tls_model("initial-exec"))) thread_local std::uintptr_t t_stackHigh = 0;

// The alternate signal stack of a thread, released when the thread ends.
struct AltStack {
    void* memory = nullptr;
    std::size_t size = 0;

    ~AltStack() {
        if (!memory)
            return;
        stack_t current{};
        if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == static_cast<char*>(memory) + pageSize()) {
            stack_t off{};
            off.ss_flags = SS_DISABLE;
            sigaltstack(&off, nullptr);
        }
        munmap(memory, size);
    }
    static std::size_t pageSize() { return static_cast<std::size_t>(sysconf(_SC_PAGESIZE)); }
};
__attribute__((tls_model("initial-exec"))) thread_local AltStack t_altStack;

pid_t currentThreadId() {
    return static_cast<pid_t>(syscall(SYS_gettid));
}

// --- a small async-signal-safe formatter ---

struct Piece {
    char* buffer;
    std::size_t size;
    std::size_t length = 0;
    void put(char c) {
        if (length + 1 < size)
            buffer[length++] = c;
    }
};

void putNumber(Piece& out, unsigned long long value, bool negative, unsigned base, bool upper, int width, bool zeroPad,
               bool leftAlign) {
    char digits[32];
    int n = 0;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[n++] = set[value % base];
        value /= base;
    } while (value != 0);
    const int length = n + (negative ? 1 : 0);
    if (!leftAlign && !zeroPad)
        for (int i = length; i < width; ++i)
            out.put(' ');
    if (negative)
        out.put('-');
    if (!leftAlign && zeroPad)
        for (int i = length; i < width; ++i)
            out.put('0');
    while (n > 0)
        out.put(digits[--n]);
    if (leftAlign)
        for (int i = length; i < width; ++i)
            out.put(' ');
}

void formatPiece(Piece& out, const char* format, va_list args) {
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out.put(*p);
            continue;
        }
        ++p;
        bool zeroPad = false;
        bool leftAlign = false;
        for (;; ++p) {
            if (*p == '0')
                zeroPad = true;
            else if (*p == '-')
                leftAlign = true;
            else
                break;
        }
        int width = 0;
        while (*p >= '0' && *p <= '9')
            width = width * 10 + (*p++ - '0');
        int longs = 0;
        bool size = false;
        while (*p == 'l' || *p == 'h' || *p == 'z') {
            if (*p == 'l')
                ++longs;
            else if (*p == 'z')
                size = true;
            ++p;
        }
        auto unsignedArg = [&]() -> unsigned long long {
            if (size)
                return va_arg(args, std::size_t);
            if (longs >= 2)
                return va_arg(args, unsigned long long);
            if (longs == 1)
                return va_arg(args, unsigned long);
            return va_arg(args, unsigned int);
        };
        switch (*p) {
        case 'd':
        case 'i': {
            long long v = size         ? static_cast<long long>(va_arg(args, std::size_t))
                          : longs >= 2 ? va_arg(args, long long)
                          : longs == 1 ? va_arg(args, long)
                                       : va_arg(args, int);
            const bool negative = v < 0;
            const unsigned long long magnitude =
                negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
            putNumber(out, magnitude, negative, 10, false, width, zeroPad, leftAlign);
            break;
        }
        case 'u':
            putNumber(out, unsignedArg(), false, 10, false, width, zeroPad, leftAlign);
            break;
        case 'x':
        case 'X':
            putNumber(out, unsignedArg(), false, 16, *p == 'X', width, zeroPad, leftAlign);
            break;
        case 'p':
            out.put('0');
            out.put('x');
            putNumber(out, reinterpret_cast<std::uintptr_t>(va_arg(args, void*)), false, 16, false, width, zeroPad,
                      leftAlign);
            break;
        case 'c':
            out.put(static_cast<char>(va_arg(args, int)));
            break;
        case 's': {
            const char* s = va_arg(args, const char*);
            if (!s)
                s = "";
            const int length = static_cast<int>(strnlen(s, out.size));
            if (!leftAlign)
                for (int i = length; i < width; ++i)
                    out.put(' ');
            for (const char* c = s; *c; ++c)
                out.put(*c);
            if (leftAlign)
                for (int i = length; i < width; ++i)
                    out.put(' ');
            break;
        }
        case '%':
            out.put('%');
            break;
        default:
            return; // a conversion this formatter does not know: stop here
        }
    }
}

// --- local time without locks ---

long gmtOffsetAt(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local.tm_gmtoff;
}

// Records the offset now and at every change within the next two years, so the
// handler needs no time-zone lookup.
void buildOffsetTable() {
    std::time_t t = std::time(nullptr) - 86400;
    long offset = gmtOffsetAt(t);
    g_offsetCount = 0;
    g_offsets[g_offsetCount++] = {std::numeric_limits<std::time_t>::min(), offset};
    for (int day = 0; day < 2 * 366 && g_offsetCount < 64; ++day) {
        const std::time_t next = t + 86400;
        const long nextOffset = gmtOffsetAt(next);
        if (nextOffset != offset) {
            std::time_t lo = t;
            std::time_t hi = next;
            while (hi - lo > 1) {
                const std::time_t mid = lo + (hi - lo) / 2;
                (gmtOffsetAt(mid) == offset ? lo : hi) = mid;
            }
            g_offsets[g_offsetCount++] = {hi, nextOffset};
            offset = nextOffset;
        }
        t = next;
    }
}

struct CivilTime {
    long long year;
    unsigned month, day, hour, minute, second;
};

CivilTime localCivilTime(std::time_t now) {
    long offset = 0;
    for (int i = 0; i < g_offsetCount; ++i)
        if (g_offsets[i].from <= now)
            offset = g_offsets[i].offset;
    const long long local = static_cast<long long>(now) + offset;
    const long long days = civil::floorDiv(local, 86400);
    const long long secs = local - days * 86400;
    const civil::Date date = civil::civilFromDays(days);
    CivilTime c{};
    c.year = date.year;
    c.month = static_cast<unsigned>(date.month);
    c.day = static_cast<unsigned>(date.day);
    c.hour = static_cast<unsigned>(secs / 3600);
    c.minute = static_cast<unsigned>(secs / 60 % 60);
    c.second = static_cast<unsigned>(secs % 60);
    return c;
}

// --- modules and sections ---

struct ModuleSearch {
    std::uintptr_t address;
    bool found;
    std::uintptr_t bias;
    const char* name;
};

int findModule(dl_phdr_info* info, std::size_t, void* data) {
    auto* search = static_cast<ModuleSearch*>(data);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const auto& ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_LOAD)
            continue;
        const std::uintptr_t start = info->dlpi_addr + ph.p_vaddr;
        if (search->address >= start && search->address < start + ph.p_memsz) {
            search->found = true;
            search->bias = info->dlpi_addr;
            search->name = info->dlpi_name;
            return 1;
        }
    }
    return 0;
}

// The allocated section of the ELF file that holds the link-time address `rva`.
void findSection(const char* path, std::uintptr_t rva, unsigned& section, std::uintptr_t& offset) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ElfW(Ehdr) header;
    if (fileio::readAt(fd, 0, &header, sizeof header) && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
        header.e_ident[EI_CLASS] == (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) &&
        header.e_shentsize == sizeof(ElfW(Shdr)) && header.e_shoff != 0) {
        std::size_t count = header.e_shnum;
        ElfW(Shdr) sh;
        if (count == 0 && fileio::readAt(fd, header.e_shoff, &sh, sizeof sh))
            count = sh.sh_size; // more sections than fit the header field
        for (std::size_t i = 1; i < count; ++i) {
            if (!fileio::readAt(fd, header.e_shoff + i * sizeof sh, &sh, sizeof sh))
                break;
            if ((sh.sh_flags & SHF_ALLOC) && sh.sh_size > 0 && sh.sh_addr <= rva && rva < sh.sh_addr + sh.sh_size) {
                section = static_cast<unsigned>(i);
                offset = rva - sh.sh_addr;
                break;
            }
        }
    }
    ::close(fd);
}

void copyText(char* target, std::size_t size, const char* text) {
    if (size == 0)
        return;
    std::size_t i = 0;
    for (; text && text[i] && i + 1 < size; ++i)
        target[i] = text[i];
    target[i] = '\0';
}

// --- registers ---

std::uintptr_t contextPc(const ucontext_t* uc) {
#if defined(__x86_64__)
    return static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return uc->uc_mcontext.pc;
#else
    (void)uc;
    return 0;
#endif
}

std::uintptr_t contextSp(const ucontext_t* uc) {
#if defined(__x86_64__)
    return static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__aarch64__)
    return uc->uc_mcontext.sp;
#else
    (void)uc;
    return 0;
#endif
}

#if defined(__x86_64__)
unsigned currentSegment(int which) {
    unsigned short value = 0;
    switch (which) {
    case 0:
        asm volatile("mov %%cs, %0" : "=r"(value));
        break;
    case 1:
        asm volatile("mov %%ss, %0" : "=r"(value));
        break;
    case 2:
        asm volatile("mov %%ds, %0" : "=r"(value));
        break;
    case 3:
        asm volatile("mov %%es, %0" : "=r"(value));
        break;
    case 4:
        asm volatile("mov %%fs, %0" : "=r"(value));
        break;
    default:
        asm volatile("mov %%gs, %0" : "=r"(value));
        break;
    }
    return value;
}
#endif

void writeRegisters(int fd, const ucontext_t* uc) {
    CrashLogPrintf(fd, "\nRegisters:\r\n");
#if defined(__x86_64__)
    const auto r = [uc](int i) { return static_cast<unsigned long long>(uc->uc_mcontext.gregs[i]); };
    CrashLogPrintf(fd, "RAX:%016llX\r\nRBX:%016llX\r\nRCX:%016llX\r\nRDX:%016llX\r\nRSI:%016llX\r\nRDI:%016llX\r\n",
                   r(REG_RAX), r(REG_RBX), r(REG_RCX), r(REG_RDX), r(REG_RSI), r(REG_RDI));
    CrashLogPrintf(fd, "R8:%016llX\r\nR9:%016llX\r\nR10:%016llX\r\nR11:%016llX\r\n", r(REG_R8), r(REG_R9), r(REG_R10),
                   r(REG_R11));
    CrashLogPrintf(fd, "R12:%016llX\r\nR13:%016llX\r\nR14:%016llX\r\nR15:%016llX\r\n", r(REG_R12), r(REG_R13),
                   r(REG_R14), r(REG_R15));
    // cs, gs, fs and (when the kernel saved it) ss share one slot; ds and es are
    // the same for all user code, so the handler's own are the faulting thread's.
    const unsigned long long segments = r(REG_CSGSFS);
    constexpr unsigned long kSigcontextSs = 0x2; // UC_SIGCONTEXT_SS
    const unsigned cs = segments ? static_cast<unsigned>(segments & 0xFFFF) : currentSegment(0);
    const unsigned gs = segments ? static_cast<unsigned>((segments >> 16) & 0xFFFF) : currentSegment(5);
    const unsigned fs = segments ? static_cast<unsigned>((segments >> 32) & 0xFFFF) : currentSegment(4);
    const unsigned ss = (uc->uc_flags & kSigcontextSs) ? static_cast<unsigned>(segments >> 48) : currentSegment(1);
    CrashLogPrintf(fd, "CS:RIP:%04X:%016llX\r\n", cs, r(REG_RIP));
    CrashLogPrintf(fd, "SS:RSP:%04X:%016llX  RBP:%016llX\r\n", ss, r(REG_RSP), r(REG_RBP));
    CrashLogPrintf(fd, "DS:%04X  ES:%04X  FS:%04X  GS:%04X\r\n", currentSegment(2), currentSegment(3), fs, gs);
    CrashLogPrintf(fd, "Flags:%08llX\r\n", r(REG_EFL));
#elif defined(__aarch64__)
    for (int i = 0; i < 31; ++i)
        CrashLogPrintf(fd, "X%d:%016llX\r\n", i, static_cast<unsigned long long>(uc->uc_mcontext.regs[i]));
    CrashLogPrintf(fd, "PC:%016llX\r\n", static_cast<unsigned long long>(uc->uc_mcontext.pc));
    CrashLogPrintf(fd, "SP:%016llX\r\n", static_cast<unsigned long long>(uc->uc_mcontext.sp));
    CrashLogPrintf(fd, "Flags:%08llX\r\n", static_cast<unsigned long long>(uc->uc_mcontext.pstate));
#else
    (void)uc;
#endif
}

// --- call stack ---

struct Frame {
    std::uintptr_t pc;
    std::uintptr_t frame;
};
Frame g_frames[kMaxFrames];
int g_frameCount = 0;

// Collects the frames; `data` points to the faulting pc, so that a pc of 0 is
// kept only when the fault itself was there (the outermost frame also reports 0).
_Unwind_Reason_Code collectFrame(_Unwind_Context* context, void* data) {
    if (g_frameCount >= kMaxFrames)
        return _URC_END_OF_STACK;
    int beforeInstruction = 0;
    const std::uintptr_t pc = _Unwind_GetIPInfo(context, &beforeInstruction);
    const std::uintptr_t frame = _Unwind_GetCFA(context);
    if (frame == 0 || (pc == 0 && *static_cast<const std::uintptr_t*>(data) != 0))
        return _URC_END_OF_STACK;
    g_frames[g_frameCount++] = {pc, frame};
    return pc == 0 ? _URC_END_OF_STACK : _URC_NO_REASON;
}

_Unwind_Reason_Code ignoreFrame(_Unwind_Context*, void*) {
    return _URC_NO_REASON;
}

char g_modulePath[kPathSize];

void writeFrame(int fd, const Frame& frame, unsigned section, std::uintptr_t offset) {
    CrashLogPrintf(fd, "%016lX\t%016lX", static_cast<unsigned long>(frame.pc), static_cast<unsigned long>(frame.frame));
    CrashLogPrintf(fd, "%04X:%08lX %s\r\n", section, static_cast<unsigned long>(offset), g_modulePath);
}

void writeCallStack(int fd, std::uintptr_t startPc, bool startAtPc, const ucontext_t* uc) {
    CrashLogPrintf(fd, "Call stack:\r\n");
    CrashLogPrintf(fd, "Address\tFrame\r\n");
    g_frameCount = 0;
    std::uintptr_t faultPc = startAtPc ? startPc : 1;
    _Unwind_Backtrace(collectFrame, &faultPc);
    // The walk begins inside this handler; the report begins at the faulting frame.
    int first = 0;
    if (startAtPc) {
        for (int i = 0; i < g_frameCount; ++i)
            if (g_frames[i].pc == startPc) {
                first = i;
                break;
            }
    }
    bool lastInModule = true;
    for (int i = first; i < g_frameCount; ++i) {
        unsigned section = 0;
        std::uintptr_t offset = 0;
        lastInModule = GetFaultModule(g_frames[i].pc, g_modulePath, sizeof g_modulePath, section, offset);
        writeFrame(fd, g_frames[i], section, offset);
    }
    // A call to an address outside every module (a bad function pointer) ends the
    // unwinder's walk at once; the word at the stack pointer is the return address
    // of that call, read only when the pointer lies in this thread's stack.
    if (startAtPc && first == g_frameCount - 1 && !lastInModule && g_frames[first].pc == startPc) {
        const std::uintptr_t sp = contextSp(uc);
        if (sp >= t_stackLow && sp + sizeof(std::uintptr_t) <= t_stackHigh && sp % alignof(std::uintptr_t) == 0) {
            const Frame caller{*reinterpret_cast<const std::uintptr_t*>(sp), sp + sizeof(std::uintptr_t)};
            unsigned section = 0;
            std::uintptr_t offset = 0;
            if (GetFaultModule(caller.pc, g_modulePath, sizeof g_modulePath, section, offset))
                writeFrame(fd, caller, section, offset);
        }
    }
}

// --- the report ---

struct CrashInfo {
    std::uint32_t code;
    const char* name;
    std::uintptr_t address;
    const ucontext_t* context;
    bool walkFromAddress;
};

void WriteCrashReport(int fd, const CrashInfo& info) {
    CrashLogPrintf(fd, "\n\n------------\nCVR build date: %s %s\r\n", __DATE__, __TIME__);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const CivilTime t = localCivilTime(now.tv_sec);
    CrashLogPrintf(fd, "Unhandled exception: %02u/%02u/%04lld %02u:%02u:%02u\r\n", t.day, t.month, t.year, t.hour,
                   t.minute, t.second);
    CrashLogPrintf(fd, "Exception code: %08X %s\r\n", info.code, info.name);
    unsigned section = 0;
    std::uintptr_t offset = 0;
    GetFaultModule(info.address, g_modulePath, sizeof g_modulePath, section, offset);
    CrashLogPrintf(fd, "Fault address:  %016lX %02X:%08lX %s\r\n", static_cast<unsigned long>(info.address), section,
                   static_cast<unsigned long>(offset), g_modulePath);
    writeRegisters(fd, info.context);
    writeCallStack(fd, info.address, info.walkFromAddress, info.context);
    CrashLogPrintf(fd, "\r\n");
}

// Opens the crash log for appending, holding a write lock on it for a while at
// most, so the reports of two crashing processes do not mix.
int openCrashLog() {
    if (g_crashLogPath[0] == '\0')
        return -1;
    const int fd = ::open(g_crashLogPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    for (int attempt = 0; attempt < 200 && fcntl(fd, F_SETLK, &lock) != 0; ++attempt) {
        const timespec pause{0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    return fd;
}

void closeCrashLog(int fd) {
    fsync(fd); // the report must survive the process
    ::close(fd);
}

void writeNotice() {
    static const char notice[] = "An unhandled exception has occurred.\r\nInformation regarding the exception has been "
                                 "logged.\r\nPlease contact your application vendor for further assistance.\r\n";
    fileio::writeAll(STDERR_FILENO, notice, sizeof notice - 1);
}

// True for the thread that may write the report; others wait until it is written.
bool claimReport() {
    int expected = 0;
    const pid_t self = currentThreadId();
    if (g_reportState.compare_exchange_strong(expected, 1)) {
        g_reportWriter.store(self);
        return true;
    }
    if (expected == 1 && g_reportWriter.load() != self) {
        for (int i = 0; i < 500 && g_reportState.load() == 1; ++i) {
            const timespec pause{0, 10 * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
    }
    return false;
}

void writeReport(const CrashInfo& info) {
    const int fd = openCrashLog();
    if (fd >= 0) {
        WriteCrashReport(fd, info);
        closeCrashLog(fd);
    }
    writeNotice();
    g_reportState.store(2);
}

bool isStackOverflow(const siginfo_t* info, const ucontext_t* uc) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (address == 0)
        return false;
    constexpr std::uintptr_t kNear = 64 * 1024;
    if (t_stackLow != 0 && address < t_stackLow + kNear && address + 16 * kNear >= t_stackLow)
        return true;
    const std::uintptr_t sp = contextSp(uc);
    return address + kNear >= sp && address <= sp + kNear;
}

// Hands the signal to the handler in force before; when there is none (or it
// returns), the default action ends the process with the signal.
void chainSignal(int signal, siginfo_t* info, void* context) {
    const struct sigaction& previous = g_previous[signal];
    if ((previous.sa_flags & SA_SIGINFO) && previous.sa_sigaction) {
        sigaction(signal, &previous, nullptr);
        previous.sa_sigaction(signal, info, context);
    } else if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        sigaction(signal, &previous, nullptr);
        previous.sa_handler(signal);
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    // Blocked while the handler runs: delivered, with the default action, on return.
    raise(signal);
}

char g_exceptionName[kPieceSize];

[[noreturn]] void onTerminate() {
    if (claimReport()) {
        // The text of the exception that escaped.
        const char* what = "terminate called without an active exception";
        if (std::exception_ptr current = std::current_exception()) {
            try {
                std::rethrow_exception(current);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
                what = "unknown exception";
            }
        }
        Piece name{g_exceptionName, sizeof g_exceptionName};
        std::memset(g_exceptionName, 0, sizeof g_exceptionName);
        for (const char* c = crashCodeName(CRASH_CODE_CPP_EXCEPTION); *c; ++c)
            name.put(*c);
        name.put(':');
        name.put(' ');
        for (const char* c = what; *c; ++c)
            name.put(*c);

        static ucontext_t context;
        std::memset(&context, 0, sizeof context);
        getcontext(&context);
        writeReport({CRASH_CODE_CPP_EXCEPTION, g_exceptionName, contextPc(&context), &context, false});
    }
    if (g_previousTerminate)
        g_previousTerminate();
    std::abort();
}

} // namespace

const char* crashCodeName(std::uint32_t code) {
    switch (code) {
    case 0x80000001:
        return "GUARD_PAGE";
    case 0x80000002:
        return "DATATYPE_MISALIGNMENT";
    case 0x80000003:
        return "BREAKPOINT";
    case 0x80000004:
        return "SINGLE_STEP";
    case 0xC0000005:
        return "ACCESS_VIOLATION";
    case 0xC0000006:
        return "IN_PAGE_ERROR";
    case 0xC0000008:
        return "INVALID_HANDLE";
    case 0xC000001D:
        return "ILLEGAL_INSTRUCTION";
    case 0xC0000025:
        return "NONCONTINUABLE_EXCEPTION";
    case 0xC0000026:
        return "INVALID_DISPOSITION";
    case 0xC000008C:
        return "ARRAY_BOUNDS_EXCEEDED";
    case 0xC000008D:
        return "FLT_DENORMAL_OPERAND";
    case 0xC000008E:
        return "FLT_DIVIDE_BY_ZERO";
    case 0xC000008F:
        return "FLT_INEXACT_RESULT";
    case 0xC0000090:
        return "FLT_INVALID_OPERATION";
    case 0xC0000091:
        return "FLT_OVERFLOW";
    case 0xC0000092:
        return "FLT_STACK_CHECK";
    case 0xC0000093:
        return "FLT_UNDERFLOW";
    case 0xC0000094:
        return "INT_DIVIDE_BY_ZERO";
    case 0xC0000095:
        return "INT_OVERFLOW";
    case 0xC0000096:
        return "PRIV_INSTRUCTION";
    case 0xC00000FD:
        return "STACK_OVERFLOW";
    case CRASH_CODE_FATAL_APP_EXIT:
        return "FATAL_APP_EXIT";
    case CRASH_CODE_CPP_EXCEPTION:
        return "CPP_EXCEPTION";
    default:
        return "";
    }
}

std::uint32_t crashCodeForSignal(int signal, int siCode, bool stackOverflow) {
    switch (signal) {
    case SIGSEGV:
        return stackOverflow ? CRASH_CODE_STACK_OVERFLOW : CRASH_CODE_ACCESS_VIOLATION;
    case SIGBUS:
        return siCode == BUS_ADRALN ? CRASH_CODE_DATATYPE_MISALIGNMENT : CRASH_CODE_IN_PAGE_ERROR;
    case SIGILL:
        return siCode == ILL_PRVOPC || siCode == ILL_PRVREG ? CRASH_CODE_PRIV_INSTRUCTION
                                                            : CRASH_CODE_ILLEGAL_INSTRUCTION;
    case SIGFPE:
        switch (siCode) {
        case FPE_INTDIV:
            return CRASH_CODE_INT_DIVIDE_BY_ZERO;
        case FPE_INTOVF:
            return CRASH_CODE_INT_OVERFLOW;
        case FPE_FLTDIV:
            return CRASH_CODE_FLT_DIVIDE_BY_ZERO;
        case FPE_FLTOVF:
            return CRASH_CODE_FLT_OVERFLOW;
        case FPE_FLTUND:
            return CRASH_CODE_FLT_UNDERFLOW;
        case FPE_FLTRES:
            return CRASH_CODE_FLT_INEXACT_RESULT;
        case FPE_FLTSUB:
            return CRASH_CODE_ARRAY_BOUNDS_EXCEEDED;
        default:
            return CRASH_CODE_FLT_INVALID_OPERATION;
        }
    case SIGTRAP:
        return siCode == TRAP_TRACE ? CRASH_CODE_SINGLE_STEP : CRASH_CODE_BREAKPOINT;
    case SIGABRT:
        return CRASH_CODE_FATAL_APP_EXIT;
    default:
        return 0;
    }
}

bool SetCrashLogPath(const char* path) {
    if (!path || !*path || std::strlen(path) >= sizeof g_crashLogPath)
        return false;
    copyText(g_crashLogPath, sizeof g_crashLogPath, path);
    return true;
}

std::string GetCrashLogPath() {
    return g_crashLogPath;
}

int CrashLogPrintf(int fd, const char* format, ...) {
    char buffer[kPieceSize];
    std::memset(buffer, 0, sizeof buffer);
    Piece piece{buffer, sizeof buffer};
    va_list args;
    va_start(args, format);
    formatPiece(piece, format, args);
    va_end(args);
    fileio::writeAll(STDERR_FILENO, buffer, piece.length);
    if (fd >= 0)
        fileio::writeAll(fd, buffer, piece.length);
    return static_cast<int>(piece.length);
}

bool GetFaultModule(std::uintptr_t address, char* modulePath, std::size_t pathSize, unsigned& section,
                    std::uintptr_t& offset) {
    section = 0;
    offset = 0;
    copyText(modulePath, pathSize, "");
    ModuleSearch search{address, false, 0, nullptr};
    dl_iterate_phdr(findModule, &search);
    if (!search.found)
        return false;
    // The program itself has no name in the loader's list.
    copyText(modulePath, pathSize, search.name && *search.name ? search.name : g_programPath);
    if (modulePath[0] == '\0') {
        const ssize_t n = readlink("/proc/self/exe", modulePath, pathSize - 1);
        modulePath[n > 0 ? n : 0] = '\0';
    }
    findSection(modulePath, address - search.bias, section, offset);
    return true;
}

void CrashExceptionFilter(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    if (claimReport()) {
        auto* uc = static_cast<ucontext_t*>(context);
        const std::uint32_t code =
            crashCodeForSignal(signal, info->si_code, signal == SIGSEGV && isStackOverflow(info, uc));
        writeReport({code, crashCodeName(code), contextPc(uc), uc, true});
    }
    chainSignal(signal, info, context);
    errno = savedErrno;
}

bool prepareThreadForCrashReports() {
    if (t_stackLow == 0) {
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void* base = nullptr;
            std::size_t size = 0;
            if (pthread_attr_getstack(&attr, &base, &size) == 0) {
                t_stackLow = reinterpret_cast<std::uintptr_t>(base);
                t_stackHigh = t_stackLow + size;
            }
            pthread_attr_destroy(&attr);
        }
    }
    if (t_altStack.memory)
        return true;
    // A guard page below the stack, so a fault in the handler cannot run into other memory.
    const std::size_t page = AltStack::pageSize();
    const std::size_t size = kAltStackSize + page;
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (memory == MAP_FAILED)
        return false;
    mprotect(memory, page, PROT_NONE);
    stack_t stack{};
    stack.ss_sp = static_cast<char*>(memory) + page;
    stack.ss_size = kAltStackSize;
    if (sigaltstack(&stack, nullptr) != 0) {
        munmap(memory, size);
        return false;
    }
    t_altStack.memory = memory;
    t_altStack.size = size;
    return true;
}

bool installCrashHandlers() {
    if (g_installed.exchange(true))
        return prepareThreadForCrashReports();

    const ssize_t n = readlink("/proc/self/exe", g_programPath, sizeof g_programPath - 1);
    g_programPath[n > 0 ? n : 0] = '\0';
    buildOffsetTable();
    // Let the unwinder and the loader set up their caches now, not in the handler.
    _Unwind_Backtrace(ignoreFrame, nullptr);
    unsigned section = 0;
    std::uintptr_t offset = 0;
    GetFaultModule(reinterpret_cast<std::uintptr_t>(&installCrashHandlers), g_modulePath, sizeof g_modulePath, section,
                   offset);

    const bool prepared = prepareThreadForCrashReports();

    struct sigaction action {};
    action.sa_sigaction = CrashExceptionFilter;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    // A second fault while the report is written ends the process at once.
    sigemptyset(&action.sa_mask);
    for (int signal : kCrashSignals)
        sigaddset(&action.sa_mask, signal);
    bool ok = prepared;
    for (int signal : kCrashSignals)
        ok = sigaction(signal, &action, &g_previous[signal]) == 0 && ok;
    g_previousTerminate = std::set_terminate(onTerminate);
    return ok;
}
