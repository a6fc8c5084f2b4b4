#include "log/LogSetup.h"

#include "log/CrashReport.h"
#include "log/Log.h"
#include "platform/Paths.h"

#include <memory>

namespace {

std::filesystem::path inUserFolder(const char* fileName) {
    if (auto documents = paths::documentsFolder())
        return *documents / fileName;
    if (auto desktop = paths::desktopFolder())
        return *desktop / fileName;
    return {};
}

} // namespace

std::filesystem::path defaultLogFilePath() {
    if (auto documents = paths::documentsFolder(true))
        return *documents / kLogFileName;
    if (auto desktop = paths::desktopFolder())
        return *desktop / kLogFileName;
    if (auto state = paths::stateFolder())
        return *state / kLogFileName;
    return {};
}

std::filesystem::path defaultCrashLogPath() {
    auto path = inUserFolder(kCrashLogFileName);
    if (!path.empty())
        return path;
    const auto state = paths::stateFolder();
    if (!state)
        return {};
    std::string name = paths::programPath().filename().string();
    if (name.empty())
        name = "corvana";
    const auto dot = name.find('.');
    // Without a dot, "log" becomes the extension, never the program's own name.
    name = dot == std::string::npos ? name + ".log" : name.substr(0, dot + 1) + "log";
    return *state / name;
}

LoggingSetup setUpLogging(bool logToFile, const char* callerFile) {
    LoggingSetup result;
    Log* log = Log::Instance();
    Log::SetApplicationName(kApplicationName);
    log->AddAppender(std::make_unique<CEventLogAppender>(LOG_LEVEL_ERROR, kEventLogPattern));
    if (logToFile) {
        result.logFilePath = defaultLogFilePath().string();
        if (result.logFilePath.empty()) {
            LogMessage(LOG_LEVEL_ERROR, callerFile, "Cannot create log file %s: no folder for it", kLogFileName);
        } else if (auto file = CFileLogAppender::Create(LOG_LEVEL_DEBUG, result.logFilePath, kFileLogPattern)) {
            result.logFilePath = file->GetPath();
            result.logFileOpen = log->AddAppender(std::move(file));
            LogMessage(LOG_LEVEL_INFO, callerFile, "Writing log file to %s", result.logFilePath.c_str());
        } else {
            LogMessage(LOG_LEVEL_ERROR, callerFile, "Cannot create log file %s", result.logFilePath.c_str());
        }
    }
    result.crashLogPath = defaultCrashLogPath().string();
    if (!result.crashLogPath.empty() && !SetCrashLogPath(result.crashLogPath.c_str()))
        result.crashLogPath.clear();
    result.crashHandlersInstalled = installCrashHandlers();
    return result;
}

void shutDownLogging(const char* callerFile) {
    LogMessage(LOG_LEVEL_INFO, callerFile, "Shutting down application and logging...");
    Log::Destroy();
}
