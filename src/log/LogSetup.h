#pragma once
// What the program's start-up and shut-down call to set up logging and crash
// reports: the application name, the system-log appender, the optional log file,
// the crash handlers and the crash-log path.

#include <filesystem>
#include <string>

inline constexpr char kApplicationName[] = "Velmora";
inline constexpr char kLogFileName[] = "CVR_log.txt";
inline constexpr char kCrashLogFileName[] = "CVR_crash.log";
inline constexpr char kEventLogPattern[] = "%e|%m|%l";
inline constexpr char kFileLogPattern[] = "%d %t|%e|%s|%m|%l";

// "CVR_log.txt" in the user's documents folder (created when missing), else on the
// desktop, else in the program's state folder; never in the working directory. Empty
// when none of them can be had.
std::filesystem::path defaultLogFilePath();

// "CVR_crash.log" in the user's documents folder, else on the desktop, else in the
// program's state folder, named after the program with "log" after its first dot
// ("corvana" gives "corvana.log"). Empty when none of them exists.
std::filesystem::path defaultCrashLogPath();

struct LoggingSetup {
    bool logFileOpen = false; // the file appender was added
    std::string logFilePath;  // the log file, when one was asked for
    std::string crashLogPath; // where crash reports go (empty: none)
    bool crashHandlersInstalled = false;
};

// Start-up: sets the application name "Velmora", adds the system-log appender
// (ERROR, "%e|%m|%l") and, when `logToFile` (the Debug settings' decision), the
// file appender (DEBUG, "%d %t|%e|%s|%m|%l") on defaultLogFilePath(), logging
// "Writing log file to %s" (or an error when there is no folder for it or the file cannot
// be created); then
// sets the crash-log path and installs the crash handlers. Log lines name the
// caller's source file (__builtin_FILE() as a default argument is the caller's, in g++ and in
// clang++ 14, whose std::source_location with libstdc++ does not compile).
LoggingSetup setUpLogging(bool logToFile, const char* callerFile = __builtin_FILE());

// Shut-down: logs "Shutting down application and logging..." and destroys the logger.
void shutDownLogging(const char* callerFile = __builtin_FILE());
