#include "framework/Dialog.h"
#include "log/NumberFormat.h"
#include "support/FakeServices.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <string>

namespace {

// A dialog of each kind of field, exchanged in the order of the controls' ids.
class FieldsDialog : public Dialog {
public:
    explicit FieldsDialog(Services services, QWidget* parent = nullptr) : Dialog(9001, std::move(services), parent) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(withId(new QLineEdit, 1001));
        layout->addWidget(withId(new QLineEdit, 1002));
        layout->addWidget(withId(new QLineEdit, 1003));
        layout->addWidget(withId(new QCheckBox("Enabled"), 1004));
        auto* radios = new QButtonGroup(this);
        for (unsigned id : {1005u, 1006u}) {
            auto* radio = withId(new QRadioButton(QString::number(id)), id);
            radios->addButton(radio);
            layout->addWidget(radio);
        }
        auto* combo = withId(new QComboBox, 1007);
        combo->addItems({"Original", "Semi-HTML", "Text"});
        layout->addWidget(combo);
        layout->addWidget(withId(new QDateEdit, 1008));
        layout->addWidget(withId(new QTimeEdit, 1009));
        auto* ok = withId(new QPushButton("OK"), 1);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        auto* cancel = withId(new QPushButton("Cancel"), 2);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        layout->addWidget(ok);
        layout->addWidget(cancel);
    }

    std::string m_strName = "Northwind";
    int m_nTimeout = 180;
    double m_dAmount = 1234567.5;
    int m_nEnabled = 1;
    int m_nMethod = -1;
    int m_nFormat = 2;
    OleDate m_dtBegin{2024, 2, 29, 20, 0, 0};
    OleDate m_dtStart{2000, 1, 1, 8, 5, 0}; // a time of day (a time-only picker counts in UTC)

    QLineEdit* edit(unsigned id) const { return control<QLineEdit>(id); }

protected:
    void DoDataExchange(DataExchange& dx) override {
        DDX_Text(dx, 1001, m_strName);
        DDX_Text(dx, 1002, m_nTimeout);
        DDV_MinMaxInt(dx, m_nTimeout, 1, 600);
        DDX_Text(dx, 1003, m_dAmount);
        DDX_Check(dx, 1004, m_nEnabled);
        DDX_Radio(dx, 1005, m_nMethod);
        DDX_CBIndex(dx, 1007, m_nFormat);
        DDX_DateTimeCtrl(dx, 1008, m_dtBegin);
        DDX_DateTimeCtrl(dx, 1009, m_dtStart);
    }
};

class DialogTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        ASSERT_TRUE(initNumberGrouping("en_US.UTF-8"));
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
    }
    void TearDown() override {
        services.reset();
        initNumberGrouping("");
        TempDirTest::TearDown();
    }
    std::unique_ptr<testsupport::FakeServices> services;
};

TEST_F(DialogTest, MembersAreShownAndReadBackUnchanged) {
    FieldsDialog dialog(services->bundle());
    EXPECT_EQ(dialog.objectName(), "dlg_9001");
    ASSERT_TRUE(dialog.UpdateData(false));
    EXPECT_EQ(dialog.edit(1001)->text(), "Northwind");
    EXPECT_EQ(dialog.edit(1002)->text(), "180");
    EXPECT_EQ(dialog.edit(1003)->text(), "1,234,567.5");
    EXPECT_TRUE(dialog.control<QCheckBox>(1004)->isChecked());
    // -1: no button of the group is checked, exclusive as it is.
    EXPECT_FALSE(dialog.control<QRadioButton>(1005)->isChecked());
    EXPECT_FALSE(dialog.control<QRadioButton>(1006)->isChecked());
    EXPECT_EQ(dialog.control<QComboBox>(1007)->currentIndex(), 2);
    EXPECT_EQ(dialog.control<QDateEdit>(1008)->date(), QDate(2024, 2, 29));
    EXPECT_EQ(dialog.control<QTimeEdit>(1009)->time(), QTime(8, 5)); // whatever the time zone

    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.m_strName, "Northwind");
    EXPECT_EQ(dialog.m_nTimeout, 180);
    EXPECT_EQ(dialog.m_dAmount, 1234567.5);
    EXPECT_EQ(dialog.m_nMethod, -1);
    EXPECT_EQ(dialog.m_nFormat, 2);
    EXPECT_EQ(dialog.m_dtBegin.Format("%Y-%m-%d %H:%M:%S"), "2024-02-29 20:00:00"); // the time stays
    EXPECT_EQ(dialog.m_dtStart.Format("%Y-%m-%d %H:%M:%S"), "2000-01-01 08:05:00");
    EXPECT_TRUE(services->boxes->texts().empty());

    dialog.edit(1003)->setText(" 2,500.25 ");
    dialog.control<QRadioButton>(1006)->click();
    dialog.control<QDateEdit>(1008)->setDate(QDate(2025, 1, 31));
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.m_dAmount, 2500.25);
    EXPECT_EQ(dialog.m_nMethod, 1);
    EXPECT_EQ(dialog.m_dtBegin.Format("%Y-%m-%d %H:%M:%S"), "2025-01-31 20:00:00");
}

// The pickers show the member's local calendar values and give them back, whatever time base Qt
// gave each kind of picker: times near midnight in a zone east of UTC would otherwise show and
// come back an hour or two off, and dates a day off.
TEST_F(DialogTest, DateAndTimePickersShowAndGiveBackLocalTime) {
    for (const char* tz : {"Europe/Berlin", "America/New_York", "Asia/Tokyo"}) {
        SCOPED_TRACE(tz);
        testsupport::setTimeZone(tz);
        QWidget window;
        auto* date = Dialog::withId(new QDateEdit(&window), 1);
        auto* time = Dialog::withId(new QTimeEdit(&window), 2);
        auto* both = Dialog::withId(new QDateTimeEdit(&window), 3);
        DataExchange load(window, false, *services->boxes);
        for (const OleDate& value : {OleDate(2024, 3, 1, 0, 30, 15), OleDate(2024, 12, 31, 23, 59, 59)}) {
            OleDate d = value, t = value, dt = value;
            DDX_DateTimeCtrl(load, 1, d);
            DDX_DateTimeCtrl(load, 2, t);
            DDX_DateTimeCtrl(load, 3, dt);
            const QDate day(value.GetYear(), value.GetMonth(), value.GetDay());
            const QTime clock(value.GetHour(), value.GetMinute(), value.GetSecond());
            EXPECT_EQ(date->date(), day);
            EXPECT_EQ(time->time(), clock);
            EXPECT_EQ(both->date(), day);
            EXPECT_EQ(both->time(), clock);

            DataExchange save(window, true, *services->boxes);
            OleDate savedDate(2000, 1, 1, 0, 30, 15), savedTime(2000, 1, 1, 12, 0, 0), savedBoth;
            DDX_DateTimeCtrl(save, 1, savedDate);
            DDX_DateTimeCtrl(save, 2, savedTime);
            DDX_DateTimeCtrl(save, 3, savedBoth);
            EXPECT_EQ(savedDate.Format("%Y-%m-%d %H:%M:%S"), value.Format("%Y-%m-%d") + " 00:30:15");
            EXPECT_EQ(savedTime.Format("%Y-%m-%d %H:%M:%S"), "2000-01-01 " + value.Format("%H:%M:%S"));
            EXPECT_EQ(savedBoth.Format("%Y-%m-%d %H:%M:%S"), value.Format("%Y-%m-%d %H:%M:%S"));
        }
        // What the user sets is what comes back.
        time->setTime(QTime(0, 5, 0));
        date->setDate(QDate(2025, 1, 1));
        DataExchange save(window, true, *services->boxes);
        OleDate t(2024, 6, 1, 12, 0, 0), d(2024, 6, 1, 12, 0, 0);
        DDX_DateTimeCtrl(save, 2, t);
        DDX_DateTimeCtrl(save, 1, d);
        EXPECT_EQ(t.Format("%Y-%m-%d %H:%M:%S"), "2024-06-01 00:05:00");
        EXPECT_EQ(d.Format("%Y-%m-%d %H:%M:%S"), "2025-01-01 12:00:00");
    }
}

TEST_F(DialogTest, SavingStopsAtTheFirstRefusedValueWithItsMessageAndFocus) {
    struct Case {
        unsigned field;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {1002, "abc", "Please enter an integer."},
        {1002, "12.5", "Please enter an integer."},
        {1002, "0", "Please enter an integer between 1 and 600."},
        {1002, "601", "Please enter an integer between 1 and 600."},
        {1003, "12,34", "Please enter a number."},
        {1003, "", "Please enter a number."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.field) + " '" + c.text + "'");
        FieldsDialog dialog(services->bundle());
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        dialog.UpdateData(false);
        dialog.edit(1001)->setText("Changed");               // before the refused field: saved
        dialog.control<QComboBox>(1007)->setCurrentIndex(0); // after it: left as it was
        dialog.edit(c.field)->setText(c.text);
        const std::size_t boxesBefore = services->boxes->texts().size();

        EXPECT_FALSE(dialog.UpdateData(true));
        ASSERT_EQ(services->boxes->texts().size(), boxesBefore + 1);
        EXPECT_EQ(services->boxes->texts().back(), c.message);
        EXPECT_EQ(dialog.focusWidget(), dialog.edit(c.field));
        EXPECT_EQ(dialog.edit(c.field)->selectedText(), c.text);
        EXPECT_EQ(dialog.m_strName, "Changed");
        EXPECT_EQ(dialog.m_nFormat, 2);
        dialog.hide();
    }
}

// Both bounds of a range are allowed: the program's own ranges (downloads at once, update interval,
// server time-out) checked one below, at, and one above each bound.
TEST_F(DialogTest, RangesTakeBothBoundsAndRefuseTheirNeighbours) {
    QWidget window;
    auto* edit = Dialog::withId(new QLineEdit(&window), 1);
    const struct {
        int min;
        int max;
    } ranges[] = {{1, 500}, {5, 500}, {1, 600}};
    for (const auto& range : ranges) {
        for (const int value : {range.min - 1, range.min, range.max, range.max + 1}) {
            SCOPED_TRACE(std::to_string(value) + " in " + std::to_string(range.min) + ".." + std::to_string(range.max));
            edit->setText(QString::number(value));
            const std::size_t boxesBefore = services->boxes->texts().size();
            DataExchange save(window, true, *services->boxes);
            int member = -12345;
            DDX_Text(save, 1, member);
            DDV_MinMaxInt(save, member, range.min, range.max);
            const bool inside = value >= range.min && value <= range.max;
            EXPECT_EQ(save.failed(), !inside);
            EXPECT_EQ(services->boxes->texts().size(), boxesBefore + (inside ? 0 : 1));
            if (!inside) {
                EXPECT_EQ(services->boxes->texts().back(), "Please enter an integer between " +
                                                               std::to_string(range.min) + " and " +
                                                               std::to_string(range.max) + ".");
            }
        }
    }
}

// A check box keeps each of its three states through a load and a save: a tri-state member of 2
// (partly on) is not turned into 1 by OK.
TEST_F(DialogTest, ACheckBoxGivesBackEachOfItsThreeStates) {
    QWidget window;
    auto* box = Dialog::withId(new QCheckBox(QStringLiteral("Option"), &window), 1);
    const struct {
        int member;
        Qt::CheckState shown;
    } cases[] = {{2, Qt::PartiallyChecked}, {1, Qt::Checked}, {0, Qt::Unchecked}, {2, Qt::PartiallyChecked}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.member);
        int member = c.member;
        DataExchange load(window, false, *services->boxes);
        DDX_Check(load, 1, member);
        EXPECT_EQ(box->checkState(), c.shown);
        member = -1;
        DataExchange save(window, true, *services->boxes);
        DDX_Check(save, 1, member);
        EXPECT_EQ(member, c.member);
    }
}

// Opens a FieldsDialog from a button and shows the name it was given.
class OpeningDialog : public Dialog {
public:
    explicit OpeningDialog(Services services) : Dialog(9002, std::move(services)) {
        auto* layout = new QVBoxLayout(this);
        auto* open = withId(new QPushButton("Properties..."), 1010);
        auto* shown = withId(new QLabel, 1011);
        connect(open, &QPushButton::clicked, this, [this, shown] {
            FieldsDialog inner(this->services(), this);
            if (inner.DoModal() == IDOK)
                shown->setText(QString::fromStdString(inner.m_strName + " " + std::to_string(inner.m_nTimeout)));
        });
        auto* ok = withId(new QPushButton("OK"), 1);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        layout->addWidget(open);
        layout->addWidget(shown);
        layout->addWidget(ok);
    }
};

TEST_F(DialogTest, ADialogThatOpensAnotherIsDrivenByAScriptOfBoth) {
    QString shownAfterInner;
    services->modal->on("dlg_9002", [&](QDialog& outer) {
        QTest::mouseClick(outer.findChild<QPushButton*>("idc_1010"), Qt::LeftButton);
        shownAfterInner = outer.findChild<QLabel*>("idc_1011")->text();
        QTest::mouseClick(outer.findChild<QPushButton*>("idc_1"), Qt::LeftButton);
    });
    services->modal->on("dlg_9001", [](QDialog& inner) {
        EXPECT_EQ(QApplication::activeModalWidget(), &inner); // the box of a refusal belongs to it
        auto* name = inner.findChild<QLineEdit*>("idc_1001");
        auto* timeout = inner.findChild<QLineEdit*>("idc_1002");
        name->setText("Mine");
        timeout->setText("900");
        QTest::mouseClick(inner.findChild<QPushButton*>("idc_1"), Qt::LeftButton);
        EXPECT_TRUE(inner.isVisible()); // refused: the dialog stays
        timeout->setText("30");
        QTest::keyClick(timeout, Qt::Key_Return); // Return is OK
    });

    OpeningDialog outer(services->bundle());
    EXPECT_EQ(outer.DoModal(), IDOK);
    EXPECT_EQ(shownAfterInner, "Mine 30");
    EXPECT_EQ(services->modal->ran(), (std::vector<std::string>{"dlg_9002", "dlg_9001"}));
    EXPECT_EQ(services->modal->unusedSteps(), 0u);
    EXPECT_EQ(services->boxes->texts(), std::vector<std::string>{"Please enter an integer between 1 and 600."});
}

TEST_F(DialogTest, CancelEscapeAndTheUnattendedRunEndWithCancelAndChangeNothing) {
    services->modal->on("dlg_9001", [](QDialog& d) {
        d.findChild<QLineEdit*>("idc_1001")->setText("Changed");
        QTest::mouseClick(d.findChild<QPushButton*>("idc_2"), Qt::LeftButton);
    });
    services->modal->on("dlg_9001", [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    for (int run = 0; run < 2; ++run) {
        FieldsDialog dialog(services->bundle());
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(dialog.m_strName, "Northwind");
    }

    // Without a user no dialog runs.
    FieldsDialog unattended(Services::unattended(services->settings, services->clock));
    EXPECT_EQ(unattended.DoModal(), IDCANCEL);
    EXPECT_FALSE(unattended.isVisible());
}

TEST_F(DialogTest, ReturnInAListRunsItsActionInsteadOfOk) {
    int edits = 0;
    services->modal->on("dlg_9001", [&](QDialog& d) {
        auto* list = new QListWidget(&d);
        list->addItems({"first", "second"});
        list->setCurrentRow(1);
        Dialog::redirectReturn(list, [&] { ++edits; });
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(d.isVisible());
        QTest::keyClick(d.findChild<QLineEdit*>("idc_1001"), Qt::Key_Return); // elsewhere Return is OK
    });
    FieldsDialog dialog(services->bundle());
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(edits, 2);
}

// Multi-line fields of a dialog: Tab and Shift+Tab move on, as in any other field; Ctrl+Tab puts
// a tab into an editable one and leaves a read-only one as it is.
TEST_F(DialogTest, TabLeavesAMultiLineFieldAndCtrlTabInsertsATab) {
    services->modal->on("dlg_9003", [](QDialog& d) {
        auto* before = d.findChild<QLineEdit*>("idc_1001");
        auto* plain = d.findChild<QPlainTextEdit*>("idc_1002");
        auto* rich = d.findChild<QTextEdit*>("idc_1003");
        auto* readOnly = d.findChild<QPlainTextEdit*>("idc_1004");
        auto* after = d.findChild<QLineEdit*>("idc_1005");
        ASSERT_TRUE(before && plain && rich && readOnly && after);
        d.activateWindow();

        plain->setFocus();
        QTest::keyClick(plain, Qt::Key_Tab);
        EXPECT_EQ(d.focusWidget(), rich);
        QTest::keyClick(rich, Qt::Key_Tab);
        EXPECT_EQ(d.focusWidget(), readOnly);
        QTest::keyClick(readOnly, Qt::Key_Tab);
        EXPECT_EQ(d.focusWidget(), after);
        plain->setFocus();
        QTest::keyClick(plain, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(d.focusWidget(), before);
        EXPECT_EQ(plain->toPlainText(), "first line");
        EXPECT_EQ(rich->toPlainText(), "");

        plain->setFocus();
        plain->moveCursor(QTextCursor::End);
        QTest::keyClick(plain, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(d.focusWidget(), plain);
        EXPECT_EQ(plain->toPlainText(), "first line\t");
        rich->setFocus();
        QTest::keyClick(rich, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(rich->toPlainText(), "\t");
        readOnly->setFocus();
        QTest::keyClick(readOnly, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(readOnly->toPlainText(), "status");
        static_cast<Dialog&>(d).EndDialog(IDOK);
    });
    Dialog dialog(9003, services->bundle());
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(Dialog::withId(new QLineEdit, 1001));
    layout->addWidget(Dialog::withId(new QPlainTextEdit("first line"), 1002));
    layout->addWidget(Dialog::withId(new QTextEdit, 1003));
    auto* status = Dialog::withId(new QPlainTextEdit("status"), 1004);
    status->setReadOnly(true);
    layout->addWidget(status);
    layout->addWidget(Dialog::withId(new QLineEdit, 1005));
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

// Editable combo boxes exchanged as text: a text longer than the box shows its beginning (the
// cursor at 0), whether it is an entry of the list or not, and comes back unchanged.
class ComboTextDialog : public Dialog {
public:
    explicit ComboTextDialog(Services services) : Dialog(9002, std::move(services)) {
        auto* layout = new QVBoxLayout(this);
        for (const unsigned id : {1010u, 1011u}) {
            auto* combo = withId(new QComboBox, id);
            combo->setEditable(true);
            combo->addItems({"short", kLong});
            combo->setFixedWidth(80);
            layout->addWidget(combo);
        }
    }
    static constexpr const char* kLong = "https://quotes.example.org/a/long/path/to/the/page?symbol=AAA";
    std::string m_strServer, m_strUrl;

protected:
    void DoDataExchange(DataExchange& dx) override {
        DDX_CBString(dx, 1010, m_strServer);
        DDX_Text(dx, 1011, m_strUrl);
    }
};

TEST_F(DialogTest, AnEditableComboBoxShowsTheBeginningOfALongText) {
    const std::string typed = std::string(ComboTextDialog::kLong) + "&more=1"; // no entry of the list
    for (const std::string& text : {std::string(ComboTextDialog::kLong), typed}) {
        SCOPED_TRACE(text);
        ComboTextDialog dialog(services->bundle());
        dialog.m_strServer = dialog.m_strUrl = text;
        ASSERT_TRUE(dialog.UpdateData(false));
        for (const unsigned id : {1010u, 1011u}) {
            const auto* combo = dialog.control<QComboBox>(id);
            EXPECT_EQ(combo->currentText().toStdString(), text);
            EXPECT_EQ(combo->lineEdit()->cursorPosition(), 0);
        }
        dialog.m_strServer = dialog.m_strUrl = "";
        ASSERT_TRUE(dialog.UpdateData(true));
        EXPECT_EQ(dialog.m_strServer, text);
        EXPECT_EQ(dialog.m_strUrl, text);
    }
}

} // namespace
