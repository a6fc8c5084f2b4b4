#include "log/CrashReport.h"
#include "log/Log.h"
#include "log/LogSetup.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <regex>
#include <unistd.h>

using testsupport::readFile;
using testsupport::TempDirTest;

namespace {

class LogSetupTest : public TempDirTest {
protected:
    void TearDown() override {
        Log::Destroy();
        CEventLogAppender::SetCaptureHook({});
        TempDirTest::TearDown();
    }
};

// Runs the body with `folder` as the current directory.
template <typename F> void inFolder(const std::filesystem::path& folder, F body) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    body();
    std::filesystem::current_path(previous);
}

} // namespace

// The log file goes to the documents folder, created when missing; where it cannot be created, to
// the desktop, else to the program's state folder; never to the working directory. Crash reports
// go to an existing documents folder, else the desktop, else the state folder.
TEST_F(LogSetupTest, FilesGoToDocumentsElseDesktopElseStateFolder) {
    const auto home = dir() / "home";
    const auto state = home / ".local/state/corvana";
    // A file where the documents folder would be: it cannot be created.
    testsupport::writeFile(home / "Documents", "");
    EXPECT_EQ(defaultLogFilePath(), state / "CVR_log.txt");
    EXPECT_EQ(defaultCrashLogPath(), state / "corvana_log_tests.log");

    std::filesystem::create_directories(home / "Desktop");
    EXPECT_EQ(defaultLogFilePath(), home / "Desktop/CVR_log.txt");
    EXPECT_EQ(defaultCrashLogPath(), home / "Desktop/CVR_crash.log");

    std::filesystem::remove(home / "Documents");
    EXPECT_EQ(defaultLogFilePath(), home / "Documents/CVR_log.txt");
    EXPECT_TRUE(std::filesystem::is_directory(home / "Documents"));
    EXPECT_EQ(defaultCrashLogPath(), home / "Documents/CVR_crash.log");
}

TEST_F(LogSetupTest, StartUpWithLogFileWritesItAndShutDownEndsIt) {
    std::filesystem::create_directories(dir() / "home/Documents");
    testsupport::writeFile(dir() / "home/Documents/CVR_log.txt", "old run\n");
    std::vector<std::string> events;
    CEventLogAppender::SetCaptureHook([&events](int, const std::string& ident, const std::string& line) {
        events.push_back(ident + ": " + line);
        return true;
    });

    const LoggingSetup setup = setUpLogging(true);
    const auto logFile = dir() / "home/Documents/CVR_log.txt";
    EXPECT_TRUE(setup.logFileOpen);
    EXPECT_EQ(setup.logFilePath, logFile.string());
    EXPECT_EQ(setup.crashLogPath, (dir() / "home/Documents/CVR_crash.log").string());
    EXPECT_EQ(GetCrashLogPath(), setup.crashLogPath);
    EXPECT_TRUE(setup.crashHandlersInstalled);
    EXPECT_EQ(Log::Instance()->GetAppenderCount(), 2u);

    CVR_LOG(LOG_LEVEL_ERROR, "Download failed");
    shutDownLogging();
    EXPECT_EQ(Log::Instance()->GetAppenderCount(), 0u);

    const std::string text = readFile(logFile);
    const std::regex expected(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\|INFO   \|Velmora\|LogSetup_test\.cpp\|Writing log file to )" +
        logFile.string() +
        "\n"
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\|ERROR  \|Velmora\|LogSetup_test\.cpp\|Download failed)"
        "\n"
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\|INFO   \|Velmora\|LogSetup_test\.cpp\|Shutting down application and logging\.\.\.)"
        "\n");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
    // The system log gets errors only.
    EXPECT_EQ(events, std::vector<std::string>{"Velmora: ERROR  |LogSetup_test.cpp|Download failed"});
}

TEST_F(LogSetupTest, StartUpWithoutLogFileHasOnlyTheSystemLog) {
    std::filesystem::create_directories(dir() / "home/Documents");
    const LoggingSetup setup = setUpLogging(false);
    EXPECT_FALSE(setup.logFileOpen);
    EXPECT_EQ(Log::Instance()->GetAppenderCount(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir() / "home/Documents/CVR_log.txt"));
}

TEST_F(LogSetupTest, LogFileThatCannotBeCreatedIsReported) {
    // A folder where the log file should be.
    std::filesystem::create_directories(dir() / "home/Documents/CVR_log.txt");
    std::vector<std::string> events;
    CEventLogAppender::SetCaptureHook([&events](int, const std::string&, const std::string& line) {
        events.push_back(line);
        return true;
    });
    const LoggingSetup setup = setUpLogging(true);
    EXPECT_FALSE(setup.logFileOpen);
    EXPECT_EQ(Log::Instance()->GetAppenderCount(), 1u);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0],
              "ERROR  |LogSetup_test.cpp|Cannot create log file " + (dir() / "home/Documents/CVR_log.txt").string());
}

// Under a working directory of its own (the checkout, under `make run`): without a documents folder
// the log file is written to a new one; when no folder at all can be had, there is no log file and
// the system log says so, and the working directory still gets none.
TEST_F(LogSetupTest, TheLogFileNeverLandsInTheWorkingDirectory) {
    const auto work = dir() / "work";
    std::filesystem::create_directories(work);
    inFolder(work, [&] {
        const LoggingSetup setup = setUpLogging(true);
        EXPECT_TRUE(setup.logFileOpen);
        EXPECT_EQ(setup.logFilePath, (dir() / "home/Documents/CVR_log.txt").string());
        shutDownLogging();
    });
    EXPECT_NE(readFile(dir() / "home/Documents/CVR_log.txt")
                  .find("|Writing log file to " + (dir() / "home/Documents/CVR_log.txt").string() + "\n"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(work));

    // Neither documents folder nor desktop nor state folder.
    std::filesystem::remove_all(dir() / "home/Documents");
    testsupport::writeFile(dir() / "home/Documents", "");
    std::filesystem::remove_all(dir() / "home/.local/state");
    testsupport::writeFile(dir() / "home/.local/state", "");
    std::vector<std::string> events;
    CEventLogAppender::SetCaptureHook([&events](int, const std::string&, const std::string& line) {
        events.push_back(line);
        return true;
    });
    inFolder(work, [&] {
        const LoggingSetup setup = setUpLogging(true);
        EXPECT_FALSE(setup.logFileOpen);
        EXPECT_EQ(Log::Instance()->GetAppenderCount(), 1u);
        shutDownLogging();
    });
    EXPECT_TRUE(std::filesystem::is_empty(work));
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0], "ERROR  |LogSetup_test.cpp|Cannot create log file CVR_log.txt: no folder for it");
}
