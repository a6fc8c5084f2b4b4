#include "framework/MessageBoxes.h"
#include "framework/QtMessageBoxes.h"
#include "framework/Services.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

using testsupport::LogCapture;

namespace {

struct BoxCase {
    unsigned type;
    int defaultAnswer;
    int escapeAnswer;
    unsigned icon;
};

// What a box of each kind answers by default and on Escape, and the icon it shows.
TEST(MessageBoxRules, DefaultAndEscapeAnswersAndIcons) {
    const BoxCase cases[] = {
        {MB_OK, IDOK, IDOK, MB_ICONEXCLAMATION},
        {MB_OK | MB_ICONINFORMATION, IDOK, IDOK, MB_ICONINFORMATION},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL, IDCANCEL, MB_ICONEXCLAMATION},
        {MB_YESNO, IDYES, 0, MB_ICONEXCLAMATION},
        {MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION, IDNO, 0, MB_ICONQUESTION},
        {MB_YESNO | MB_DEFBUTTON3, IDYES, 0, MB_ICONEXCLAMATION}, // no third button: the first
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL, IDCANCEL, MB_ICONEXCLAMATION},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY, 0, 0},
        {MB_RETRYCANCEL | MB_ICONERROR, IDRETRY, IDCANCEL, MB_ICONERROR},
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(defaultMessageBoxAnswer(c.type), c.defaultAnswer);
        EXPECT_EQ(escapeMessageBoxAnswer(c.type), c.escapeAnswer);
        EXPECT_EQ(messageBoxIcon(c.type), c.icon);
    }
}

TEST(UnattendedMessageBoxes, LogTheTextAndAnswerWithTheDefaultButton) {
    LogCapture log;
    UnattendedMessageBoxes boxes;
    EXPECT_EQ(boxes.messageBox("Timer error!"), IDOK);
    EXPECT_EQ(boxes.messageBox("Delete the item?", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(boxes.messageBox("Quotation for 'X':\nValue: 1.0000", MB_OK | MB_ICONINFORMATION), IDOK);
    EXPECT_EQ(boxes.messageBox("Download error", MB_OK | MB_ICONERROR), IDOK);

    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].level, LOG_LEVEL_WARNING);
    EXPECT_EQ(lines[0].message, "Message box: Timer error!");
    EXPECT_EQ(lines[1].level, LOG_LEVEL_WARNING);
    EXPECT_EQ(lines[1].message, "Message box (answered No): Delete the item?");
    EXPECT_EQ(lines[2].level, LOG_LEVEL_INFO);
    EXPECT_EQ(lines[2].message, "Message box: Quotation for 'X':\nValue: 1.0000");
    EXPECT_EQ(lines[3].level, LOG_LEVEL_ERROR);
    EXPECT_EQ(lines[3].file, "MessageBoxes.cpp");
}

// Runs `act` on the message box once it shows as the active modal window. A box that never shows
// so, or that `act` leaves open, fails the test and is closed once the limit has passed: its
// exec() never waits for ever. The watch lasts as long as the returned timer, which the caller
// keeps until the box has returned (no event loop may run afterwards to delete it later).
[[nodiscard]] std::unique_ptr<QTimer> whenBoxShown(std::function<void(QMessageBox&)> act) {
    constexpr int kLimitMs = 10000;
    auto timer = std::make_unique<QTimer>();
    QTimer* poll = timer.get();
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    auto acted = std::make_shared<std::optional<QPointer<QMessageBox>>>();
    QObject::connect(poll, &QTimer::timeout, [poll, act, since, acted] {
        const auto stop = [poll] { poll->stop(); };
        if (!acted->has_value()) {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                acted->emplace(box);
                act(*box);
            }
        } else if (acted->value().isNull()) {
            stop(); // the box has gone
            return;
        }
        if (since->elapsed() < kLimitMs)
            return;
        ADD_FAILURE() << (acted->has_value() ? "the box stayed open" : "no box showed as the active modal window");
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible())
                box->done(0);
        stop();
    });
    poll->start(5);
    return timer;
}

TEST(QtMessageBoxes, ShowTheButtonsIconAndPlainTextAndReturnTheChosenButton) {
    QtMessageBoxes boxes("Corvana");
    QStringList buttons;
    QString defaultButton, title, shownText;
    QMessageBox::Icon icon{};
    Qt::TextFormat format{};
    const auto watch = whenBoxShown([&](QMessageBox& box) {
        for (QAbstractButton* b : box.buttons())
            buttons << b->text().remove('&');
        defaultButton = box.defaultButton()->text().remove('&');
        title = box.windowTitle();
        shownText = box.text();
        icon = box.icon();
        format = box.textFormat();
        box.button(QMessageBox::No)->click();
    });
    const int answer = boxes.messageBox("Save changes to <b>p.cvr</b>?", MB_YESNOCANCEL | MB_DEFBUTTON2);
    EXPECT_EQ(answer, IDNO);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Cancel", "No", "Yes"}));
    EXPECT_EQ(defaultButton, "No");
    EXPECT_EQ(title, "Corvana");
    EXPECT_EQ(shownText, "Save changes to <b>p.cvr</b>?");
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST(QtMessageBoxes, EscapeGivesCancelOrForAnOkBoxOk) {
    QtMessageBoxes boxes("Corvana");
    auto watch = whenBoxShown([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(boxes.messageBox("Delete?", MB_OKCANCEL), IDCANCEL);

    watch = whenBoxShown([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(boxes.messageBox("Done.", MB_OK | MB_ICONINFORMATION, "Own caption"), IDOK);
}

// A box raised while a modal dialog runs belongs to that dialog, so it never sinks behind it;
// without one, to the active window, else the main window.
TEST(QtMessageBoxes, BelongToTheActiveModalDialogElseTheActiveElseTheMainWindow) {
    QWidget main;
    main.setObjectName("main");
    const Services services = Services::desktop(
        "Corvana", [&main] { return &main; }, Services::programSettings(), Services::programClock());
    QWidget* owner = nullptr;
    const auto ownerOfBox = [&] {
        owner = nullptr;
        const auto watch = whenBoxShown([&owner](QMessageBox& box) {
            owner = box.parentWidget();
            box.button(QMessageBox::Ok)->click();
        });
        services.boxes->messageBox("Please enter a number.");
        return owner;
    };

    EXPECT_EQ(activeDialogParent(&main), &main); // nothing shows yet
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QDialog dialog(&main);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    EXPECT_EQ(ownerOfBox(), &dialog);

    dialog.hide();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(ownerOfBox(), &other);
}

} // namespace
