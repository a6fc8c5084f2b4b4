#pragma once
// The crash report: when a thread faults (SIGSEGV, SIGBUS, SIGILL, SIGFPE,
// SIGABRT, SIGTRAP) or a C++ exception escapes (std::terminate), a plain-text
// report is appended to the crash log: build date, local time, exception code
// and name, the faulting module with section and offset, the registers and the
// call stack. Then the handler that was installed before takes over (or the
// default action, so the process still dies of its signal).

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>

// Exception codes the report names (signal and si_code mapped onto them).
inline constexpr std::uint32_t CRASH_CODE_GUARD_PAGE = 0x80000001;
inline constexpr std::uint32_t CRASH_CODE_DATATYPE_MISALIGNMENT = 0x80000002;
inline constexpr std::uint32_t CRASH_CODE_BREAKPOINT = 0x80000003;
inline constexpr std::uint32_t CRASH_CODE_SINGLE_STEP = 0x80000004;
inline constexpr std::uint32_t CRASH_CODE_ACCESS_VIOLATION = 0xC0000005;
inline constexpr std::uint32_t CRASH_CODE_IN_PAGE_ERROR = 0xC0000006;
inline constexpr std::uint32_t CRASH_CODE_ILLEGAL_INSTRUCTION = 0xC000001D;
inline constexpr std::uint32_t CRASH_CODE_ARRAY_BOUNDS_EXCEEDED = 0xC000008C;
inline constexpr std::uint32_t CRASH_CODE_FLT_DIVIDE_BY_ZERO = 0xC000008E;
inline constexpr std::uint32_t CRASH_CODE_FLT_INEXACT_RESULT = 0xC000008F;
inline constexpr std::uint32_t CRASH_CODE_FLT_INVALID_OPERATION = 0xC0000090;
inline constexpr std::uint32_t CRASH_CODE_FLT_OVERFLOW = 0xC0000091;
inline constexpr std::uint32_t CRASH_CODE_FLT_UNDERFLOW = 0xC0000093;
inline constexpr std::uint32_t CRASH_CODE_INT_DIVIDE_BY_ZERO = 0xC0000094;
inline constexpr std::uint32_t CRASH_CODE_INT_OVERFLOW = 0xC0000095;
inline constexpr std::uint32_t CRASH_CODE_PRIV_INSTRUCTION = 0xC0000096;
inline constexpr std::uint32_t CRASH_CODE_STACK_OVERFLOW = 0xC00000FD;
// abort(): the code a fatal application exit carries.
inline constexpr std::uint32_t CRASH_CODE_FATAL_APP_EXIT = 0x40000015;
// An uncaught C++ exception; its what() text follows the name.
inline constexpr std::uint32_t CRASH_CODE_CPP_EXCEPTION = 0xE06D7363;

// The name of a code without prefix ("ACCESS_VIOLATION"); "" for an unknown code.
const char* crashCodeName(std::uint32_t code);

// The code of a signal with its si_code; `stackOverflow` marks a SIGSEGV caused
// by running off the end of the thread's stack.
std::uint32_t crashCodeForSignal(int signal, int siCode, bool stackOverflow = false);

// Sets the file the reports are appended to (set once at start-up, before
// installCrashHandlers). False when the path is empty or too long.
bool SetCrashLogPath(const char* path);
std::string GetCrashLogPath();

// Installs the signal handlers (on an alternate stack) and the terminate handler,
// keeping the ones in force before; gives the calling thread its alternate
// stack. Safe to call again (then it only prepares the calling thread).
bool installCrashHandlers();

// Gives the calling thread an alternate signal stack of its own, so a stack
// overflow on it is still reported. Every thread the program starts calls this
// first; the stack is released when the thread ends.
bool prepareThreadForCrashReports();

// The signal handler: appends the report, tells stderr (the debugger output
// here) and hands the signal on. Uses async-signal-safe calls only.
void CrashExceptionFilter(int signal, siginfo_t* info, void* context);

// Formats one piece of the report (printf subset: flags '-' '0', width, length
// h l ll z, conversions d i u x X s c p %) into a zeroed buffer of 1024 bytes,
// writes it to stderr and to `fd` (when not negative); returns the number of
// characters. Async-signal-safe.
int CrashLogPrintf(int fd, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Finds the loaded module (program or shared library) that holds `address`:
// its path, and the number (from 1, in the order of its ELF section table) of
// the allocated section holding the address with the offset within it. A module
// that is not found leaves the path empty; section and offset stay 0 when the
// module or its section table cannot be read. Async-signal-safe in practice.
bool GetFaultModule(std::uintptr_t address, char* modulePath, std::size_t pathSize, unsigned& section,
                    std::uintptr_t& offset);
