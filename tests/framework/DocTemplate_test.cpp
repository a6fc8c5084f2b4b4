#include "FrameworkTestKit.h"
#include "framework/RecentFileList.h"
#include "framework/ResourceIds.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

using namespace frameworktest;
using testsupport::readFile;

namespace {

class DocTemplateTest : public AppTest {
protected:
    std::vector<std::string> recentNames() {
        std::vector<std::string> names;
        for (const auto& p : app->recentFileList()->paths())
            names.push_back(p.filename().string());
        return names;
    }
};

TEST_F(DocTemplateTest, ANewDocumentGetsFrameAndViewAndIsUntitled) {
    EXPECT_EQ(app->OpenDocumentFile({}), nullptr); // opening needs a file
    Document* doc = docTemplate().OpenDocumentFile({});
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc, document());
    EXPECT_EQ(document()->GetTitle(), "Untitled");
    EXPECT_TRUE(document()->GetPathName().empty());
    EXPECT_EQ(document()->content, "new");
    EXPECT_FALSE(document()->IsModified());
    EXPECT_EQ(document()->host(), app.get());

    ASSERT_NE(frame(), nullptr);
    EXPECT_EQ(app->GetMainWnd(), frame());
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_EQ(frame()->windowTitle(), "Untitled - Corvana");
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(view()->GetDocument(), document());
    EXPECT_EQ(view()->initialUpdates, 1);
    EXPECT_EQ(app->m_nCmdShow, -1);

    // The next new document reuses both.
    FrameWnd* sameFrame = frame();
    document()->content = "changed";
    ASSERT_TRUE(docTemplate().OpenDocumentFile({}));
    EXPECT_EQ(frame(), sameFrame);
    EXPECT_EQ(document()->content, "new");
    EXPECT_EQ(document()->newCount, 2);
    EXPECT_EQ(view()->initialUpdates, 2);
}

TEST_F(DocTemplateTest, TheFirstFrameIsShownAsTheApplicationSays) {
    app->m_nCmdShow = SW_HIDE;
    ASSERT_TRUE(app->OpenDocumentFile(file("p.cvr", "data")));
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_EQ(view()->initialUpdates, 1);
}

TEST_F(DocTemplateTest, OpeningReadsTheFileAndAddsItToTheRecentFiles) {
    const auto first = file("first.cvr", "one");
    const auto second = file("second.cvr", "two");
    ASSERT_TRUE(app->OpenDocumentFile(first));
    ASSERT_TRUE(app->OpenDocumentFile(second));
    EXPECT_EQ(document()->content, "two");
    EXPECT_EQ(document()->GetPathName(), second);
    EXPECT_EQ(document()->GetTitle(), "second.cvr");
    EXPECT_FALSE(document()->IsModified());
    EXPECT_EQ(frame()->windowTitle(), "second.cvr - Corvana");
    EXPECT_EQ(view()->initialUpdates, 2);
    EXPECT_EQ(recentNames(), (std::vector<std::string>{"second.cvr", "first.cvr"}));
    EXPECT_TRUE(boxes->shown().empty());
}

TEST_F(DocTemplateTest, AModifiedDocumentIsSavedOrNotOrKeptAsTheUserAnswers) {
    struct Case {
        int answer;
        bool opened;
        std::string oldFileAfter;
    };
    const Case cases[] = {{IDYES, true, "edited"}, {IDNO, true, "old"}, {IDCANCEL, false, "old"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        const auto oldFile = file("old.cvr", "old");
        const auto newFile = file("new.cvr", "new file");
        ASSERT_TRUE(app->OpenDocumentFile(oldFile));
        document()->edit("edited");
        boxes->answer({c.answer});
        const std::size_t asked = boxes->shown().size();

        EXPECT_EQ(app->OpenDocumentFile(newFile) != nullptr, c.opened);
        ASSERT_EQ(boxes->shown().size(), asked + 1);
        EXPECT_EQ(boxes->shown().back().text, "Save changes to " + oldFile.string() + "?");
        EXPECT_EQ(boxes->shown().back().type, MB_YESNOCANCEL);
        EXPECT_EQ(readFile(oldFile), c.oldFileAfter);
        if (c.opened) {
            EXPECT_EQ(document()->content, "new file");
        } else {
            EXPECT_EQ(docTemplate().lastOpenResult(), SingleDocTemplate::OpenResult::Refused);
            EXPECT_EQ(document()->content, "edited");
            EXPECT_TRUE(document()->IsModified());
            EXPECT_EQ(document()->GetPathName(), oldFile);
        }
        // Next round from an unmodified document.
        document()->SetModifiedFlag(false);
        ASSERT_TRUE(docTemplate().OpenDocumentFile({}));
    }
}

TEST_F(DocTemplateTest, AFailedOpenKeepsAnUntouchedDocumentAndEmptiesAChangedOneToANewOne) {
    const auto current = file("current.cvr", "current");
    ASSERT_TRUE(app->OpenDocumentFile(current));
    document()->edit("unsaved");
    boxes->answer({IDNO, IDNO});

    // A missing file: the open fails before the document is touched.
    EXPECT_EQ(app->OpenDocumentFile(path("missing.cvr")), nullptr);
    EXPECT_EQ(docTemplate().lastOpenResult(), SingleDocTemplate::OpenResult::Failed);
    EXPECT_EQ(document()->content, "unsaved");
    EXPECT_TRUE(document()->IsModified());
    EXPECT_EQ(document()->GetPathName(), current);

    // A file that fails half-way: the document becomes a new, untitled one, so that saving it
    // cannot overwrite the file it came from; the views are told.
    view()->updates.clear();
    EXPECT_EQ(app->OpenDocumentFile(file("broken.cvr", "corrupt")), nullptr);
    EXPECT_EQ(document()->content, "new");
    EXPECT_TRUE(document()->GetPathName().empty());
    EXPECT_EQ(document()->GetTitle(), "Untitled");
    EXPECT_FALSE(document()->IsModified());
    ASSERT_FALSE(view()->updates.empty());
    EXPECT_EQ(view()->updates.back().second, 0);
    EXPECT_EQ(frame()->windowTitle(), "Untitled - Corvana");
    EXPECT_EQ(recentNames(), std::vector<std::string>{"current.cvr"});
}

TEST_F(DocTemplateTest, AFailedFirstOpenLeavesNoDocumentAndNoWindow) {
    EXPECT_EQ(app->OpenDocumentFile(path("missing.cvr")), nullptr);
    EXPECT_EQ(document(), nullptr);
    EXPECT_EQ(frame(), nullptr);
    EXPECT_EQ(app->GetMainWnd(), nullptr);
    ASSERT_TRUE(app->OpenDocumentFile(file("p.cvr", "p")));
    EXPECT_EQ(app->GetMainWnd(), frame());
}

TEST_F(DocTemplateTest, AFileThatIsOpenAlreadyIsNotReadAgain) {
    const auto p = file("p.cvr", "p");
    ASSERT_TRUE(app->OpenDocumentFile(p));
    document()->edit("edited");
    EXPECT_EQ(app->OpenDocumentFile(path("sub/../p.cvr")), document());
    EXPECT_EQ(document()->openCount, 1);
    EXPECT_EQ(document()->content, "edited");
    EXPECT_TRUE(boxes->shown().empty());
}

TEST_F(DocTemplateTest, SaveAsksForANameForAnUntitledDocumentAndSaveAsAlways) {
    ASSERT_TRUE(docTemplate().OpenDocumentFile({}));
    document()->edit("portfolio");
    const auto target = path("mine.cvr");
    dialogs->choose({target});
    EXPECT_TRUE(frame()->SendCommand(ID_FILE_SAVE));
    ASSERT_EQ(dialogs->asked().size(), 1u);
    const FileDialogRequest request = dialogs->asked()[0].request;
    EXPECT_TRUE(dialogs->asked()[0].save);
    EXPECT_EQ(request.initial, "Untitled.cvr");
    EXPECT_EQ(request.defaultExtension, "cvr");
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].name, "Corvana Portfolios (*.cvr)");
    EXPECT_EQ(request.filters[0].patterns, "*.cvr *.CVR");
    EXPECT_EQ(readFile(target), "portfolio");
    EXPECT_EQ(document()->GetPathName(), target);
    EXPECT_FALSE(document()->IsModified());
    EXPECT_EQ(recentNames(), std::vector<std::string>{"mine.cvr"});
    frame()->UpdateCommandUI();
    EXPECT_EQ(frame()->windowTitle(), "mine.cvr - Corvana");

    // Save with a name asks nothing; Save As proposes the file's folder and name; cancelled, nothing changes.
    document()->edit("second");
    EXPECT_TRUE(frame()->SendCommand(ID_FILE_SAVE));
    EXPECT_EQ(readFile(target), "second");
    document()->edit("third");
    EXPECT_TRUE(frame()->SendCommand(ID_FILE_SAVE_AS));
    ASSERT_EQ(dialogs->asked().size(), 2u);
    EXPECT_EQ(dialogs->asked()[1].request.initial, target);
    EXPECT_EQ(readFile(target), "second");
    EXPECT_TRUE(document()->IsModified());
}

TEST_F(DocTemplateTest, ExitClosesUnlessTheDocumentRefusesAndEndsTheRunAtOnce) {
    ASSERT_TRUE(app->OpenDocumentFile(file("p.cvr", "p")));
    document()->edit("edited");
    boxes->answer({IDCANCEL, IDNO});

    EXPECT_TRUE(frame()->SendCommand(ID_APP_EXIT));
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_FALSE(app->quitRequested());
    EXPECT_EQ(document()->closeCount, 0);

    EXPECT_TRUE(frame()->SendCommand(ID_APP_EXIT));
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_TRUE(app->quitRequested());
    EXPECT_EQ(document()->closeCount, 1);
    EXPECT_EQ(readFile(path("p.cvr")), "p");
    EXPECT_EQ(boxes->shown().size(), 2u);

    // The event loop is not entered; the recent files are stored on the way out.
    {
        const EventLoopGuard notEntered(0);
        EXPECT_EQ(app->Run(), 0);
    }
    EXPECT_EQ(app->settings().readString("Recent File List", "File1"), path("p.cvr").string());
}

TEST_F(DocTemplateTest, TheWindowsCloseButtonAsksTheDocumentToo) {
    ASSERT_TRUE(app->OpenDocumentFile(file("p.cvr", "p")));
    document()->edit("edited");
    boxes->answer({IDYES});
    frame()->close();
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_TRUE(app->quitRequested());
    EXPECT_EQ(readFile(path("p.cvr")), "edited");
}

TEST_F(DocTemplateTest, RecentFileCommandsOpenAndDropEntriesThatNoLongerOpen) {
    const auto a = file("a.cvr", "a");
    const auto b = file("b.cvr", "b");
    const auto c = file("c.cvr", "c");
    for (const auto& p : {a, b, c})
        ASSERT_TRUE(app->OpenDocumentFile(p));
    std::filesystem::remove(b);

    QMenu menu;
    QAction* placeholder = menu.addAction("Recent File");
    QAction* exitAction = menu.addAction("E&xit");
    frame()->bindRecentFileMenu(&menu, placeholder);
    emit menu.aboutToShow();
    QStringList texts;
    for (QAction* action : menu.actions())
        if (action->isVisible())
            texts << action->text();
    const auto& list = *app->recentFileList();
    const auto here = std::filesystem::current_path();
    EXPECT_EQ(texts, (QStringList{QString::fromStdString(list.menuText(0, here)),
                                  QString::fromStdString(list.menuText(1, here)),
                                  QString::fromStdString(list.menuText(2, here)), exitAction->text()}));
    EXPECT_TRUE(texts[0].endsWith("c.cvr"));
    EXPECT_TRUE(texts[2].startsWith("&3 "));

    // Entry 3 (a.cvr) opens and moves up.
    menu.actions().at(2)->trigger();
    EXPECT_EQ(document()->content, "a");
    EXPECT_EQ(recentNames(), (std::vector<std::string>{"a.cvr", "c.cvr", "b.cvr"}));

    // Entry 3 (b.cvr, deleted) fails and leaves the list; a refused switch leaves it in place.
    EXPECT_FALSE(frame()->SendCommand(ID_FILE_MRU_FILE1 + 3)); // no fourth entry: disabled
    EXPECT_TRUE(frame()->SendCommand(ID_FILE_MRU_FILE1 + 2));
    EXPECT_EQ(recentNames(), (std::vector<std::string>{"a.cvr", "c.cvr"}));
    document()->edit("edited");
    boxes->answer({IDCANCEL});
    EXPECT_TRUE(frame()->SendCommand(ID_FILE_MRU_FILE1 + 1));
    EXPECT_EQ(document()->content, "edited");
    EXPECT_EQ(recentNames(), (std::vector<std::string>{"a.cvr", "c.cvr"}));
}

TEST_F(DocTemplateTest, AFileDroppedOnTheFrameIsOpenedOthersAreRefused) {
    ASSERT_TRUE(docTemplate().OpenDocumentFile({}));
    frame()->DragAcceptFiles();
    const auto dropped = file("dropped.cvr", "dropped");
    QMimeData mime;
    mime.setUrls({QUrl("https://example.invalid/x.cvr"), QUrl::fromLocalFile(QString::fromStdString(dropped.string())),
                  QUrl::fromLocalFile("/nonexistent/second.cvr")});
    // Qt delivers the drop to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(document()->content, "dropped");
    EXPECT_EQ(document()->GetPathName(), dropped);

    QMimeData text;
    text.setText("not a file");
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

} // namespace
