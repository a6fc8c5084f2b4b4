#include "log/Log.h"
#include "platform/Clock.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <regex>
#include <set>
#include <sstream>
#include <syslog.h>
#include <thread>
#include <vector>

using testsupport::readFile;
using testsupport::TempDirTest;

namespace {

Clock::time_point utc(int y, unsigned mo, unsigned d, int h, int mi, int s, int ms) {
    using namespace std::chrono;
    return sys_days{year{y} / month{mo} / day{d}} + hours{h} + minutes{mi} + seconds{s} + milliseconds{ms};
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct Captured {
    int priority;
    std::string ident;
    std::string line;
};

// Each test starts with an empty logger named "Velmora" and leaves it empty.
class LoggerTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        Log::Destroy();
        Log::SetApplicationName("Velmora");
    }
    void TearDown() override {
        Log::Destroy();
        CEventLogAppender::SetCaptureHook({});
        TempDirTest::TearDown();
    }

    std::filesystem::path addFileAppender(const std::string& pattern, int minLevel = LOG_LEVEL_DEBUG,
                                          const std::string& name = "log.txt") {
        const auto file = path(name);
        auto appender = CFileLogAppender::Create(minLevel, file.string(), pattern);
        EXPECT_TRUE(appender);
        EXPECT_TRUE(Log::Instance()->AddAppender(std::move(appender)));
        return file;
    }

    // Sends what the event-log appenders report to `captured`; `accept` is the result.
    void captureEventLog(bool accept = true) {
        CEventLogAppender::SetCaptureHook(
            [this, accept](int priority, const std::string& ident, const std::string& line) {
                captured.push_back({priority, ident, line});
                return accept;
            });
    }

    std::vector<Captured> captured;
};

} // namespace

TEST(LogLine, PlaceHoldersAreFilledOnceEachInOrder) {
    FixedClock clock(utc(2024, 3, 5, 13, 7, 9, 42)); // 14:07:09.042 in Berlin
    ScopedClock useClock(clock);
    struct Case {
        const char* pattern;
        int level;
        const char* file;
        const char* message;
        const char* expected;
    };
    const Case cases[] = {
        {"%d %t|%e|%s|%m|%l", 200, "WPapier.cpp", "Init OLE...",
         "2024-03-05 14:07:09.042|INFO   |Velmora|WPapier.cpp|Init OLE..."},
        {"%e|%m|%l", 400, "download.cpp", "Timeout", "ERROR  |download.cpp|Timeout"},
        {"%l / %l", 200, "a.cpp", "once", "once / %l"},
        {"%t %t", 300, "a.cpp", "", "14:07:09.042 %t"},
        // The message goes in last: its own place holders stay as they are.
        {"%m: %l", 200, "a.cpp", "100%d %m %s %l done", "a.cpp: 100%d %m %s %l done"},
        {"[%s]", 500, "a.cpp", "x", "[Velmora]"},
        {"no place holders", 200, "a.cpp", "x", "no place holders"},
        {"%m|%l", 200, "", "", "|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        CEventLogAppender appender(LOG_LEVEL_DEBUG, c.pattern);
        appender.SetApplicationName("Velmora");
        std::string line;
        EXPECT_TRUE(appender.FormatLine(c.level, c.file, c.message, line));
        EXPECT_EQ(line, c.expected);
    }
}

TEST(LogLine, DateAndTimeAreLocalAndFromOneInstant) {
    struct Case {
        Clock::time_point at;
        const char* expected;
    };
    const Case cases[] = {
        {utc(2024, 3, 5, 13, 7, 9, 42), "2024-03-05 14:07:09.042"},    // winter time
        {utc(2024, 7, 1, 21, 59, 59, 999), "2024-07-01 23:59:59.999"}, // summer time
        {utc(2024, 12, 31, 23, 0, 0, 0), "2025-01-01 00:00:00.000"},   // the year turns locally
    };
    CEventLogAppender appender(LOG_LEVEL_DEBUG, "%d %t");
    for (const auto& c : cases) {
        FixedClock clock(c.at);
        ScopedClock useClock(clock);
        std::string line;
        appender.FormatLine(200, "a.cpp", "", line);
        EXPECT_EQ(line, c.expected);
    }
}

TEST(LogLine, LevelTexts) {
    const std::pair<int, const char*> cases[] = {{100, "DEBUG  "}, {200, "INFO   "}, {300, "WARNING"},
                                                 {400, "ERROR  "}, {500, "FATAL  "}, {250, "UNKNOWN"},
                                                 {0, "UNKNOWN"},   {-1, "UNKNOWN"},  {1000, "UNKNOWN"}};
    for (const auto& [level, text] : cases)
        EXPECT_STREQ(logLevelText(level), text) << level;
}

TEST_F(LoggerTest, AppendersWriteFromTheirMinimumLevelOn) {
    const auto from200 = addFileAppender("%e|%l", 200, "from200.txt");
    const auto from300 = addFileAppender("%e|%l", 300, "from300.txt");
    EXPECT_TRUE(LogMessage(250, "a.cpp", "between"));
    EXPECT_TRUE(LogMessage(300, "a.cpp", "warning"));
    EXPECT_TRUE(LogMessage(100, "a.cpp", "debug"));
    EXPECT_EQ(readFile(from200), "UNKNOWN|between\nWARNING|warning\n");
    EXPECT_EQ(readFile(from300), "WARNING|warning\n");
}

TEST_F(LoggerTest, LevelsBelowEveryAppenderAreNotWanted) {
    EXPECT_FALSE(Log::Instance()->IsLevelWanted(500));
    addFileAppender("%l", 300, "from300.txt");
    EXPECT_FALSE(Log::Instance()->IsLevelWanted(200));
    EXPECT_TRUE(Log::Instance()->IsLevelWanted(300));
    addFileAppender("%l", 100, "from100.txt");
    EXPECT_TRUE(Log::Instance()->IsLevelWanted(100));
    Log::Instance()->RemoveAllAppenders();
    EXPECT_FALSE(Log::Instance()->IsLevelWanted(500));
}

TEST_F(LoggerTest, SourcePathIsReducedToItsFileName) {
    const auto file = addFileAppender("%m");
    const char* paths[] = {"plain.cpp",
                           "C:\\src\\portfolio\\WPapierDoc.cpp",
                           "C:\\src\\",
                           "/home/u/src/download.cpp",
                           "a/b\\filtering.cpp",
                           "dir/",
                           nullptr};
    for (const char* p : paths)
        LogMessage(LOG_LEVEL_INFO, p, "x");
    CVR_LOG(LOG_LEVEL_INFO, "from the macro");
    EXPECT_EQ(readFile(file), "plain.cpp\nWPapierDoc.cpp\n\ndownload.cpp\nfiltering.cpp\n\n\nLog_test.cpp\n");
}

TEST_F(LoggerTest, MessageIsFormattedAndCutAt1023BytesOnACharacterBoundary) {
    const auto file = addFileAppender("%l");
    const std::string a1022(1022, 'a');
    struct Case {
        std::string message;
        std::string logged;
    };
    const Case cases[] = {
        {std::string(2000, 'x'), std::string(1023, 'x')},
        {std::string(1023, 'y'), std::string(1023, 'y')},
        {a1022 + "\xC3\xA9", a1022},                                   // é would need byte 1024
        {a1022.substr(1) + "\xE2\x82\xAC", a1022.substr(1)},           // € cut after two bytes
        {a1022.substr(2) + "\xF0\x9F\x98\x80" + "z", a1022.substr(2)}, // 😀 cut after three bytes
        {a1022.substr(3) + "\xF0\x9F\x98\x80" + "z", a1022.substr(3) + "\xF0\x9F\x98\x80"}, // ends exactly at 1023
    };
    for (const auto& c : cases)
        LogMessage(LOG_LEVEL_INFO, "a.cpp", "%s", c.message.c_str());
    LogMessage(LOG_LEVEL_INFO, "a.cpp", "%d items in %s: %.2f", 3, "Depot", 2.5);
    const auto lines = linesOf(readFile(file));
    ASSERT_EQ(lines.size(), std::size(cases) + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(lines[i], cases[i].logged) << "case " << i;
    EXPECT_EQ(lines.back(), "3 items in Depot: 2.50");
}

TEST_F(LoggerTest, EventLogGetsIdentPriorityAndLine) {
    captureEventLog();
    ASSERT_TRUE(Log::Instance()->AddAppender(std::make_unique<CEventLogAppender>(LOG_LEVEL_DEBUG, "%e|%m|%l")));
    const std::pair<int, int> priorities[] = {{100, LOG_INFO},    {200, LOG_INFO}, {250, LOG_INFO},
                                              {300, LOG_WARNING}, {400, LOG_ERR},  {500, LOG_ERR}};
    for (const auto& [level, priority] : priorities)
        EXPECT_TRUE(LogMessage(level, "C:\\src\\download.cpp", "level %d %s", level, "%s%n"));
    ASSERT_EQ(captured.size(), std::size(priorities));
    for (std::size_t i = 0; i < captured.size(); ++i) {
        EXPECT_EQ(captured[i].priority, priorities[i].second);
        EXPECT_EQ(captured[i].ident, "Velmora");
        EXPECT_EQ(captured[i].line, std::string(logLevelText(priorities[i].first)) + "|download.cpp|level " +
                                        std::to_string(priorities[i].first) + " %s%n");
    }
}

TEST_F(LoggerTest, EventLogBelowItsMinimumSendsNothingAndSucceeds) {
    captureEventLog(false);
    Log::Instance()->AddAppender(std::make_unique<CEventLogAppender>(LOG_LEVEL_ERROR, "%e|%m|%l"));
    EXPECT_TRUE(LogMessage(LOG_LEVEL_DEBUG, "a.cpp", "quiet"));
    EXPECT_TRUE(captured.empty());
    // A report the system refuses fails the call.
    EXPECT_FALSE(LogMessage(LOG_LEVEL_ERROR, "a.cpp", "refused"));
    EXPECT_EQ(captured.size(), 1u);
}

TEST_F(LoggerTest, LogFileThatCannotBeCreatedIsNotOpen) {
    CFileLogAppender missingFolder(LOG_LEVEL_DEBUG, path("missing/CVR_log.txt").c_str(), "%l");
    EXPECT_FALSE(missingFolder.IsOpen());
    EXPECT_FALSE(missingFolder.Append(LOG_LEVEL_ERROR, "a.cpp", "lost"));
    EXPECT_FALSE(CFileLogAppender::Create(LOG_LEVEL_DEBUG, path("missing/CVR_log.txt").string(), "%l"));
    EXPECT_FALSE(Log::Instance()->AddAppender(nullptr));
    EXPECT_EQ(Log::Instance()->GetAppenderCount(), 0u);
}

TEST_F(LoggerTest, FailedWriteIsReportedAndOtherAppendersStillWrite) {
    const auto good = addFileAppender("%l");
    auto full = CFileLogAppender::Create(LOG_LEVEL_DEBUG, "/dev/full", "%l");
    ASSERT_TRUE(full);
    EXPECT_FALSE(full->Open("/dev/full")); // already open
    Log::Instance()->AddAppender(std::move(full));
    EXPECT_FALSE(LogMessage(LOG_LEVEL_INFO, "a.cpp", "disk full"));
    EXPECT_EQ(readFile(good), "disk full\n");
}

TEST_F(LoggerTest, LogFileIsRewrittenAtOpenAndSharedWritersAppend) {
    const auto file = path("CVR_log.txt");
    testsupport::writeFile(file, "last run\n");
    CFileLogAppender first(LOG_LEVEL_DEBUG, file.c_str(), "%l");
    ASSERT_TRUE(first.IsOpen());
    EXPECT_EQ(first.GetPath(), file.string());
    EXPECT_EQ(readFile(file), "");
    first.Append(200, "a.cpp", "first 1");
    first.Append(200, "a.cpp", "first 2");
    // A second program start empties the file; both then write at its end.
    CFileLogAppender second(LOG_LEVEL_DEBUG, file.c_str(), "%l");
    second.Append(200, "a.cpp", "second 1");
    first.Append(200, "a.cpp", "first 3");
    second.Append(200, "a.cpp", "second 2");
    EXPECT_EQ(readFile(file), "second 1\nfirst 3\nsecond 2\n");
}

TEST_F(LoggerTest, AppendersKeepTheNameTheyWereAddedWith) {
    const auto before = addFileAppender("%s", LOG_LEVEL_DEBUG, "before.txt");
    Log::SetApplicationName("Renamed");
    const auto after = addFileAppender("%s", LOG_LEVEL_DEBUG, "after.txt");
    LogMessage(LOG_LEVEL_INFO, "a.cpp", "x");
    EXPECT_EQ(readFile(before), "Velmora\n");
    EXPECT_EQ(readFile(after), "Renamed\n");
    EXPECT_EQ(Log::GetApplicationName(), "Renamed");
}

TEST_F(LoggerTest, DestroyEmptiesTheLoggerWhichStaysUsable) {
    const auto file = addFileAppender("%l");
    EXPECT_TRUE(Log::Instance()->Write(LOG_LEVEL_INFO, "a.cpp", "kept"));
    Log::Destroy();
    EXPECT_EQ(Log::Instance()->GetAppenderCount(), 0u);
    EXPECT_TRUE(LogMessage(LOG_LEVEL_INFO, "a.cpp", "after destroy")); // no appender: nothing fails
    EXPECT_EQ(readFile(file), "kept\n");
    const auto again = addFileAppender("%l", LOG_LEVEL_DEBUG, "again.txt");
    LogMessage(LOG_LEVEL_INFO, "a.cpp", "new start");
    EXPECT_EQ(readFile(again), "new start\n");
}

TEST_F(LoggerTest, ThreadsLoggingAtOnceGiveWholeLinesEachOnce) {
    captureEventLog();
    const auto file = addFileAppender("%d %t|%e|%s|%m|%l");
    Log::Instance()->AddAppender(std::make_unique<CEventLogAppender>(LOG_LEVEL_DEBUG, "%l"));
    constexpr int kThreads = 8;
    constexpr int kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            const std::string padding(100 + t * 37, static_cast<char>('a' + t));
            for (int i = 0; i < kLines; ++i)
                LogMessage(LOG_LEVEL_INFO, "C:\\src\\download.cpp", "thread %d line %d %s", t, i, padding.c_str());
        });
    for (auto& thread : threads)
        thread.join();

    static const std::regex shape(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\|INFO   \|Velmora\|download\.cpp\|thread (\d) line (\d+) ([a-z]+))");
    std::set<std::pair<int, int>> seen;
    const auto lines = linesOf(readFile(file));
    EXPECT_EQ(lines.size(), std::size_t{kThreads * kLines});
    for (const auto& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
        const int t = std::stoi(m[1]);
        EXPECT_EQ(m[3].str(), std::string(100 + t * 37, static_cast<char>('a' + t)));
        EXPECT_TRUE(seen.emplace(t, std::stoi(m[2])).second) << line;
    }
    EXPECT_EQ(seen.size(), std::size_t{kThreads * kLines});
    // Both appenders saw the lines in the same order.
    ASSERT_EQ(captured.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_TRUE(lines[i].ends_with("|" + captured[i].line)) << i;
}

TEST_F(LoggerTest, LoggingWhileTheLoggerIsDestroyedIsSafe) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&stop] {
            while (!stop.load())
                LogMessage(LOG_LEVEL_WARNING, "a.cpp", "still working");
        });
    for (int round = 0; round < 50; ++round) {
        auto appender = CFileLogAppender::Create(LOG_LEVEL_DEBUG, path("round.txt").string(), "%l");
        ASSERT_TRUE(appender);
        Log::Instance()->AddAppender(std::move(appender));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        Log::Destroy();
    }
    stop = true;
    for (auto& thread : threads)
        thread.join();
    for (const auto& line : linesOf(readFile(path("round.txt"))))
        EXPECT_EQ(line, "still working");
}
