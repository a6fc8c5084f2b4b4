// The release check's rules and texts, the new-version dialog's status texts and the About box's
// texts.
#include "app/ReleaseInfo.h"
#include "platform/Settings.h"
#include "retrieval/download.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace {

class ReleaseInfoTest : public testsupport::TempDirTest {};

TEST_F(ReleaseInfoTest, ANewerReleaseIsAtLeastTwoWholeDaysLater) {
    const OleDate installed(2023, 3, 10, 12, 0, 0);
    const double halfSecond = kOleHalfSecond;
    OleDate invalid(2023, 3, 20, 0, 0, 0);
    invalid.SetStatus(OleDate::invalid);
    struct Case {
        const char* name;
        OleDate server;
        bool newer;
        long long days;
    };
    const std::vector<Case> cases = {
        {"1 day 23 hours", OleDate(2023, 3, 12, 11, 0, 0), false, 1},
        {"2 days less one second", OleDate(installed.m_dt + 2 - 2 * halfSecond), false, 1},
        {"2 days less half a second", OleDate(installed.m_dt + 2 - halfSecond), true, 2},
        {"2 days", OleDate(2023, 3, 12, 12, 0, 0), true, 2},
        {"3 days earlier", OleDate(2023, 3, 7, 12, 0, 0), false, -3},
        {"invalid", invalid, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReleaseComparison comparison = compareReleaseDates(installed, c.server);
        EXPECT_EQ(comparison.newer, c.newer);
        EXPECT_EQ(comparison.days, c.days);
    }
    EXPECT_FALSE(compareReleaseDates(invalid, OleDate(2030, 1, 1, 0, 0, 0)).newer);
}

TEST_F(ReleaseInfoTest, NotesGetCrLfOnlyWhenTheyHaveNone) {
    EXPECT_EQ(releaseNotesForDisplay("a\nb\n\nc"), "a\r\nb\r\n\r\nc");
    EXPECT_EQ(releaseNotesForDisplay("a\r\nb\nc"), "a\r\nb\nc");
    EXPECT_EQ(releaseNotesForDisplay("one line"), "one line");
}

TEST_F(ReleaseInfoTest, TheErrorBoxShowsAtMost1024CharactersOfTheTransfersText) {
    std::string longText(1000, 'x');
    for (int i = 0; i < 100; ++i)
        longText += "\xC3\xA4"; // one character of two bytes
    const std::string text = releaseCheckText(ReleaseCheckOutcome::TransferError, longText);
    EXPECT_EQ(text, "Up-to-date check error:\n" + longText.substr(0, 1000 + 24 * 2));
    EXPECT_EQ(releaseCheckText(ReleaseCheckOutcome::TransferError, "Could not resolve host: updates.example"),
              "Up-to-date check error:\nCould not resolve host: updates.example");
}

TEST_F(ReleaseInfoTest, TheDialogsStatusFollowsTheSetupDownloadsRecords) {
    struct Case {
        int status;
        int detail;
        int kbDone;
        int kbTotal;
        std::string message;
        std::string expected;
    };
    const std::string url = "https://updates.example/CVR.zip";
    const std::vector<Case> cases = {
        {1, 0, 0, 0, "", "Initialized"},
        {2, 0, 0, 0, "", "Connecting..."},
        {3, 0, 0, 0, "", "Connected"},
        {4, 0, 100, 0, "", "Download 100 KB"},
        {4, 0, 100, 250, "", "Download 100 KB / 250 KB"},
        {5, 0, 0, 0, "", "Awaiting dependencies..."},
        {7, 0, 0, 0, "", "before"},
        {8, 0, 0, 0, "", "Finished downloading 'https://updates.example/CVR.zip'."},
        {12, 2, 0, 0, "", "Error: Host not found!"},
        {12, 6, 0, 0, "", "Error: File not found: https://updates.example/CVR.zip"},
        {12, 8, 0, 0, "", "Error: Timeout!"},
        {12, 10, 0, 0, "", "Error: Internal Server Error!"},
        {12, 11, 0, 0, "Error: Could not unzip downloaded file!", "Error: Could not unzip downloaded file!"},
        {12, 11, 0, 0, "line one\r\nline two", "line one\r\nline two"},
        {12, -1, 0, 0, "", "before"},
        {13, 0, 0, 0, "", "Download aborted!"},
        {99, 0, 0, 0, "", "before"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.status) + "/" + std::to_string(c.detail));
        DownloadStatus record;
        record.m_nStatus = c.status;
        record.m_nDetail = c.detail;
        record.m_nKBDone = c.kbDone;
        record.m_nKBTotal = c.kbTotal;
        record.m_szURL = url;
        record.m_szMessage = c.message;
        EXPECT_EQ(newVersionStatusText(record, "before"), c.expected);
    }
}

TEST_F(ReleaseInfoTest, TheAboutBoxNamesTheInstalledServerSettings) {
    SettingsStore store(dir() / "store.conf");
    EXPECT_EQ(installedServerSettingsName(store), "unknown");
    store.writeString("Server Version", "Version name", "");
    EXPECT_EQ(installedServerSettingsName(store), "unknown");
    store.writeString("Server Version", "Version name", "2023-02 Europe");
    EXPECT_EQ(installedServerSettingsName(store), "2023-02 Europe");
}

} // namespace
