#pragma once
// The logger: one process-wide Log with an ordered list of appenders, and the
// logging call LogMessage that every part of the program uses, from any thread.
//
//   CVR_LOG(LOG_LEVEL_INFO, "Loaded %d items", count);
//
// Each appender has a minimum level and a line pattern with the place holders
// %d (date), %t (time with milliseconds), %e (level text), %s (application
// name), %m (source file name) and %l (message).

#include <atomic>
#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// Levels. Any other int is accepted and prints as "UNKNOWN".
using LogLevel = int;
inline constexpr LogLevel LOG_LEVEL_DEBUG = 100;
inline constexpr LogLevel LOG_LEVEL_INFO = 200;
inline constexpr LogLevel LOG_LEVEL_WARNING = 300;
inline constexpr LogLevel LOG_LEVEL_ERROR = 400;
inline constexpr LogLevel LOG_LEVEL_FATAL = 500;

// A message with its terminating zero: at most 1023 bytes of text.
inline constexpr std::size_t LogMessageBufferSize = 1024;

// The seven-character text of a level: "DEBUG  ", "INFO   ", ..., "UNKNOWN".
const char* logLevelText(int level);

// The file name of a source path: the text after its last '/' or '\'.
std::string_view sourceFileName(std::string_view sourcePath);

// Formats the message printf-style (cut to 1023 bytes, on a UTF-8 character
// boundary), reduces `sourcePath` to its file name and writes the line to every
// appender of the logger. Returns whether every appender succeeded.
bool LogMessage(int level, const char* sourcePath, const char* format, ...) __attribute__((format(printf, 3, 4)));

// LogMessage with the caller's own source file.
#define CVR_LOG(level, ...) LogMessage((level), __FILE__, __VA_ARGS__)

// One output of the logger.
class CLogAppender {
public:
    CLogAppender(int minLevel, std::string pattern);
    virtual ~CLogAppender() = default;
    CLogAppender(const CLogAppender&) = delete;
    CLogAppender& operator=(const CLogAppender&) = delete;

    // Writes one line when `level` is at least the minimum level (true without
    // output otherwise); returns whether the line was written.
    virtual bool Append(int level, std::string_view fileName, std::string_view message) = 0;

    void SetApplicationName(std::string_view name);
    const std::string& GetApplicationName() const { return m_strApplicationName; }
    int GetMinLevel() const { return m_nMinLevel; }
    const std::string& GetPattern() const { return m_strPattern; }

    // Fills the line pattern for one message, with the current local time read once.
    bool FormatLine(int level, std::string_view fileName, std::string_view message, std::string& out) const;

protected:
    int m_nMinLevel;
    std::string m_strPattern;
    std::string m_strApplicationName;
};

// Writes to the system log (syslog), with the application name as ident.
// Priorities: 300 warning, 400 and 500 error, every other level info.
class CEventLogAppender : public CLogAppender {
public:
    // Receives what would be sent to syslog (priority, ident, line) instead of
    // syslog, and decides whether the report succeeded. For tests.
    using CaptureHook = std::function<bool(int priority, const std::string& ident, const std::string& line)>;

    CEventLogAppender(int minLevel, std::string pattern);
    ~CEventLogAppender() override;

    bool Append(int level, std::string_view fileName, std::string_view message) override;

    bool RegisterSource(std::string_view name);
    bool DeregisterSource();
    bool IsRegistered() const { return m_bRegistered; }

    // The syslog priority of a level.
    static int SyslogPriority(int level);

    // Installs (or, with an empty hook, removes) the capture hook for all event-log appenders.
    static void SetCaptureHook(CaptureHook hook);

private:
    std::string m_strSource; // the ident syslog keeps a pointer to while registered
    bool m_bRegistered = false;
};

// Writes to a text file that is emptied when the appender opens it; every line
// is appended to the file's current end, so other writers of the same file do
// not overwrite it.
class CFileLogAppender : public CLogAppender {
public:
    // Opens the file at once; check IsOpen() (or use Create).
    CFileLogAppender(int minLevel, const char* path, std::string pattern);
    ~CFileLogAppender() override;

    // The appender on `path`, or null when the file cannot be created.
    static std::unique_ptr<CFileLogAppender> Create(int minLevel, const std::string& path, std::string pattern);

    // Creates or empties the file; false when already open or when it cannot be created.
    bool Open(const char* path);
    bool IsOpen() const { return m_bOpen; }
    std::string GetPath() const { return m_strPath; }

    bool Append(int level, std::string_view fileName, std::string_view message) override;

private:
    std::string m_strPath;
    int m_fd = -1;
    bool m_bOpen = false;
};

// The process-wide logger. The instance lives until the process ends, so a
// thread that still logs while the program shuts down never touches freed memory;
// Destroy only removes the appenders.
class Log {
public:
    // The logger, created on first use.
    static Log* Instance();

    // Replaces the application name that appenders added later receive.
    static void SetApplicationName(std::string_view name);
    static std::string GetApplicationName();

    // Takes ownership of the appender and appends it to the list; false for null.
    bool AddAppender(std::unique_ptr<CLogAppender> appender);

    // Hands the line to every appender in order under the mutex; true when all succeeded.
    bool Write(int level, std::string_view fileName, std::string_view message);

    // Destroys every appender and empties the list.
    void RemoveAllAppenders();

    std::size_t GetAppenderCount() const;

    // Whether a line of this level reaches any appender (no lock: callers use it to skip
    // formatting lines nobody receives).
    bool IsLevelWanted(int level) const { return level >= m_lowestLevel.load(std::memory_order_relaxed); }

    // Shut-down: removes every appender of the logger, when it exists. Logging
    // afterwards writes nothing; appenders can be added again.
    static void Destroy();

private:
    Log();
    ~Log() = default;

    mutable std::recursive_mutex m_mutex;
    std::vector<std::unique_ptr<CLogAppender>> m_appenders;
    // The lowest minimum level of the appenders; above every level when there is none.
    std::atomic<int> m_lowestLevel{std::numeric_limits<int>::max()};
};

// Whether a DEBUG line written now can reach any output: callers skip building lines (formatted
// dates) nobody receives.
inline bool debugLogWanted() {
    return Log::Instance()->IsLevelWanted(LOG_LEVEL_DEBUG);
}
