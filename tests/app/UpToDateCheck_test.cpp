// The up-to-date check against a real HTTPS server on 127.0.0.1: the installed date, the
// server's Last-Modified date, the decision, the texts and the posted result.
#include "ReleaseServer.h"
#include "app/UpToDateCheck.h"
#include "framework/MessageBoxes.h"
#include "platform/Settings.h"
#include "portfolio/PortfolioHost.h"
#include "support/LogCapture.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordingReceiver.h"
#include "support/Sanitizer.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

using testsupport::HttpReply;
using testsupport::LoopbackHttpServer;

namespace {

using namespace releasetest;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class UpToDateCheckTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        unsetProxies();
        m_cert = testsupport::makeSelfSignedCertificate(dir());
        m_server = std::make_unique<LoopbackHttpServer>(m_cert);
        m_queue = std::make_shared<ManualMessageQueue>();
        m_registration = ReceiverRegistration(MessageTarget::instance(), m_receiver, m_queue);

        fs::create_directories(dir() / "program");
        testsupport::writeFile(dir() / "program" / "release.txt", "installed release\n");
        setModificationTime(dir() / "program" / "release.txt", installedMoment());
        m_settings.server = m_server->url("");
        m_settings.request.caFile = m_cert.certFile.string();
        m_settings.dataFolder = dir() / "program";
        m_settings.programFile = dir() / "program" / "corvana";
    }

    void TearDown() override {
        m_server.reset();
        m_registration.reset();
        m_queue->drain();
        TempDirTest::TearDown();
    }

    // Runs a check on the checker's thread and returns the result posted to the receiver.
    std::unique_ptr<ReleaseCheckResult> check(UpToDateChecker& checker) {
        EXPECT_TRUE(checker.start(m_settings, m_registration.id()));
        EXPECT_TRUE(checker.wait(20s));
        m_queue->drain();
        auto messages = m_receiver.take();
        if (messages.size() != 1) {
            ADD_FAILURE() << messages.size() << " results";
            return nullptr;
        }
        EXPECT_EQ(messages[0].message, WMU_RELEASE_CHECK_RESULT);
        auto* result = messages[0].recordAs<ReleaseCheckResult>();
        EXPECT_NE(result, nullptr);
        messages[0].record.release();
        return std::unique_ptr<ReleaseCheckResult>(result);
    }

    testsupport::TestCertificate m_cert;
    std::unique_ptr<LoopbackHttpServer> m_server;
    UpToDateCheckSettings m_settings;
    std::shared_ptr<ManualMessageQueue> m_queue;
    testsupport::RecordingReceiver m_receiver;
    ReceiverRegistration m_registration;
};

TEST_F(UpToDateCheckTest, TheServerDateDecidesAndOnlyAnAnswerStoresTheDate) {
    const std::time_t installed = installedMoment();
    struct Case {
        const char* name;
        HttpReply reply;
        ReleaseCheckOutcome outcome;
        std::string text;
        unsigned icon;
        std::string notes;
        long long days;
    };
    const std::vector<Case> cases = {
        {"one day 23 hours later", releaseNotes("notes\n", installed + 47 * 3600), ReleaseCheckOutcome::UpToDate,
         "Corvana is up-to-date!  ", MB_ICONINFORMATION, "", 0},
        {"a week earlier", releaseNotes("notes\n", installed - 7 * 86400), ReleaseCheckOutcome::UpToDate,
         "Corvana is up-to-date!  ", MB_ICONINFORMATION, "", 0},
        {"two days later, bare line feeds", releaseNotes("Release 4.78\n- faster\n- safer\n", installed + 2 * 86400),
         ReleaseCheckOutcome::NewerRelease, "", MB_ICONEXCLAMATION, "Release 4.78\r\n- faster\r\n- safer\r\n", 2},
        {"ten days later, mixed line ends kept", releaseNotes("a\r\nb\nc", installed + 10 * 86400),
         ReleaseCheckOutcome::NewerRelease, "", MB_ICONEXCLAMATION, "a\r\nb\nc", 10},
        {"not found", HttpReply::error(404), ReleaseCheckOutcome::NotFound,
         "Up-to-date check error:\nfile not found on server!", MB_ICONEXCLAMATION, "", 0},
        {"no Last-Modified", releaseNotes("notes\n", std::nullopt), ReleaseCheckOutcome::NoReleaseDate,
         "Up-to-date check error:\nCould not retrieve current release date!", MB_ICONEXCLAMATION, "", 0},
    };
    UpToDateChecker checker;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_server->reply("/release.txt", c.reply);
        const auto result = check(checker);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->outcome, c.outcome);
        EXPECT_EQ(result->text, c.text);
        if (c.outcome != ReleaseCheckOutcome::NewerRelease) {
            EXPECT_EQ(result->icon, c.icon);
        }
        EXPECT_EQ(result->releaseNotes, c.notes);
        EXPECT_EQ(result->daysNewer, c.days);
        EXPECT_TRUE(datesEqual(result->installedDate, OleDate(2023, 3, 10, 12, 0, 0)));
        const bool answered =
            c.outcome == ReleaseCheckOutcome::UpToDate || c.outcome == ReleaseCheckOutcome::NewerRelease;
        EXPECT_EQ(storesLastUpToDateCheck(result->outcome), answered);
    }
    const auto requests = m_server->requests();
    ASSERT_EQ(requests.size(), cases.size());
    for (const auto& request : requests) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.path, "/release.txt");
        EXPECT_EQ(request.headers.at("user-agent"), "Corvana");
    }
}

TEST_F(UpToDateCheckTest, TheCheckLogsBothDatesAndHowMuchNewerTheReleaseIs) {
    testsupport::LogCapture log;
    m_server->reply("/release.txt", releaseNotes("notes", installedMoment() + 3 * 86400 + 3600));
    UpToDateChecker checker;
    const auto result = check(checker);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->outcome, ReleaseCheckOutcome::NewerRelease);
    EXPECT_TRUE(datesEqual(result->serverDate, OleDate(2023, 3, 13, 13, 0, 0)));
    const std::string releaseFile = (dir() / "program" / "release.txt").string();
    EXPECT_TRUE(log.contains(LOG_LEVEL_INFO, "Installed CVR release date: 03/10/23 (" + releaseFile + ")"));
    EXPECT_TRUE(log.contains(LOG_LEVEL_INFO, "Server CVR release date: 03/13/23"));
    EXPECT_TRUE(log.contains(LOG_LEVEL_INFO, "Newer version available! (3 days newer)"));
    for (const auto& line : log.lines())
        EXPECT_EQ(line.file, "WPapier.cpp") << line.message;
}

TEST_F(UpToDateCheckTest, TransferFailuresEndInTheErrorBoxWithoutStoringTheDate) {
    // A server that accepts the request and never answers: the check gives up at its limit.
    m_server->reply("/release.txt", HttpReply::silence());
    m_settings.request.totalTimeout = 1s;
    UpToDateChecker checker;
    const auto start = std::chrono::steady_clock::now();
    auto result = check(checker);
    ASSERT_NE(result, nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(result->outcome, ReleaseCheckOutcome::TransferError);
    EXPECT_EQ(result->text, "Up-to-date check error:\nTimeout was reached");
    EXPECT_EQ(result->icon, MB_ICONEXCLAMATION);
    EXPECT_FALSE(storesLastUpToDateCheck(result->outcome));

    m_settings.request.totalTimeout = 30s;

    // Plain http is never asked, not even of a server that would answer.
    LoopbackHttpServer plain;
    plain.reply("/release.txt", releaseNotes("notes", installedMoment() + 5 * 86400));
    m_settings.server = plain.url("");
    result = check(checker);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->outcome, ReleaseCheckOutcome::TransferError);
    EXPECT_TRUE(result->text.starts_with("Up-to-date check error:\n")) << result->text;
    EXPECT_GT(result->text.size(), std::string("Up-to-date check error:\n").size());
    EXPECT_EQ(plain.requestCount(), 0u);

    // A certificate the program does not trust.
    m_settings.server = m_server->url("");
    m_settings.request.caFile.clear();
    m_server->reply("/release.txt", releaseNotes("notes", installedMoment() + 5 * 86400));
    result = check(checker);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->outcome, ReleaseCheckOutcome::TransferError);
    EXPECT_NE(result->text.find("certificate"), std::string::npos) << result->text;
}

TEST_F(UpToDateCheckTest, AnOwnerThatGoesStopsTheCheckAtOnceAndNothingIsPosted) {
    m_server->reply("/release.txt", HttpReply::silence());
    const auto start = std::chrono::steady_clock::now();
    {
        UpToDateChecker checker;
        ASSERT_TRUE(checker.start(m_settings, m_registration.id()));
        EXPECT_FALSE(checker.start(m_settings, m_registration.id())) << "one check at a time";
        // Wait until the request is in, then let the checker go with the default 30-second limit.
        while (m_server->requestCount() == 0 && std::chrono::steady_clock::now() - start < 10s)
            std::this_thread::sleep_for(10ms);
        EXPECT_TRUE(checker.running());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    m_queue->drain();
    EXPECT_EQ(m_receiver.count(), 0u);
}

// A result handled the moment it is queued (on the checker's thread here) may start the next check:
// the check is over before its result goes out.
TEST_F(UpToDateCheckTest, TheCheckIsOverBeforeItsResultIsPosted) {
    struct NotingQueue : MessageQueue {
        NotingQueue(const UpToDateChecker& checker, std::shared_ptr<ManualMessageQueue> queue)
            : checker(checker), queue(std::move(queue)) {}
        void enqueue(Delivery delivery) override {
            runningWhenQueued.push_back(checker.running() ? 1 : 0);
            queue->enqueue(std::move(delivery));
        }
        const UpToDateChecker& checker;
        std::shared_ptr<ManualMessageQueue> queue;
        std::vector<int> runningWhenQueued;
    };
    m_server->reply("/release.txt", releaseNotes("notes\n", installedMoment()));
    UpToDateChecker checker;
    auto noting = std::make_shared<NotingQueue>(checker, m_queue);
    const ReceiverRegistration registration(MessageTarget::instance(), m_receiver, noting);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(checker.start(m_settings, registration.id())) << round;
        ASSERT_TRUE(checker.wait(testsupport::sanitizerScaled(std::chrono::milliseconds(20s)))) << round;
    }
    EXPECT_EQ(noting->runningWhenQueued, (std::vector<int>{0, 0}));
    EXPECT_EQ(m_queue->drain(), 2u);
    EXPECT_EQ(m_receiver.take().size(), 2u);
}

TEST_F(UpToDateCheckTest, TheInstalledDateComesFromTheReleaseNotesElseTheProgramElse2006) {
    const fs::path folder = dir() / "install";
    const fs::path program = folder / "corvana";
    fs::create_directories(folder);
    testsupport::writeFile(program, "program");
    setModificationTime(program, *OleDate(2023, 3, 10, 8, 30, 0).toTimeT());
    testsupport::LogCapture log;
    OleDate date;

    GetInstalledReleaseDate(date, folder, program);
    EXPECT_TRUE(datesEqual(date, OleDate(2023, 3, 10, 8, 30, 0)));
    EXPECT_TRUE(log.contains(LOG_LEVEL_INFO, "Installed CVR release date: 03/10/23 (" + program.string() + ")"));

    testsupport::writeFile(folder / "release.txt", "notes");
    setModificationTime(folder / "release.txt", *OleDate(2024, 5, 1, 9, 0, 0).toTimeT());
    GetInstalledReleaseDate(date, folder, program);
    EXPECT_TRUE(datesEqual(date, OleDate(2024, 5, 1, 9, 0, 0)));

    log.clear();
    GetInstalledReleaseDate(date, dir() / "nowhere", dir() / "nowhere" / "corvana");
    EXPECT_TRUE(datesEqual(date, OleDate(2006, 1, 1, 0, 0, 0)));
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Installed CVR release date: Unknown! (couldn't open '" +
                                                       (dir() / "nowhere" / "release.txt").string() + "')"});
}

TEST_F(UpToDateCheckTest, TheProgramsSettingsGiveTheProxyRuleAndTheServer) {
    ProgramOptions options;
    options.StandardProxy = 0;
    options.ProxyAddress = "cache.example";
    options.ProxyPort = 3128;
    SettingsStore store(dir() / "store.conf");
    UpToDateCheckSettings settings = upToDateCheckSettings(options, store);
    EXPECT_FALSE(settings.request.standardProxy);
    EXPECT_EQ(settings.request.proxyAddress, "cache.example");
    EXPECT_EQ(settings.request.proxyPort, 3128);
    EXPECT_EQ(settings.request.connectTimeout, 10s);
    EXPECT_EQ(settings.request.totalTimeout, 30s);
    EXPECT_EQ(settings.server, defaultReleaseServer());
    EXPECT_TRUE(settings.server.starts_with("https://"));

    options.StandardProxy = 1;
    store.writeString("GeneralOptions", "ReleaseServer", "https://127.0.0.1:8443/");
    settings = upToDateCheckSettings(options, store);
    EXPECT_TRUE(settings.request.standardProxy);
    EXPECT_EQ(settings.server, "https://127.0.0.1:8443");
    EXPECT_EQ(releaseNotesUrl(settings.server), "https://127.0.0.1:8443/release.txt");
}

} // namespace
