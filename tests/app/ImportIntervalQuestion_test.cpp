// The program's answer to the document's import-interval question: the dialog in the normal mode,
// declined and logged in the two unattended modes, which never show it.
#include "app/ProgramHost.h"
#include "app/WPapier.h"
#include "dialogs/ImportDialogIds.h"
#include "framework/Dialog.h"
#include "log/Log.h"
#include "support/FakeServices.h"
#include "support/LogCapture.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QDateEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

namespace {

ImportIntervalQuestion question() {
    ImportIntervalQuestion q;
    q.itemName = "Acme";
    q.summary = "02/01/24  10.5000\n...\n02/05/24  12.2500";
    q.countLine = "3 quotations found:";
    q.begin = OleDate(2024, 2, 1, 0, 0, 0);
    q.end = OleDate(2024, 2, 5, 23, 59, 59);
    return q;
}

class ImportIntervalQuestionTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
    }
    std::unique_ptr<testsupport::FakeServices> services;
};

TEST_F(ImportIntervalQuestionTest, NormalModeAsksWithTheDialog) {
    CWPapierApp app;
    app.setServices(services->bundle());
    services->modal->on("dlg_3215", [](QDialog& d) {
        d.findChild<QDateEdit*>(Dialog::controlName(IDC_INTERVAL_FROM))->setDate(QDate(2024, 2, 2));
        QTest::mouseClick(d.findChild<QPushButton*>(Dialog::controlName(IDOK)), Qt::LeftButton);
    });
    ImportIntervalQuestion asked = question();
    ASSERT_TRUE(app.programHost().askImportInterval(asked));
    EXPECT_EQ(asked.begin.Format("%Y-%m-%d %H:%M:%S"), "2024-02-02 00:00:00");
    EXPECT_EQ(asked.end.Format("%Y-%m-%d %H:%M:%S"), "2024-02-05 23:59:59");

    services->modal->on("dlg_3215", [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    asked = question();
    EXPECT_FALSE(app.programHost().askImportInterval(asked));
    EXPECT_EQ(services->modal->ran(), (std::vector<std::string>{"dlg_3215", "dlg_3215"}));
}

TEST_F(ImportIntervalQuestionTest, UnattendedModesDeclineAndLog) {
    for (const bool updateMode : {true, false}) {
        SCOPED_TRACE(updateMode ? "update mode" : "export mode");
        testsupport::LogCapture log;
        CWPapierApp app;
        app.setServices(services->bundle());
        app.m_bUpdateMode = updateMode;
        app.m_bExportMode = !updateMode;
        ImportIntervalQuestion asked = question();
        EXPECT_FALSE(app.programHost().askImportInterval(asked));
        EXPECT_TRUE(log.contains(LOG_LEVEL_WARNING, "Import of Acme declined: 3 quotations found:"));
        EXPECT_EQ(asked.begin.m_dt, question().begin.m_dt);
    }
    EXPECT_TRUE(services->modal->ran().empty());
}

} // namespace
