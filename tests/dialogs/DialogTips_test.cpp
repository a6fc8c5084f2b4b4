// The balloon tips of the server configuration editor, the regular-expression test and the
// import page: every row of a dialog's tip table lands on a control of that dialog, and resting
// the pointer on a control shows its text (real timers, offscreen).
#include "ServerDialogsFixture.h"
#include "controls/PPToolTip.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DlgImport.h"
#include "dialogs/DlgRegExpSearch.h"
#include "dialogs/DlgServerProp.h"
#include "dialogs/ImportDialogIds.h"
#include "support/Renderings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <memory>
#include <string>

namespace {

using namespace serverdialogs;

class DialogTipsTest : public ServerDialogsTest {
protected:
    // One dialog of the tests: how to make it, its tips, and the control a test rests on.
    struct TipDialog {
        const char* name;
        std::unique_ptr<Dialog> (DialogTipsTest::*make)();
        const DialogTipTable& (*tips)();
        unsigned hovered;
    };

    std::unique_ptr<Dialog> serverProp() {
        auto editor = std::make_unique<CDlgServerProp>(services->bundle(), document);
        editor->m_strItemName = "Acme";
        editor->m_strTemplateName = "DE-Kurse";
        editor->m_nSearchMethod = 1; // the advanced section, with the expression, is shown
        return editor;
    }
    std::unique_ptr<Dialog> regExpSearch() {
        const PageRecord files = pageFiles("page", "IDX 12,5", "IDX 12,5", "IDX 12,5");
        auto test = std::make_unique<CDlgRegExpSearch>(services->bundle());
        test->m_strTemplateName = "DE-Kurse";
        test->m_strRawFile = files.raw;
        test->m_strSemiHtmlFile = files.semiHtml;
        test->m_strTextFile = files.text;
        return test;
    }
    std::unique_ptr<Dialog> importPage() {
        auto page = std::make_unique<CDlgImport>(services->bundle());
        page->m_strTitle = "Import historical quotations for \"Acme\"";
        page->m_strUrl = "https://quotes.example/history?s=[&symbol]";
        page->m_strTemplateName = kImportTemplateNew;
        return page;
    }

    std::vector<TipDialog> dialogs() {
        return {
            {"server configuration", &DialogTipsTest::serverProp, &CDlgServerProp::Tips, IDC_SERVER_URL},
            {"regular-expression test", &DialogTipsTest::regExpSearch, &CDlgRegExpSearch::Tips, IDC_REGEXP},
            {"import page", &DialogTipsTest::importPage, &CDlgImport::Tips, IDC_IMPORT_DATA_FORMAT},
        };
    }

    // The dialog shown (and so initialised) with the pointer on it, over no tool.
    static void showDialog(Dialog& dialog) {
        dialog.move(40, 60);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseMove(&dialog, QPoint(2, 2));
    }

    // The dialog's tip window (the tip has no meta-object of its own, so findChild cannot tell it).
    static CPPToolTip* tipOf(Dialog& dialog) {
        for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (auto* tip = dynamic_cast<CPPToolTip*>(child))
                return tip;
        return nullptr;
    }

    static QString tipText(const DialogTipTable& table, unsigned id) {
        for (std::size_t i = 0; i < table.count; ++i)
            if (table.tips[i].controlId == id)
                return QString::fromUtf8(table.tips[i].text);
        return {};
    }
};

TEST_F(DialogTipsTest, EveryRowOfATipTableNamesAControlOfItsDialog) {
    for (const TipDialog& d : dialogs()) {
        SCOPED_TRACE(d.name);
        const std::unique_ptr<Dialog> dialog = (this->*d.make)();
        const DialogTipTable& table = d.tips();
        ASSERT_GT(table.count, 0u);
        for (std::size_t i = 0; i < table.count; ++i)
            EXPECT_NE(dialog->control(table.tips[i].controlId), nullptr) << "idc_" << table.tips[i].controlId;
    }
}

TEST_F(DialogTipsTest, RestingOnAControlShowsItsTipUntilTheDialogCloses) {
    for (const TipDialog& d : dialogs()) {
        SCOPED_TRACE(d.name);
        const std::unique_ptr<Dialog> dialog = (this->*d.make)();
        showDialog(*dialog);
        auto* tip = tipOf(*dialog);
        ASSERT_NE(tip, nullptr);
        EXPECT_FALSE(tip->isVisible());

        QWidget* target = dialog->control(d.hovered);
        ASSERT_NE(target, nullptr);
        // The editable data format is entered through its edit field, which shows the combo's tip.
        if (auto* combo = qobject_cast<QComboBox*>(target); combo && combo->lineEdit())
            target = combo->lineEdit();
        QTest::mouseMove(target, QPoint(12, target->height() / 2));
        ASSERT_TRUE(waitUntil([&] { return tip->isVisible(); }, 2000));
        ASSERT_NE(tip->DisplayedTool(), nullptr);
        EXPECT_EQ(tip->DisplayedTool()->text.toStdString(), tipText(d.tips(), d.hovered).toStdString());

        dialog->done(IDCANCEL);
        EXPECT_FALSE(tip->isVisible());
    }
}

TEST_F(DialogTipsTest, TheDataFormatTipStaysLongerThanTheDefaultFiveSeconds) {
    const std::unique_ptr<Dialog> page = importPage();
    showDialog(*page);
    auto* tip = tipOf(*page);
    ASSERT_NE(tip, nullptr);
    QLineEdit* edit = page->control<QComboBox>(IDC_IMPORT_DATA_FORMAT)->lineEdit();
    QTest::mouseMove(edit, QPoint(12, edit->height() / 2));
    ASSERT_TRUE(waitUntil([&] { return tip->isVisible(); }, 2000));

    // The page under its tip, for a person to look at.
    const QRect area = page->geometry().united(tip->geometry());
    QImage scene(area.size(), QImage::Format_ARGB32_Premultiplied);
    scene.fill(Qt::white);
    {
        QPainter painter(&scene);
        painter.drawImage(page->geometry().topLeft() - area.topLeft(), page->grab().toImage());
        painter.drawImage(tip->geometry().topLeft() - area.topLeft(), tip->grab().toImage());
    }
    testsupport::saveRendering(scene, "data-format-tip");

    QTest::qWait(5400);
    EXPECT_TRUE(tip->isVisible());
}

} // namespace
