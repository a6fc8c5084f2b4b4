#include "app/WPapier.h"
#include "platform/Settings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

class OptionsTest : public testsupport::TempDirTest {};

TEST_F(OptionsTest, AnEmptyStoreGivesTheDefaults) {
    CWPapierApp app;
    app.LoadOptions();
    EXPECT_EQ(app.StandardProxy, 1);
    EXPECT_EQ(app.ProxyAddress, "proxy");
    EXPECT_EQ(app.ProxyPort, 80);
    EXPECT_EQ(app.NumberDownloads, 5);
    EXPECT_EQ(app.AutosaveOnExit, 0);
    EXPECT_EQ(app.Autoupdate, 0);
    EXPECT_EQ(app.Autoupdate_Time, 1);
    EXPECT_EQ(app.DownloadStatus, 1);
    EXPECT_EQ(app.Hour1, 9);
    EXPECT_EQ(app.Hour2, 18);
    EXPECT_EQ(app.Minute1, 30);
    EXPECT_EQ(app.Minute2, 30);
    EXPECT_EQ(app.UpdateIntervall, 60);
    EXPECT_EQ(app.DisableIntraday, 0);
    EXPECT_EQ(app.AutoSaveAfterAutoUpdate, 0);
    EXPECT_EQ(app.AutosaveWindows, 1);
    EXPECT_EQ(app.ShowFileOnError, 0);
    EXPECT_EQ(app.AutoCreateCashAccountTransactions, 1);
    EXPECT_EQ(app.ZipFile, 0);
    EXPECT_EQ(app.CheckUpToDate, 1);
    EXPECT_TRUE(datesEqual(app.LastUpToDateCheck, OleDate(1975, 1, 23, 0, 0, 0)));
    EXPECT_EQ(app.UnattendedTimeLimit, 600);
    EXPECT_EQ(app.unattendedTimeLimitSeconds(), 600);

    // What the document and the workers read.
    const ProgramOptions options = app.programOptions();
    EXPECT_EQ(options.NumberDownloads, 5);
    EXPECT_EQ(options.UpdateIntervall, 60);
    EXPECT_EQ(options.StandardProxy, 1);
    EXPECT_EQ(options.ProxyAddress, "proxy");
    EXPECT_FALSE(options.m_bUpdateMode);
    EXPECT_FALSE(options.m_bExportMode);
    // Loading writes nothing.
    EXPECT_FALSE(settingsStore().keyExists("GeneralOptions"));
}

TEST_F(OptionsTest, LastUpToDateCheckIsReadOnlyFromSixteenBytes) {
    const SystemTime st{2023, 2, 2, 7, 20, 3, 39, 0};
    const auto good = systemTimeToBytes(st);
    struct Case {
        std::vector<std::uint8_t> bytes;
        OleDate expected;
        bool valid;
    };
    std::vector<std::uint8_t> sixteen(good.begin(), good.end());
    std::vector<std::uint8_t> fifteen(good.begin(), good.end() - 1);
    std::vector<std::uint8_t> seventeen(sixteen);
    seventeen.push_back(0);
    std::vector<std::uint8_t> badMonth(sixteen);
    badMonth[2] = 13;
    const std::vector<Case> cases = {
        {sixteen, OleDate(2023, 2, 7, 20, 3, 39), true},
        {fifteen, OleDate(1975, 1, 23, 0, 0, 0), true},
        {seventeen, OleDate(1975, 1, 23, 0, 0, 0), true},
        {badMonth, OleDate(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        settingsStore().writeBinary("GeneralOptions", "LastUpToDateCheck", c.bytes);
        CWPapierApp app;
        app.LoadOptions();
        EXPECT_EQ(app.LastUpToDateCheck.GetStatus() == OleDate::valid, c.valid);
        if (c.valid) {
            EXPECT_TRUE(datesEqual(app.LastUpToDateCheck, c.expected));
        }
    }
}

TEST_F(OptionsTest, SavedOptionsLoadAsTheyWereAndAnInvalidDateIsStoredAsZeros) {
    {
        CWPapierApp app;
        app.LoadOptions();
        app.NumberDownloads = 12;
        app.ProxyAddress = "cache.example";
        app.ProxyPort = 70000; // stored as entered
        app.UpdateIntervall = 501;
        app.Hour1 = 7;
        app.ZipFile = 1;
        app.UnattendedTimeLimit = 90;
        app.LastUpToDateCheck = OleDate(2024, 3, 1, 12, 0, 0);
        app.SaveOptions();
        EXPECT_EQ(app.programOptions().NumberDownloads, 12); // handed to the readers at once
        EXPECT_EQ(app.programOptions().ZipFile, 1);
    }
    CWPapierApp app;
    app.LoadOptions();
    EXPECT_EQ(app.NumberDownloads, 12);
    EXPECT_EQ(app.ProxyAddress, "cache.example");
    EXPECT_EQ(app.ProxyPort, 70000);
    EXPECT_EQ(app.UpdateIntervall, 501); // no limit when loaded
    EXPECT_EQ(app.Hour1, 7);
    EXPECT_EQ(app.UnattendedTimeLimit, 90);
    EXPECT_TRUE(datesEqual(app.LastUpToDateCheck, OleDate(2024, 3, 1, 12, 0, 0)));

    app.LastUpToDateCheck.SetStatus(OleDate::invalid);
    app.SaveOptions();
    const auto bytes = settingsStore().readBinary("GeneralOptions", "LastUpToDateCheck");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, std::vector<std::uint8_t>(16, 0));
}

TEST_F(OptionsTest, ATimeLimitBelowOneSecondMeansTheDefault) {
    for (const int stored : {0, -5}) {
        settingsStore().writeInt("GeneralOptions", "UnattendedTimeLimit", stored);
        CWPapierApp app;
        app.LoadOptions();
        EXPECT_EQ(app.unattendedTimeLimitSeconds(), CWPapierApp::kDefaultUnattendedTimeLimit);
    }
}

} // namespace
