// The options as the options sheet's pages hold them: the copy both ways and the checks of the
// number fields.
#include "app/OptionsValidation.h"
#include "app/WPapier.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace {

class OptionsValidationTest : public testsupport::TempDirTest {};

TEST_F(OptionsValidationTest, NumberFieldsAreReadInExchangeOrderAndTheFirstRefusalStops) {
    struct Case {
        const char* downloads;
        const char* interval;
        std::optional<EntryRefusal> refusal;
        int storedDownloads;
        int storedInterval;
    };
    const std::vector<Case> cases = {
        {"1", "5", std::nullopt, 1, 5},
        {" 500 ", "+500", std::nullopt, 500, 500},
        {"0", "60", EntryRefusal{1132, "Please enter an integer between 1 and 500."}, 0, -7},
        {"501", "60", EntryRefusal{1132, "Please enter an integer between 1 and 500."}, 501, -7},
        {"7", "4", EntryRefusal{1084, "Please enter an integer between 5 and 500."}, 7, 4},
        {"7", "501", EntryRefusal{1084, "Please enter an integer between 5 and 500."}, 7, 501},
        {"five", "4", EntryRefusal{1132, "Please enter an integer."}, -7, -7},
        {"", "60", EntryRefusal{1132, "Please enter an integer."}, -7, -7},
        {"7", "60 minutes", EntryRefusal{1084, "Please enter an integer."}, 7, -7},
        {"99999999999", "60", EntryRefusal{1132, "Please enter an integer."}, -7, -7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.downloads) + " / " + c.interval);
        OptionsPageValues values;
        values.NumberDownloads = -7;
        values.UpdateIntervall = -7;
        EXPECT_EQ(readGeneralPageNumbers(c.downloads, c.interval, values), c.refusal);
        EXPECT_EQ(values.NumberDownloads, c.storedDownloads);
        EXPECT_EQ(values.UpdateIntervall, c.storedInterval);
    }
}

TEST_F(OptionsValidationTest, ThePortIsAnyIntegerStoredAsEntered) {
    OptionsPageValues values;
    for (const auto& [typed, port] : std::vector<std::pair<const char*, int>>{{"70000", 70000}, {"0", 0}, {"-1", -1}}) {
        EXPECT_EQ(readProxyPort(typed, values), std::nullopt) << typed;
        EXPECT_EQ(values.ProxyPort, port);
    }
    EXPECT_EQ(readProxyPort("80a", values), (EntryRefusal{1173, "Please enter an integer."}));
    EXPECT_EQ(values.ProxyPort, -1);
}

TEST_F(OptionsValidationTest, TheOptionsGoToThePagesAndBack) {
    CWPapierApp app;
    app.LoadOptions();
    app.StandardProxy = 1;
    app.Hour1 = 8;
    app.Minute1 = 5;
    app.Hour2 = 25; // from a hand-edited store: no time of day
    app.Minute2 = 0;

    OptionsPageValues pages = optionsPageValues(app);
    EXPECT_EQ(pages.proxyChoice, 0);
    EXPECT_TRUE(datesEqual(pages.startTime, OleDate(2000, 1, 1, 8, 5, 0)));
    EXPECT_NE(pages.endTime.GetStatus(), OleDate::valid);
    EXPECT_EQ(pages.NumberDownloads, 5);
    EXPECT_EQ(pages.UpdateIntervall, 60);
    EXPECT_EQ(pages.AutoCreateCashAccountTransactions, 1);

    pages.proxyChoice = 1;
    pages.ProxyAddress = "cache.example";
    pages.ProxyPort = 70000;
    pages.startTime = OleDate(2000, 1, 1, 7, 45, 0);
    pages.ZipFile = 1;
    pages.Autoupdate = 1;
    pages.UpdateIntervall = 15;
    applyOptionsPageValues(pages, app);
    EXPECT_EQ(app.StandardProxy, 0);
    EXPECT_EQ(app.ProxyAddress, "cache.example");
    EXPECT_EQ(app.ProxyPort, 70000);
    EXPECT_EQ(app.Hour1, 7);
    EXPECT_EQ(app.Minute1, 45);
    EXPECT_EQ(app.Hour2, -1);
    EXPECT_EQ(app.Minute2, -1);
    EXPECT_EQ(app.ZipFile, 1);
    EXPECT_EQ(updateTimerMinutes(app), 15);
    app.Autoupdate = 0;
    EXPECT_EQ(updateTimerMinutes(app), 0);
}

TEST_F(OptionsValidationTest, TheTimesAreEnabledOnlyWithBothChecks) {
    EXPECT_EQ(generalPageEnabling(false, true).times, false);
    EXPECT_EQ(generalPageEnabling(false, true).interval, false);
    EXPECT_EQ(generalPageEnabling(true, false).interval, true);
    EXPECT_EQ(generalPageEnabling(true, false).onlyBetween, true);
    EXPECT_EQ(generalPageEnabling(true, false).times, false);
    EXPECT_EQ(generalPageEnabling(true, true).times, true);
}

} // namespace
