#include "log/Log.h"

#include "platform/Clock.h"
#include "platform/FileIo.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <syslog.h>
#include <unistd.h>

namespace {

// The application name; starts empty.
std::mutex g_nameMutex;
std::string& applicationName() {
    // Never destroyed: appenders may still be added by late threads during exit.
    alignas(std::string) static unsigned char storage[sizeof(std::string)];
    static std::string* const name = ::new (storage) std::string();
    return *name;
}

std::atomic<Log*> g_instance{nullptr};

std::mutex g_hookMutex;
CEventLogAppender::CaptureHook& captureHook() {
    alignas(CEventLogAppender::CaptureHook) static unsigned char storage[sizeof(CEventLogAppender::CaptureHook)];
    static auto* const hook = ::new (storage) CEventLogAppender::CaptureHook();
    return *hook;
}

void replaceFirst(std::string& text, std::string_view placeHolder, std::string_view replacement) {
    const auto pos = text.find(placeHolder);
    if (pos != std::string::npos)
        text.replace(pos, placeHolder.size(), replacement);
}

} // namespace

const char* logLevelText(int level) {
    switch (level) {
    case LOG_LEVEL_DEBUG:
        return "DEBUG  ";
    case LOG_LEVEL_INFO:
        return "INFO   ";
    case LOG_LEVEL_WARNING:
        return "WARNING";
    case LOG_LEVEL_ERROR:
        return "ERROR  ";
    case LOG_LEVEL_FATAL:
        return "FATAL  ";
    default:
        return "UNKNOWN";
    }
}

std::string_view sourceFileName(std::string_view sourcePath) {
    const auto pos = sourcePath.find_last_of("/\\");
    return pos == std::string_view::npos ? sourcePath : sourcePath.substr(pos + 1);
}

bool LogMessage(int level, const char* sourcePath, const char* format, ...) {
    Log* log = Log::Instance();
    if (!log->IsLevelWanted(level))
        return true; // no appender takes the line: do not format it
    // One byte beyond the message's limit shows whether the cut falls inside a character.
    char message[LogMessageBufferSize + 1];
    message[0] = '\0';
    std::size_t len = 0;
    if (format) {
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(message, sizeof message, format, args);
        va_end(args);
        if (n > 0) {
            len = std::min(static_cast<std::size_t>(n), LogMessageBufferSize);
            len = textcodec::utf8PrefixLength(std::string_view(message, len), LogMessageBufferSize - 1);
        }
    }
    len = strnlen(message, len);
    return log->Write(level, sourceFileName(sourcePath ? sourcePath : ""), std::string_view(message, len));
}

// --- CLogAppender ---

CLogAppender::CLogAppender(int minLevel, std::string pattern)
    : m_nMinLevel(minLevel), m_strPattern(std::move(pattern)) {}

void CLogAppender::SetApplicationName(std::string_view name) {
    m_strApplicationName = name;
}

bool CLogAppender::FormatLine(int level, std::string_view fileName, std::string_view message, std::string& out) const {
    // Date, time and milliseconds all come from one reading of the clock.
    using namespace std::chrono;
    const auto now = currentClock().now();
    const auto seconds = floor<std::chrono::seconds>(now);
    const auto millis = duration_cast<milliseconds>(now - seconds).count();
    const std::time_t t = system_clock::to_time_t(seconds);
    std::tm local{};
    localtime_r(&t, &local);

    char date[80];
    char time[80];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));

    // Each place holder's first occurrence, in this order; the message goes in
    // last so its own '%' sequences stay untouched.
    out = m_strPattern;
    replaceFirst(out, "%d", date);
    replaceFirst(out, "%t", time);
    replaceFirst(out, "%e", logLevelText(level));
    replaceFirst(out, "%s", m_strApplicationName);
    replaceFirst(out, "%m", fileName);
    replaceFirst(out, "%l", message);
    return true;
}

// --- CEventLogAppender ---

CEventLogAppender::CEventLogAppender(int minLevel, std::string pattern) : CLogAppender(minLevel, std::move(pattern)) {}

CEventLogAppender::~CEventLogAppender() {
    if (m_bRegistered)
        DeregisterSource();
}

bool CEventLogAppender::RegisterSource(std::string_view name) {
    if (m_bRegistered)
        DeregisterSource();
    m_strSource = name;
    // syslog keeps the ident pointer; m_strSource stays unchanged until DeregisterSource.
    openlog(m_strSource.c_str(), LOG_PID, LOG_USER);
    m_bRegistered = true;
    return true;
}

bool CEventLogAppender::DeregisterSource() {
    if (!m_bRegistered)
        return false;
    closelog();
    m_bRegistered = false;
    return true;
}

int CEventLogAppender::SyslogPriority(int level) {
    switch (level) {
    case LOG_LEVEL_WARNING:
        return LOG_WARNING;
    case LOG_LEVEL_ERROR:
    case LOG_LEVEL_FATAL:
        return LOG_ERR;
    default:
        return LOG_INFO;
    }
}

void CEventLogAppender::SetCaptureHook(CaptureHook hook) {
    std::lock_guard lock(g_hookMutex);
    captureHook() = std::move(hook);
}

bool CEventLogAppender::Append(int level, std::string_view fileName, std::string_view message) {
    if (level < m_nMinLevel)
        return true;
    if (!m_bRegistered && !RegisterSource(m_strApplicationName))
        return false;
    std::string line;
    FormatLine(level, fileName, message, line);
    const int priority = SyslogPriority(level);

    CaptureHook hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = captureHook();
    }
    if (hook)
        return hook(priority, m_strSource, line);
    // The line is data, never the format.
    syslog(LOG_USER | priority, "%s", line.c_str());
    return true;
}

// --- CFileLogAppender ---

CFileLogAppender::CFileLogAppender(int minLevel, const char* path, std::string pattern)
    : CLogAppender(minLevel, std::move(pattern)) {
    Open(path);
}

CFileLogAppender::~CFileLogAppender() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_bOpen = false;
    m_strPath.clear();
}

std::unique_ptr<CFileLogAppender> CFileLogAppender::Create(int minLevel, const std::string& path, std::string pattern) {
    auto appender = std::make_unique<CFileLogAppender>(minLevel, path.c_str(), std::move(pattern));
    if (!appender->IsOpen())
        return nullptr;
    return appender;
}

bool CFileLogAppender::Open(const char* path) {
    if (m_bOpen || !path)
        return false;
    // Emptied at every start; O_APPEND puts each line at the file's current end
    // even when another process writes the same file.
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    m_fd = fd;
    m_strPath = path;
    m_bOpen = true;
    return true;
}

bool CFileLogAppender::Append(int level, std::string_view fileName, std::string_view message) {
    if (level < m_nMinLevel)
        return true;
    std::string line;
    FormatLine(level, fileName, message, line);
    if (!m_bOpen)
        return false;
    line += '\n';
    // The whole line in one call, so lines of different writers never mix.
    return fileio::writeAll(m_fd, line.data(), line.size());
}

// --- Log ---

Log::Log() {
    {
        std::lock_guard lock(g_nameMutex);
        if (applicationName().empty())
            applicationName() = __FILE__;
    }
    g_instance.store(this, std::memory_order_release);
}

Log* Log::Instance() {
    // Constructed once (thread-safe) and never destroyed.
    alignas(Log) static unsigned char storage[sizeof(Log)];
    static Log* const instance = ::new (storage) Log();
    return instance;
}

void Log::SetApplicationName(std::string_view name) {
    std::lock_guard lock(g_nameMutex);
    applicationName() = name;
}

std::string Log::GetApplicationName() {
    std::lock_guard lock(g_nameMutex);
    return applicationName();
}

bool Log::AddAppender(std::unique_ptr<CLogAppender> appender) {
    if (!appender)
        return false;
    appender->SetApplicationName(GetApplicationName());
    std::lock_guard lock(m_mutex);
    const int minLevel = appender->GetMinLevel();
    m_appenders.push_back(std::move(appender));
    if (minLevel < m_lowestLevel.load())
        m_lowestLevel.store(minLevel);
    return true;
}

bool Log::Write(int level, std::string_view fileName, std::string_view message) {
    std::lock_guard lock(m_mutex);
    bool ok = true;
    for (const auto& appender : m_appenders)
        ok = appender->Append(level, fileName, message) && ok;
    return ok;
}

void Log::RemoveAllAppenders() {
    std::lock_guard lock(m_mutex);
    m_lowestLevel.store(std::numeric_limits<int>::max());
    for (auto& appender : m_appenders)
        appender.reset();
    m_appenders.clear();
}

std::size_t Log::GetAppenderCount() const {
    std::lock_guard lock(m_mutex);
    return m_appenders.size();
}

void Log::Destroy() {
    if (Log* log = g_instance.load(std::memory_order_acquire))
        log->RemoveAllAppenders();
}
