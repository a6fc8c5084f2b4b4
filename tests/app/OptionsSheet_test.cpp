// The options sheet, the About box and the frame's commands that open them, on the program
// started offscreen with fake services: the sheet's pages are driven by the scripted modal runner.
#include "app/AboutDlg.h"
#include "app/MainFrm.h"
#include "app/OptionsSheet.h"
#include "app/Resource.h"
#include "app/WPapier.h"
#include "framework/ResourceIds.h"
#include "log/Log.h"
#include "platform/Settings.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <string>

using namespace optionsids;

namespace {

// The program on a new portfolio, its services the test's fakes.
class OptionsSheetTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fakes = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
        // The release question has tests of its own.
        fakes->settings->writeInt(SettingsKey("GeneralOptions"), "CheckUpToDate", 0);
    }
    void TearDown() override {
        app.reset();
        Log::Destroy();
        fakes.reset();
        TempDirTest::TearDown();
    }

    void start() {
        app = std::make_unique<CWPapierApp>();
        app->setServices(fakes->bundle());
        ASSERT_TRUE(app->InitInstance());
        frame = app->mainFrame();
        ASSERT_NE(frame, nullptr);
    }

    // Runs the options command with `step` driving the sheet.
    void options(std::function<void(COptionsSheet&)> step) {
        fakes->modal->on("dlg_32810", [step](QDialog& dialog) { step(static_cast<COptionsSheet&>(dialog)); });
        EXPECT_TRUE(frame->SendCommand(ID_OPTIONS));
        EXPECT_EQ(fakes->modal->unusedSteps(), 0u);
    }

    int stored(const char* name) const { return fakes->settings->readInt(SettingsKey("GeneralOptions"), name, -99); }

    std::unique_ptr<testsupport::FakeServices> fakes;
    std::unique_ptr<CWPapierApp> app;
    CMainFrame* frame = nullptr;
};

template <class W> W* on(PropertyPage& page, unsigned id) {
    W* widget = page.control<W>(id);
    EXPECT_NE(widget, nullptr) << id;
    return widget;
}

// A click of the user: the button's clicked signal fires.
void click(QAbstractButton* button) {
    button->click();
}
// A click on a link.
void click(CHyperLink* link) {
    QTest::mouseClick(link, Qt::LeftButton);
}

void retype(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
    if (!text.isEmpty()) {
        EXPECT_EQ(edit->text(), text);
    }
}

void pressOk(COptionsSheet& sheet) {
    click(sheet.control<QPushButton>(IDOK));
}

TEST_F(OptionsSheetTest, ARefusedNumberKeepsTheSheetOpenOnItsFieldAndCancelChangesNothing) {
    start();
    struct Case {
        const char* name;
        int page;
        unsigned field;
        const char* typed;
        std::string message;
        bool byReturn = false; // Return in the field instead of the OK button
    };
    const Case cases[] = {
        {"no downloads", 0, IDC_NUMBER_DOWNLOADS, "0", "Please enter an integer between 1 and 500."},
        {"too many downloads", 0, IDC_NUMBER_DOWNLOADS, "501", "Please enter an integer between 1 and 500.", true},
        {"four minutes", 0, IDC_UPDATE_INTERVAL, "4", "Please enter an integer between 5 and 500."},
        {"501 minutes", 0, IDC_UPDATE_INTERVAL, "501", "Please enter an integer between 5 and 500.", true},
        {"a port that is no number", 1, IDC_PROXY_PORT, "80a", "Please enter an integer."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t boxesBefore = fakes->boxes->texts().size();
        options([&](COptionsSheet& sheet) {
            ASSERT_TRUE(sheet.SetActivePage(c.page));
            PropertyPage& page = *sheet.GetActivePage();
            // Both number fields of the General page and the port are enabled first.
            if (c.page == 0)
                click(on<QCheckBox>(page, IDC_AUTOUPDATE));
            else
                click(on<QRadioButton>(page, IDC_OWN_PROXY));
            QLineEdit* field = on<QLineEdit>(page, c.field);
            ASSERT_TRUE(field->isEnabled());
            retype(field, c.typed);
            if (c.byReturn)
                QTest::keyClick(field, Qt::Key_Return);
            else
                pressOk(sheet);
            ASSERT_TRUE(sheet.isVisible());
            EXPECT_EQ(sheet.GetActiveIndex(), c.page);
            EXPECT_EQ(sheet.focusWidget(), field);
            // Another page cannot be reached with the refused value either.
            sheet.SetActivePage(c.page == 0 ? 2 : 0);
            EXPECT_EQ(sheet.GetActiveIndex(), c.page);
            click(sheet.control<QPushButton>(IDCANCEL));
        });
        const auto texts = fakes->boxes->texts();
        ASSERT_EQ(texts.size(), boxesBefore + 2);
        EXPECT_EQ(texts[boxesBefore], c.message);
        // Nothing was stored and the timer does not run.
        EXPECT_EQ(app->Autoupdate, 0);
        EXPECT_EQ(app->StandardProxy, 1);
        EXPECT_EQ(app->NumberDownloads, 5);
        EXPECT_FALSE(fakes->settings->hasValue(SettingsKey("GeneralOptions"), "NumberDownloads"));
        EXPECT_FALSE(frame->timerInterval(ID_TIMER_UPDATE));
    }
}

TEST_F(OptionsSheetTest, OkStoresWhatWasEnteredAndSetsOrStopsTheUpdateTimer) {
    fakes->settings->writeInt(SettingsKey("GeneralOptions"), "Autoupdate", 1);
    fakes->settings->writeInt(SettingsKey("GeneralOptions"), "UpdateIntervall", 60);
    start();
    ASSERT_EQ(frame->timerInterval(ID_TIMER_UPDATE), 60u * 60000u);

    options([](COptionsSheet& sheet) {
        PropertyPage& general = *sheet.GetActivePage();
        on<QTimeEdit>(general, IDC_START_TIME)->setTime(QTime(8, 5));
        on<QTimeEdit>(general, IDC_END_TIME)->setTime(QTime(17, 45));
        retype(on<QLineEdit>(general, IDC_NUMBER_DOWNLOADS), "12");
        retype(on<QLineEdit>(general, IDC_UPDATE_INTERVAL), "7");
        click(on<QCheckBox>(general, IDC_DISABLE_INTRADAY));
        ASSERT_TRUE(sheet.SetActivePage(1));
        PropertyPage& connection = *sheet.GetActivePage();
        click(on<QRadioButton>(connection, IDC_OWN_PROXY));
        retype(on<QLineEdit>(connection, IDC_PROXY_ADDRESS), "proxy.example");
        retype(on<QLineEdit>(connection, IDC_PROXY_PORT), "70000");
        ASSERT_TRUE(sheet.SetActivePage(2));
        click(on<QCheckBox>(*sheet.GetActivePage(), IDC_ZIP_FILE));
        pressOk(sheet);
        EXPECT_FALSE(sheet.isVisible());
    });
    EXPECT_TRUE(fakes->boxes->texts().empty());
    const std::map<const char*, int> expected = {
        {"Hour1", 8},         {"Minute1", 5},     {"Hour2", 17},     {"Minute2", 45},
        {"NumberDownloads", 12}, {"UpdateIntervall", 7}, {"DisableIntraday", 1}, {"StandardProxy", 0},
        {"ProxyPort", 70000}, {"ZipFile", 1},     {"Autoupdate", 1}, {"CheckUpToDate", 0},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(stored(name), value) << name;
    EXPECT_EQ(fakes->settings->readString(SettingsKey("GeneralOptions"), "ProxyAddress"), "proxy.example");
    // The workers read the new proxy at once.
    EXPECT_EQ(app->programOptions().ProxyPort, 70000);
    EXPECT_EQ(app->programOptions().StandardProxy, 0);
    // The timer starts over with the new period.
    EXPECT_EQ(frame->timerInterval(ID_TIMER_UPDATE), 7u * 60000u);

    // Automatic updates off: OK stops the timer; the port is kept as it was entered.
    options([](COptionsSheet& sheet) {
        PropertyPage& general = *sheet.GetActivePage();
        EXPECT_EQ(on<QTimeEdit>(general, IDC_START_TIME)->time(), QTime(8, 5));
        click(on<QCheckBox>(general, IDC_AUTOUPDATE));
        pressOk(sheet);
    });
    EXPECT_EQ(stored("Autoupdate"), 0);
    EXPECT_EQ(stored("ProxyPort"), 70000);
    EXPECT_FALSE(frame->timerInterval(ID_TIMER_UPDATE));
}

TEST_F(OptionsSheetTest, FieldsFollowTheirChecksAndKeepTheirContents) {
    fakes->settings->writeInt(SettingsKey("GeneralOptions"), "Autoupdate_Time", 0);
    start();
    options([](COptionsSheet& sheet) {
        PropertyPage& general = *sheet.GetActivePage();
        const auto enabled = [&general] {
            std::string state;
            for (const unsigned id : {IDC_ONLY_BETWEEN, IDC_UPDATE_INTERVAL, IDC_UPDATE_INTERVAL_SPIN, IDC_START_TIME,
                                      IDC_END_TIME})
                state += general.control(id)->isEnabled() ? '1' : '0';
            return state;
        };
        // Only between, interval, its spin buttons, start, end.
        EXPECT_EQ(enabled(), "00000");
        click(on<QCheckBox>(general, IDC_AUTOUPDATE));
        EXPECT_EQ(enabled(), "11100");
        click(on<QCheckBox>(general, IDC_ONLY_BETWEEN));
        EXPECT_EQ(enabled(), "11111");
        retype(on<QLineEdit>(general, IDC_UPDATE_INTERVAL), "45");
        click(on<QCheckBox>(general, IDC_AUTOUPDATE));
        EXPECT_EQ(enabled(), "00000");
        EXPECT_EQ(on<QLineEdit>(general, IDC_UPDATE_INTERVAL)->text(), "45");

        ASSERT_TRUE(sheet.SetActivePage(1));
        PropertyPage& connection = *sheet.GetActivePage();
        QLineEdit* address = on<QLineEdit>(connection, IDC_PROXY_ADDRESS);
        EXPECT_FALSE(address->isEnabled());
        EXPECT_EQ(address->text(), "proxy");
        click(on<QRadioButton>(connection, IDC_OWN_PROXY));
        EXPECT_TRUE(address->isEnabled());
        EXPECT_TRUE(on<QLineEdit>(connection, IDC_PROXY_PORT)->isEnabled());
        retype(address, "cache.example");
        click(on<QRadioButton>(connection, IDC_STANDARD_PROXY));
        EXPECT_FALSE(address->isEnabled());
        EXPECT_FALSE(on<QLineEdit>(connection, IDC_PROXY_PORT)->isEnabled());
        EXPECT_EQ(address->text(), "cache.example");
        pressOk(sheet);
    });
    // A disabled field is stored as it stands.
    EXPECT_EQ(stored("UpdateIntervall"), 45);
    EXPECT_EQ(stored("StandardProxy"), 1);
    EXPECT_EQ(fakes->settings->readString(SettingsKey("GeneralOptions"), "ProxyAddress"), "cache.example");
}

TEST_F(OptionsSheetTest, SpinButtonsStepWithinTheRange) {
    start();
    options([](COptionsSheet& sheet) {
        PropertyPage& general = *sheet.GetActivePage();
        QLineEdit* number = on<QLineEdit>(general, IDC_NUMBER_DOWNLOADS);
        auto* spin = on<CSpinButtons>(general, IDC_NUMBER_DOWNLOADS_SPIN);
        auto* up = spin->findChild<QAbstractButton*>("up");
        auto* down = spin->findChild<QAbstractButton*>("down");
        struct Case {
            const char* typed;
            QAbstractButton* button;
            const char* after;
        };
        const Case cases[] = {{"5", up, "6"}, {"500", up, "500"}, {"1", down, "1"}, {"9999", down, "500"},
                              {"x", up, "1"}, {"x", down, "500"}};
        for (const Case& c : cases) {
            number->setText(c.typed);
            click(c.button);
            EXPECT_EQ(number->text(), c.after) << c.typed;
        }
        auto* interval = on<CSpinButtons>(general, IDC_UPDATE_INTERVAL_SPIN);
        EXPECT_EQ(interval->minimum(), 5);
        EXPECT_EQ(interval->maximum(), 500);
        click(sheet.control<QPushButton>(IDCANCEL));
    });
}

TEST_F(OptionsSheetTest, EditingKeysWorkInTheFieldsAndReachNoFrameCommand) {
    start();
    // Commands of the frame on the editing keys, as the list's compare-all and clipboard commands.
    std::map<int, int> runs;
    const std::pair<int, QKeySequence> keys[] = {{9001, QKeySequence(Qt::CTRL | Qt::Key_A)},
                                                 {9002, QKeySequence(Qt::CTRL | Qt::Key_C)},
                                                 {9003, QKeySequence(Qt::CTRL | Qt::Key_V)},
                                                 {9004, QKeySequence(Qt::CTRL | Qt::Key_X)},
                                                 {9005, QKeySequence(Qt::CTRL | Qt::Key_Z)}};
    for (const auto& [id, key] : keys) {
        frame->addCommand(id, [&runs, id = id] { ++runs[id]; });
        // The frame's own command on that key (compare all, the clipboard) hands it over.
        if (const CommandId owner = frame->commands().commandOfKey(key))
            frame->commands().setShortcuts(owner, {});
        ASSERT_TRUE(frame->commands().setShortcuts(id, {key}));
        frame->commandAction(id);
    }
    frame->show();
    options([](COptionsSheet& sheet) {
        sheet.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
        const auto edit = [](QLineEdit* field, const QString& text) {
            field->setFocus();
            retype(field, text);
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            EXPECT_EQ(field->selectedText(), text);
            QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
            EXPECT_EQ(QApplication::clipboard()->text(), text);
            QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
            EXPECT_EQ(field->text(), "");
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_End);
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(field->text(), text + text);
            QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
            EXPECT_NE(field->text(), text + text);
        };
        PropertyPage& general = *sheet.GetActivePage();
        click(on<QCheckBox>(general, IDC_AUTOUPDATE));
        edit(on<QLineEdit>(general, IDC_UPDATE_INTERVAL), "15");
        ASSERT_TRUE(sheet.SetActivePage(1));
        PropertyPage& connection = *sheet.GetActivePage();
        click(on<QRadioButton>(connection, IDC_OWN_PROXY));
        edit(on<QLineEdit>(connection, IDC_PROXY_ADDRESS), "proxy.example");
        click(sheet.control<QPushButton>(IDCANCEL));
    });
    EXPECT_TRUE(runs.empty());
}

TEST_F(OptionsSheetTest, RenderingsOfThePages) {
    fakes->settings->writeInt(SettingsKey("GeneralOptions"), "Autoupdate", 1);
    start();
    options([](COptionsSheet& sheet) {
        const char* names[] = {"general", "connection", "advanced"};
        for (int page = 0; page < 3; ++page) {
            ASSERT_TRUE(sheet.SetActivePage(page));
            QApplication::processEvents();
            EXPECT_FALSE(testsupport::saveRendering(sheet, names[page]).empty());
        }
        EXPECT_EQ(sheet.windowTitle(), "Program Options");
        EXPECT_EQ(sheet.GetTabControl()->count(), 3);
        EXPECT_FALSE(sheet.GetTabControl()->tabIcon(0).isNull());
        click(sheet.control<QPushButton>(IDCANCEL));
    });
}

TEST_F(OptionsSheetTest, TheAboutBoxNamesTheServerSettingsAndOpensItsLinksAndHelp) {
    start();
    for (const unsigned id : {ID_OPTIONS, ID_CHECK_FOR_UPDATES, ID_APP_ABOUT})
        EXPECT_TRUE(frame->commandAction(id)->isEnabled()) << id;

    const std::filesystem::path helpFolder = dir();
    testsupport::writeFile(path("FAQ.html"), "<html></html>");
    struct Case {
        const char* versionName; // nullptr: none stored
        std::string shown;
    };
    const Case cases[] = {{nullptr, "unknown"}, {"", "unknown"}, {"Server set 2024-05", "Server set 2024-05"}};
    for (const Case& c : cases) {
        if (c.versionName)
            fakes->settings->writeString(SettingsKey("Server Version"), "Version name", c.versionName);
        CAboutDlg about(fakes->bundle(), helpFolder);
        fakes->modal->on("dlg_100", [&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "About Corvana");
            EXPECT_EQ(about.control<QLabel>(aboutids::IDC_SERVER_SETTINGS_NAME)->text().toStdString(), c.shown);
            if (!c.versionName) {
                EXPECT_FALSE(testsupport::saveRendering(dialog, "about").empty());
            }
            click(about.control<QPushButton>(aboutids::IDC_HELP));
            click(about.control<QPushButton>(IDOK));
        });
        EXPECT_EQ(about.DoModal(), IDOK);
    }
    const std::string faq = QUrl::fromLocalFile(QString::fromStdString(path("FAQ.html").string())).toString().toStdString();
    EXPECT_EQ(fakes->shell->opened(), std::vector<std::string>(3, faq));

    // The links open the mail program and the web page.
    CAboutDlg about(fakes->bundle(), helpFolder);
    fakes->modal->on("dlg_100", [&](QDialog&) {
        click(about.m_linkMail);
        click(about.m_linkWeb);
        click(about.control<QPushButton>(IDOK));
    });
    about.DoModal();
    const auto opened = fakes->shell->opened();
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened[3], "mailto:support@velmora.example?subject=Corvana");
    EXPECT_EQ(opened[4], "https://www.velmora.example/corvana/");

    // The frame's command runs the box.
    fakes->modal->on("dlg_100", [](QDialog& dialog) { dialog.accept(); });
    EXPECT_TRUE(frame->SendCommand(ID_APP_ABOUT));
    EXPECT_EQ(fakes->modal->ran().back(), "dlg_100");
}

} // namespace
