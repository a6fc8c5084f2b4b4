// Accelerator table 127 on the main window: every key runs its command exactly once, through the
// command's action; the key of a disabled command does nothing at all; the keys the menus show
// are the keys bound; and a focused text field, in the window or in a dialog, keeps its editing
// keys for itself.

#include "AcceleratorTable.h"
#include "ProgramWindow.h"
#include "app/MainMenus.h"
#include "retrieval/DownloadManager.h"

#include <QClipboard>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

using apptest::kAccelerators;
using apptest::Key;

class AcceleratorsTest : public apptest::ProgramWindowTest {
protected:
    // From now on, `triggered` records the commands the window's actions run.
    void recordCommands() {
        triggered.clear();
        for (const CommandId id : frame->commands().ids())
            QObject::connect(frame->actionFor(id), &QAction::triggered, frame, [this, id] { triggered.push_back(id); });
    }
    // Waits for the downloads a command started to end.
    void settle() {
        const auto busy = [this] {
            for (ItemPos pos = doc->GetHeadPosition(); pos != kNoItemPos;) {
                const ItemPos here = pos;
                doc->GetNextItem(pos);
                if (doc->IsDownloadInProgress(here))
                    return true;
            }
            return frame->m_nActiveDownloads > 0;
        };
        for (int i = 0; i < 1000 && busy(); ++i)
            QTest::qWait(10);
        // A test download sets neither flag: its worker is waited for too, so that no worker of
        // this key still runs while the next key's window is built and the last one destroyed.
        EXPECT_TRUE(DownloadManager::instance().waitForWorkers(std::chrono::seconds(30)));
    }

    // What a key could have done to the window.
    struct Snapshot {
        std::size_t dialogs, boxes, fileDialogs, opened, selected, items;
        bool modified;
        QWidget* focus;
        QString clipboard;
        std::string title;
        bool operator==(const Snapshot&) const = default;
        friend void PrintTo(const Snapshot& s, std::ostream* os) {
            *os << "{dialogs " << s.dialogs << ", boxes " << s.boxes << ", file dialogs " << s.fileDialogs
                << ", opened " << s.opened << ", selected " << s.selected << ", items " << s.items << ", modified "
                << s.modified << ", focus " << (s.focus ? s.focus->metaObject()->className() : "none")
                << ", clipboard '" << s.clipboard.toStdString() << "', title '" << s.title << "'}";
        }
    };
    Snapshot snapshot() const {
        return {services->modal->ran().size(),
                services->boxes->texts().size(),
                services->files->asked().size(),
                services->shell->opened().size(),
                list->selection().m_SelectedItems.size(),
                static_cast<std::size_t>(doc->GetItemCount()),
                doc->IsModified(),
                QApplication::focusWidget(),
                QGuiApplication::clipboard()->text(),
                doc->GetTitle()};
    }

    std::vector<CommandId> triggered;
};

TEST_F(AcceleratorsTest, EveryKeyRunsItsCommandOnceAndTheKeyOfADisabledCommandDoesNothing) {
    // What the commands do, as counts that grow by one when the command runs once.
    const std::map<CommandId, std::function<std::size_t(const Snapshot&)>> effects = {
        {ID_COMPARE_ALL, [](const Snapshot& s) { return s.selected == s.items ? 1u : 0u; }},
        {ID_EXPORT_QUOTATIONS, [](const Snapshot& s) { return s.fileDialogs; }},
        {ID_FILE_OPEN, [](const Snapshot& s) { return s.fileDialogs; }},
        {ID_FILE_NEW, [](const Snapshot& s) { return s.title == Document::kUntitled ? 1u : 0u; }},
        {ID_HELP_FAQ, [](const Snapshot& s) { return s.opened; }},
        {ID_NEXT_PANE, [this](const Snapshot& s) { return s.focus == chart ? 1u : 0u; }},
        {ID_PREV_PANE, [this](const Snapshot& s) { return s.focus == chart ? 1u : 0u; }},
        {ID_UPDATE_QUOTATION_ON, [](const Snapshot& s) { return s.dialogs; }},
        {ID_IMPORT_QUOTATIONS, [](const Snapshot& s) { return s.dialogs; }},
        {ID_ADD_QUOTATION, [](const Snapshot& s) { return s.dialogs; }},
        {ID_ITEM_PROPERTIES, [](const Snapshot& s) { return s.dialogs; }},
        {ID_NEW_ITEM, [](const Snapshot& s) { return s.dialogs; }},
        {ID_DISPLAY_QUOTATIONS, [](const Snapshot& s) { return s.dialogs; }},
        {ID_ADD_TRANSACTION, [](const Snapshot& s) { return s.dialogs; }},
        {ID_DELETE_ITEM, [](const Snapshot& s) { return s.boxes; }},
    };
    // The dialogs the keys open, cancelled at once.
    const std::map<CommandId, const char*> dialogs = {
        {ID_UPDATE_QUOTATION_ON, "dlg_3212"}, {ID_IMPORT_QUOTATIONS, "dlg_194"},  {ID_ADD_QUOTATION, "dlg_3214"},
        {ID_ITEM_PROPERTIES, "dlg_108"},      {ID_NEW_ITEM, "dlg_108"},           {ID_DISPLAY_QUOTATIONS, "dlg_108"},
        {ID_ADD_TRANSACTION, "dlg_108"}};
    std::size_t ran = 0;
    for (const Key& key : kAccelerators) {
        SCOPED_TRACE(QKeySequence(key.key).toString().toStdString());
        // Each key on a window just opened, one row selected, the focus in the list.
        app.reset();
        start();
        select({0});
        QWidget& rows = list->GetListCtrl();
        rows.setFocus();
        QGuiApplication::clipboard()->setText(QStringLiteral("on the clipboard"));
        const bool on = enabled(key.id);
        if (on && dialogs.contains(key.id))
            services->modal->on(dialogs.at(key.id), [](QDialog& dialog) { dialog.reject(); });
        recordCommands();
        const std::filesystem::file_time_type saved = std::filesystem::last_write_time(file);
        const Snapshot before = snapshot();

        QTest::keyClick(&rows, key.key.key(), key.key.keyboardModifiers());
        const Snapshot after = snapshot();
        if (on) {
            ++ran;
            EXPECT_EQ(triggered, std::vector<CommandId>{key.id});
            if (const auto effect = effects.find(key.id); effect != effects.end()) {
                EXPECT_EQ(effect->second(after), effect->second(before) + 1);
            }
            if (key.id == ID_FILE_SAVE) {
                EXPECT_NE(std::filesystem::last_write_time(file), saved);
            }
            EXPECT_EQ(services->modal->unusedSteps(), 0u);
        } else {
            EXPECT_TRUE(triggered.empty());
            EXPECT_EQ(after, before);
            EXPECT_EQ(std::filesystem::last_write_time(file), saved);
        }
        settle();
    }
    // Both kinds were pressed: the table holds commands of the window and commands still to come.
    EXPECT_GT(ran, 0u);
    EXPECT_LT(ran, std::size(kAccelerators));
}

// Menu texts show a key after a tab ("&Update quotation\tCtrl+Y"): that key runs the entry's command.
TEST_F(AcceleratorsTest, TheKeysTheMenusShowAreTheKeysBound) {
    start();
    const std::map<QString, QString> names = {{"Del", "Delete"}, {"Ins", "Insert"}, {"Enter", "Return"}};
    const std::function<void(const std::vector<MenuEntry>&)> check = [&](const std::vector<MenuEntry>& entries) {
        for (const MenuEntry& entry : entries) {
            if (entry.popup) {
                check(entry.items);
                continue;
            }
            const qsizetype tab = entry.text.indexOf('\t');
            if (tab < 0)
                continue;
            SCOPED_TRACE(entry.text.toStdString());
            QString shown = entry.text.mid(tab + 1);
            if (names.contains(shown))
                shown = names.at(shown);
            const QKeySequence key = QKeySequence::fromString(shown, QKeySequence::PortableText);
            ASSERT_FALSE(key.isEmpty());
            EXPECT_EQ(frame->commands().commandOfKey(key), entry.id);
            EXPECT_TRUE(frame->actionFor(entry.id)->shortcuts().contains(key));
        }
    };
    for (const auto& menu : {mainMenuEntries(), itemMenuEntries(), columnMenuEntries(), trayMenuEntries()})
        check(menu);
}

// The editing keys of a text field: what each does to "abc" with the cursor at `cursor` (-1: all
// selected) and "xyz" on the clipboard.
struct EditKey {
    QKeyCombination key;
    int cursor;
    const char* text;      // the field's text after the key
    const char* clipboard; // the clipboard's after it
    const char* selected;  // the field's selection after it
};
const EditKey kEditKeys[] = {
    {QKeyCombination(Qt::Key_Delete), 0, "bc", "xyz", ""},  {QKeyCombination(Qt::Key_Insert), 0, "abc", "xyz", ""},
    {QKeyCombination(Qt::Key_Return), 3, "abc", "xyz", ""}, {QKeyCombination(Qt::Key_Enter), 3, "abc", "xyz", ""},
    {Qt::CTRL | Qt::Key_A, 0, "abc", "xyz", "abc"},         {Qt::CTRL | Qt::Key_C, -1, "abc", "abc", "abc"},
    {Qt::CTRL | Qt::Key_Insert, -1, "abc", "abc", "abc"},   {Qt::CTRL | Qt::Key_V, 3, "abcxyz", "xyz", ""},
    {Qt::SHIFT | Qt::Key_Insert, 3, "abcxyz", "xyz", ""},   {Qt::CTRL | Qt::Key_X, -1, "", "abc", ""},
    {Qt::SHIFT | Qt::Key_Delete, -1, "", "abc", ""},
};

TEST_F(AcceleratorsTest, AFocusedTextFieldKeepsItsEditingKeys) {
    start();
    select({0});
    recordCommands();
    const auto pressAll = [&](QLineEdit& field) {
        for (const EditKey& k : kEditKeys) {
            SCOPED_TRACE(QKeySequence(k.key).toString().toStdString());
            field.setText(QStringLiteral("abc"));
            if (k.cursor < 0)
                field.selectAll();
            else
                field.setCursorPosition(k.cursor);
            QGuiApplication::clipboard()->setText(QStringLiteral("xyz"));
            QSignalSpy returns(&field, &QLineEdit::returnPressed);
            QTest::keyClick(&field, k.key.key(), k.key.keyboardModifiers());
            EXPECT_EQ(field.text(), QString::fromUtf8(k.text));
            EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(k.clipboard));
            EXPECT_EQ(field.selectedText(), QString::fromUtf8(k.selected));
            const bool isReturn = k.key.key() == Qt::Key_Return || k.key.key() == Qt::Key_Enter;
            EXPECT_EQ(returns.count(), isReturn ? 1 : 0);
            EXPECT_TRUE(triggered.empty());
            EXPECT_EQ(list->selection().m_SelectedItems.size(), 1u);
        }
    };

    {
        SCOPED_TRACE("in the window");
        auto* field = new QLineEdit(frame);
        field->show();
        field->setFocus();
        pressAll(*field);
        delete field;
    }
    {
        SCOPED_TRACE("in a dialog");
        QDialog dialog(frame);
        dialog.setObjectName(QStringLiteral("dlg_fields"));
        auto* field = new QLineEdit(&dialog);
        (new QVBoxLayout(&dialog))->addWidget(field);
        services->modal->on("dlg_fields", [&](QDialog& shown) {
            field->setFocus();
            pressAll(*field);
            shown.reject();
        });
        services->bundle().modal->run(dialog);
        EXPECT_EQ(services->modal->ran(), std::vector<std::string>{"dlg_fields"});
    }
}

} // namespace
