#include "FrameworkTestKit.h"
#include "framework/ResourceIds.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QToolBar>

#include <map>

using namespace frameworktest;

namespace {

constexpr CommandId kProperties = 40100; // Return and Enter
constexpr CommandId kDelete = 40101;     // Delete
constexpr CommandId kOther = 40102;

class CommandRegistryTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(app->OpenDocumentFile(file("p.cvr", "content")));
        ASSERT_NE(view(), nullptr);
    }
    // A handler of `id` on the frame that counts its runs.
    void count(CommandId id) {
        frame()->addCommand(id, [this, id] { ++runs[id]; });
    }
    void activate() {
        frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame()));
    }
    std::map<CommandId, int> runs;
};

TEST_F(CommandRegistryTest, OneActionPerCommandWhereverItShows) {
    QAction* abort = frame()->commandAction(32797);
    EXPECT_EQ(frame()->commandAction(32797), abort);
    EXPECT_EQ(abort->data().toUInt(), 32797u);
    EXPECT_EQ(abort->toolTip(), "Abort downloads"); // from the string table
    EXPECT_TRUE(abort->statusTip().isEmpty());

    QMenu menu;
    menu.addAction(abort);
    QToolBar* toolbar = frame()->addToolBar("Main");
    toolbar->addAction(abort);
    QAction second("Abort");
    EXPECT_EQ(frame()->bindAction(&second, 32797), abort); // a second action is not bound
    EXPECT_EQ(frame()->actionFor(32797), abort);
    EXPECT_EQ(menu.actions().front(), toolbar->actions().front());
}

TEST_F(CommandRegistryTest, TheUpdatePassAsksEachCommandOnceAndSetsAndClearsItsMarks) {
    std::map<CommandId, int> asked;
    enum class Want { Nothing, Check, Radio } want = Want::Check;
    count(kOther);
    frame()->addUpdateHandler(kOther, [&](CmdUI& ui) {
        ++asked[kOther];
        if (want == Want::Check)
            ui.SetCheck(1);
        else if (want == Want::Radio)
            ui.SetRadio(true);
    });
    QAction* action = frame()->commandAction(kOther);
    QMenu first, second;
    first.addAction(action);
    second.addAction(action);
    frame()->bindMenu(&first);

    asked.clear();
    frame()->UpdateCommandUI();
    EXPECT_EQ(asked[kOther], 1);
    EXPECT_TRUE(action->isCheckable());
    EXPECT_TRUE(action->isChecked());
    EXPECT_EQ(action->actionGroup(), nullptr);

    want = Want::Radio;
    emit first.aboutToShow();
    EXPECT_EQ(asked[kOther], 2);
    ASSERT_NE(action->actionGroup(), nullptr);
    EXPECT_TRUE(action->actionGroup()->isExclusive()); // what makes menus draw a radio mark
    EXPECT_TRUE(action->isChecked());

    want = Want::Nothing;
    frame()->UpdateCommandUI();
    EXPECT_FALSE(action->isCheckable());
    EXPECT_FALSE(action->isChecked());
    EXPECT_EQ(action->actionGroup(), nullptr);
}

// Each key of the table runs its command once: no two actions share a key, and keys without a
// menu entry work through actions of the frame.
TEST_F(CommandRegistryTest, EveryKeyRunsItsCommandOnce) {
    struct Keyed {
        CommandId id;
        QList<QKeySequence> keys;
        bool inMenu;
    };
    const Keyed table[] = {
        {ID_EDIT_COPY, {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}, true},
        {ID_EDIT_CUT, {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)}, true},
        {ID_EDIT_PASTE, {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}, true},
        {ID_EDIT_UNDO, {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)}, true},
        {kProperties, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}, true},
        {kDelete, {QKeySequence(Qt::Key_Delete)}, true},
        {ID_NEXT_PANE, {QKeySequence(Qt::Key_F6)}, false},
        {ID_PREV_PANE, {QKeySequence(Qt::SHIFT | Qt::Key_F6)}, false},
    };
    QMenu* edit = frame()->menuBar()->addMenu("&Edit");
    for (const Keyed& k : table) {
        count(k.id);
        EXPECT_TRUE(frame()->commands().setShortcuts(k.id, k.keys));
        if (k.inMenu)
            edit->addAction(frame()->commandAction(k.id));
    }
    // A key that is taken stays with its command.
    count(kOther);
    EXPECT_FALSE(frame()->commands().setShortcuts(kOther, {QKeySequence(Qt::CTRL | Qt::Key_C)}));
    EXPECT_EQ(frame()->commands().commandOfKey(QKeySequence(Qt::CTRL | Qt::Key_C)), ID_EDIT_COPY);

    frame()->UpdateCommandUI();
    activate();
    view()->setFocus();
    for (const Keyed& k : table) {
        for (const QKeySequence& key : k.keys) {
            SCOPED_TRACE(key.toString().toStdString());
            runs.clear();
            QTest::keySequence(view(), key);
            EXPECT_EQ(runs[k.id], 1);
            EXPECT_EQ(runs.size(), 1u);
        }
    }
}

TEST_F(CommandRegistryTest, AFocusedTextFieldAndAModalDialogKeepTheirKeys) {
    for (const CommandId id : {kProperties, kDelete, ID_EDIT_COPY, ID_EDIT_PASTE, ID_APP_EXIT})
        count(id);
    frame()->commands().setShortcuts(kProperties, {QKeySequence(Qt::Key_Return)});
    frame()->commands().setShortcuts(kDelete, {QKeySequence(Qt::Key_Delete)});
    frame()->commands().setShortcuts(ID_EDIT_COPY, {QKeySequence(Qt::CTRL | Qt::Key_C)});
    frame()->commands().setShortcuts(ID_EDIT_PASTE, {QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    frame()->commands().setShortcuts(ID_APP_EXIT, {QKeySequence(Qt::Key_F4)});
    QToolBar* toolbar = frame()->addToolBar("Search");
    auto* field = new QLineEdit("abc");
    toolbar->addWidget(field);
    frame()->UpdateCommandUI();
    activate();

    QGuiApplication::clipboard()->setText("pasted ");
    field->setFocus();
    field->setCursorPosition(0);
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Return),
                                    QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::SHIFT | Qt::Key_Insert)})
        QTest::keySequence(field, key);
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(field->text(), "pasted bc");               // Delete and Shift+Insert went to the field
    QTest::keySequence(field, QKeySequence(Qt::Key_F4)); // no editing key: the command's
    EXPECT_EQ(runs[ID_APP_EXIT], 1);

    runs.clear();
    QDialog dialog(frame());
    auto* inDialog = new QLineEdit("xyz", &dialog);
    dialog.setModal(true);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    inDialog->setFocus();
    QTest::keySequence(inDialog, QKeySequence(Qt::CTRL | Qt::Key_C));
    QTest::keySequence(inDialog, QKeySequence(Qt::Key_F4));
    EXPECT_TRUE(runs.empty());
    dialog.hide();

    activate();
    view()->setFocus();
    QTest::keySequence(view(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(runs[kDelete], 1);
}

TEST_F(CommandRegistryTest, TheClipboardsFormatsAreKeptAsTheClipboardChanges) {
    const QString format = "application/x-corvana-test-items";
    QGuiApplication::clipboard()->clear();
    processEvents();
    EXPECT_FALSE(frame()->clipboardHas(format));

    auto* data = new QMimeData;
    data->setData(format, "items");
    QGuiApplication::clipboard()->setMimeData(data);
    processEvents();
    EXPECT_TRUE(frame()->clipboardHas(format));
    EXPECT_FALSE(frame()->clipboardHas("text/plain"));

    QGuiApplication::clipboard()->setText("plain");
    processEvents();
    EXPECT_FALSE(frame()->clipboardHas(format));
    EXPECT_TRUE(frame()->clipboardHas("text/plain"));
}

} // namespace
