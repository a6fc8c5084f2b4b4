#include "dialogs/DlgConn.h"
#include "platform/Settings.h"
#include "retrieval/download.h"
#include "support/FakeServices.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

std::unique_ptr<DownloadStatus> report(ItemPos pos, int status, std::string name = "Acme") {
    auto r = std::make_unique<DownloadStatus>();
    r->m_dwThreadId = 4711;
    r->m_posItem = pos;
    r->m_nStatus = status;
    r->m_szName = std::move(name);
    return r;
}

class DlgConnTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(dir() / "settings.conf");
        store = services->settings;
    }
    std::unique_ptr<CDlgConn> makeWindow() {
        auto window = std::make_unique<CDlgConn>(nullptr, services->bundle());
        window->setOptionsSource([this] { return options; });
        return window;
    }
    // The files the window had the desktop open.
    std::vector<std::string> opened() const { return services->shell->opened(); }
    static std::string text(const CDlgConn& w, int row, int column) {
        return w.list()->topLevelItem(row)->text(column).toStdString();
    }
    static int image(const CDlgConn& w, int row) {
        return w.list()->topLevelItem(row)->data(0, Qt::UserRole + 1).toInt();
    }

    std::unique_ptr<testsupport::FakeServices> services;
    std::shared_ptr<SettingsStore> store;
    CDlgConn::Options options;
};

TEST_F(DlgConnTest, ControlsCarryTheirIdsAndTheWindowStartsHidden) {
    auto w = makeWindow();
    EXPECT_EQ(w->objectName(), "dlg_140");
    EXPECT_NE(w->findChild<QTreeWidget*>("idc_1020"), nullptr);
    EXPECT_NE(w->findChild<QPushButton*>("idc_1078"), nullptr);
    EXPECT_NE(w->findChild<QPushButton*>("idc_1021"), nullptr);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->list()->headerItem()->text(0), "Download ID");
    EXPECT_EQ(w->list()->headerItem()->text(1), "Item");
    EXPECT_EQ(w->list()->headerItem()->text(2), "Status");
}

TEST_F(DlgConnTest, EachStatusSetsItsTextAndIcon) {
    struct Case {
        int status;
        int detail;
        int kbDone, kbTotal;
        std::string url, preview;
        std::string text;
        int image;
    };
    const std::vector<Case> cases = {
        {DOWNLOAD_CONNECTING, 0, 0, 0, "", "", "Connecting...", CDlgConn::ImageConnecting},
        {DOWNLOAD_CONNECTED, 0, 0, 0, "", "", "Connected", CDlgConn::ImageConnecting},
        {DOWNLOAD_PROGRESS, 0, 12, 0, "", "", "Download 12 KB", CDlgConn::ImageReceiving},
        {DOWNLOAD_PROGRESS, 0, 12, 40, "", "", "Download 12 KB / 40 KB", CDlgConn::ImageReceiving},
        {DOWNLOAD_AWAITING, 0, 0, 0, "", "", "Awaiting dependencies...", CDlgConn::ImageWorking},
        {DOWNLOAD_EXTRACTING, 0, 0, 0, "", "", "Extracting quotation...", CDlgConn::ImageWorking},
        {DOWNLOAD_CONVERTING, 0, 0, 0, "", "", "Converting file...", CDlgConn::ImageWorking},
        {DOWNLOAD_NOT_FOUND, 0, 0, 0, "", "", "Error: Quotation not found!!", CDlgConn::ImageFailed},
        {DOWNLOAD_NOT_FOUND, 0, 0, 0, "", "Price: n/a", "Error: Quotation not found!! (Price: n/a)",
         CDlgConn::ImageFailed},
        {DOWNLOAD_INVALID_VALUE, 0, 0, 0, "", "", "Error: Invalid value!", CDlgConn::ImageFailed},
        {DOWNLOAD_TEXT_NOT_FOUND, 0, 0, 0, "", "", "Error: Text not found!", CDlgConn::ImageFailed},
        {DOWNLOAD_ERROR, DOWNLOAD_DETAIL_TIMEOUT, 0, 0, "", "", "Error: Timeout!", CDlgConn::ImageFailed},
        {DOWNLOAD_ERROR, DOWNLOAD_DETAIL_FILE_NOT_FOUND, 0, 0, "https://quotes.example/p/acme", "",
         "Error: File not found: /quotes.example/p/acme", CDlgConn::ImageFailed},
        {DOWNLOAD_ABORTED, 0, 0, 0, "", "", "Download aborted!", CDlgConn::ImageFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto w = makeWindow();
        w->OnDownloadStatus(report(7, DOWNLOAD_INITIALIZED));
        ASSERT_EQ(w->list()->topLevelItemCount(), 1);
        EXPECT_EQ(text(*w, 0, 0), "4711");
        EXPECT_EQ(text(*w, 0, 1), "Acme");
        EXPECT_EQ(text(*w, 0, 2), "Initialized");
        EXPECT_EQ(image(*w, 0), CDlgConn::ImageInitialized);

        auto r = report(7, c.status);
        r->m_nDetail = c.detail;
        r->m_nKBDone = c.kbDone;
        r->m_nKBTotal = c.kbTotal;
        r->m_szURL = c.url;
        r->m_szPreview = c.preview;
        w->OnDownloadStatus(std::move(r));
        ASSERT_EQ(w->list()->topLevelItemCount(), 1);
        EXPECT_EQ(text(*w, 0, 2), c.text);
        EXPECT_EQ(image(*w, 0), c.image);
    }
}

TEST_F(DlgConnTest, FinishedRowGoesAndTheEmptyWindowHidesOnlyWithTheOption) {
    for (const bool downloadStatus : {true, false}) {
        SCOPED_TRACE(downloadStatus);
        options.downloadStatus = downloadStatus;
        auto w = makeWindow();
        w->show();
        w->OnDownloadStatus(report(1, DOWNLOAD_INITIALIZED, "A"));
        w->OnDownloadStatus(report(2, DOWNLOAD_INITIALIZED, "B"));
        w->OnDownloadStatus(report(1, DOWNLOAD_FINISHED, "A"));
        ASSERT_EQ(w->list()->topLevelItemCount(), 1);
        EXPECT_EQ(text(*w, 0, 1), "B");
        EXPECT_TRUE(w->isVisible());
        w->OnDownloadStatus(report(2, DOWNLOAD_FINISHED, "B"));
        EXPECT_EQ(w->list()->topLevelItemCount(), 0);
        EXPECT_EQ(w->isVisible(), !downloadStatus);
    }
}

TEST_F(DlgConnTest, ANewDownloadReplacesTheFailedRowAtTheEnd) {
    auto w = makeWindow();
    w->OnDownloadStatus(report(1, DOWNLOAD_INITIALIZED, "A"));
    w->OnDownloadStatus(report(2, DOWNLOAD_INITIALIZED, "B"));
    w->OnDownloadStatus(report(1, DOWNLOAD_ABORTED, "A"));
    auto again = report(1, DOWNLOAD_INITIALIZED, "A");
    again->m_dwThreadId = 99;
    w->OnDownloadStatus(std::move(again));
    ASSERT_EQ(w->list()->topLevelItemCount(), 2);
    EXPECT_EQ(text(*w, 0, 1), "B");
    EXPECT_EQ(text(*w, 1, 1), "A");
    EXPECT_EQ(text(*w, 1, 0), "99");
    EXPECT_EQ(text(*w, 1, 2), "Initialized");
}

TEST_F(DlgConnTest, ReportsWithoutARowChangeNothingAndClearListEmptiesIt) {
    auto w = makeWindow();
    w->OnDownloadStatus(report(1, DOWNLOAD_INITIALIZED, "A"));
    w->OnDownloadStatus(report(5, DOWNLOAD_CONNECTING, "X"));
    w->OnDownloadStatus(report(5, DOWNLOAD_ABORTED, "X"));
    w->OnDownloadStatus(report(1, 42, "A")); // unknown code
    w->OnDownloadStatus(nullptr);
    ASSERT_EQ(w->list()->topLevelItemCount(), 1);
    EXPECT_EQ(text(*w, 0, 2), "Initialized");
    w->setWindowTitle("[p.cvr] - Downloads");
    w->ClearList();
    EXPECT_EQ(w->list()->topLevelItemCount(), 0);
    EXPECT_EQ(w->windowTitle(), "[p.cvr] - Downloads");
}

TEST_F(DlgConnTest, ColumnWidthsComeFromTheSettingsAndAreSavedBack) {
    store->writeString("ConnectionDialog", "Columns", "50,60,70");
    auto w = makeWindow();
    EXPECT_EQ(w->list()->columnWidth(0), 50);
    EXPECT_EQ(w->list()->columnWidth(1), 60);
    EXPECT_EQ(w->list()->columnWidth(2), 70);
    w->list()->setColumnWidth(1, 200);
    EXPECT_TRUE(w->SaveColumnWidths());
    EXPECT_EQ(store->readString("ConnectionDialog", "Columns"), "50,200,70");

    const std::vector<int> defaults = {84, 134, 148};
    EXPECT_EQ(CDlgConn::parseColumnWidths(""), defaults);
    EXPECT_EQ(CDlgConn::parseColumnWidths("90"), (std::vector<int>{90, 134, 148}));
    EXPECT_EQ(CDlgConn::parseColumnWidths("90,x,10"), (std::vector<int>{90, 134, 10}));
    EXPECT_EQ(CDlgConn::parseColumnWidths("1,2,3,4"), (std::vector<int>{1, 2, 3}));
}

TEST_F(DlgConnTest, FailedExtractionShowsTheSearchedTextOnlyWhenAskedAndNotInTheUpdateMode) {
    struct Case {
        bool showFileOnError;
        bool updateMode;
        bool shown;
    };
    for (const Case c : {Case{true, false, true}, Case{false, false, false}, Case{true, true, false}}) {
        SCOPED_TRACE(std::to_string(c.showFileOnError) + std::to_string(c.updateMode));
        const std::size_t before = opened().size();
        options.showFileOnError = c.showFileOnError;
        options.updateMode = c.updateMode;
        const auto file = path("page.txt");
        testsupport::writeFile(file, "Price: n/a");
        auto w = makeWindow();
        w->OnDownloadStatus(report(1, DOWNLOAD_INITIALIZED));
        auto r = report(1, DOWNLOAD_TEXT_NOT_FOUND);
        r->m_szTextFile = file.string();
        w->OnDownloadStatus(std::move(r));
        std::filesystem::path renamed = file;
        renamed += ".TXT";
        if (c.shown) {
            ASSERT_EQ(opened().size(), before + 1);
            EXPECT_EQ(opened().back(), "file://" + renamed.string());
            EXPECT_TRUE(std::filesystem::exists(renamed));
            EXPECT_FALSE(std::filesystem::exists(file));
        } else {
            EXPECT_EQ(opened().size(), before);
            EXPECT_TRUE(std::filesystem::exists(file));
        }
        std::filesystem::remove(file);
        std::filesystem::remove(renamed);
    }
}

TEST_F(DlgConnTest, ButtonsHideTheWindowAndAskForTheAbort) {
    auto w = makeWindow();
    int aborts = 0;
    w->setAbortHandler([&] { ++aborts; });
    w->show();
    auto* abort = w->findChild<QPushButton*>("idc_1078");
    EXPECT_FALSE(abort->isEnabled()); // nothing runs yet
    QTest::mouseClick(abort, Qt::LeftButton);
    EXPECT_EQ(aborts, 0);
    abort->setEnabled(true); // as the frame does while downloads run
    QTest::mouseClick(abort, Qt::LeftButton);
    EXPECT_EQ(aborts, 1);
    QTest::mouseClick(w->findChild<QPushButton*>("idc_1021"), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
}

// Beside a dialog it must not cover: right of it, else left, else below, else above, always
// inside the screen's area; nowhere when no side has room.
TEST(DlgConnPlacement, BesideTheDialogWhereTheScreenHasRoom) {
    const QRect area(0, 0, 1280, 800);
    const QSize size(400, 220);
    struct Case {
        const char* where;
        QRect avoid;
        std::optional<QPoint> placed;
    };
    const Case cases[] = {
        {"right", QRect(100, 100, 600, 400), QPoint(708, 100)},
        {"left", QRect(600, 100, 600, 400), QPoint(192, 100)},
        {"below", QRect(100, 50, 1100, 400), QPoint(100, 458)},
        {"above", QRect(100, 350, 1100, 400), QPoint(100, 122)},
        {"right, moved up onto the screen", QRect(100, 700, 600, 90), QPoint(708, 580)},
        {"nowhere", QRect(50, 50, 1180, 700), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        const auto placed = CDlgConn::placeBeside(size, c.avoid, area);
        EXPECT_EQ(placed, c.placed);
        if (placed) {
            EXPECT_TRUE(area.contains(QRect(*placed, size)));
            EXPECT_FALSE(QRect(*placed, size).intersects(c.avoid));
        }
    }
}

} // namespace
