#pragma once
// A small program on the framework for the tests: a text document, a view that records what it is
// told, a frame, and an application with the template, scripted message boxes and file dialogs.

#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include "platform/AtomicFile.h"
#include "platform/Document.h"
#include "support/FakeMessageBoxes.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace frameworktest {

// A document whose content is one text, kept in its file as it is. A file holding "corrupt" is
// refused after the document was emptied, as a loader that fails half-way does.
class TextDocument : public Document {
public:
    std::string content;
    int newCount = 0;
    int openCount = 0;
    int saveCount = 0;
    int closeCount = 0;

    void edit(std::string text) {
        content = std::move(text);
        SetModifiedFlag(true);
    }

    bool OnNewDocument() override {
        Document::OnNewDocument();
        content = "new";
        ++newCount;
        return true;
    }
    bool OnOpenDocument(const std::filesystem::path& path) override {
        ++openCount;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec))
            return false;
        const std::string bytes = testsupport::readFile(path);
        DeleteContents();
        SetModifiedFlag(true);
        if (bytes == "corrupt")
            return false;
        content = bytes;
        return true;
    }
    bool OnSaveDocument(const std::filesystem::path& path) override {
        ++saveCount;
        return writeFileAtomically(path, std::string_view(content));
    }
    void OnCloseDocument() override {
        ++closeCount;
        Document::OnCloseDocument();
    }
    void DeleteContents() override { content.clear(); }
};

// Records its initial updates and updates.
class RecordingView : public View {
public:
    int initialUpdates = 0;
    std::vector<std::pair<DocumentObserver*, std::int64_t>> updates;

    void OnInitialUpdate() override {
        ++initialUpdates;
        View::OnInitialUpdate();
    }
    void OnUpdate(DocumentObserver* sender, std::int64_t hint) override {
        updates.emplace_back(sender, hint);
        View::OnUpdate(sender, hint);
    }
};

// Guards a call that may enter the application's event loop (WinApp::Run, Main), so that a run that
// must not wait, or must end, fails the test instead of holding the test program for ever: with a
// limit of 0 the loop must not be entered at all and is ended at its first turn; otherwise it is
// ended once it has run `limitMs`. Nothing else runs the events between the guard's creation and
// the call.
class EventLoopGuard {
public:
    explicit EventLoopGuard(int limitMs) {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [limitMs] {
            if (limitMs == 0)
                ADD_FAILURE() << "the run entered the event loop";
            else
                ADD_FAILURE() << "the event loop still ran after " << limitMs << " ms";
            QCoreApplication::exit(-1);
        });
        m_timer.start(limitMs);
    }

private:
    QTimer m_timer;
};

inline DocString testDocString() {
    return {"Corvana", "", "Portfolio", "Corvana Portfolios (*.cvr)", ".CVR", "Corvana.Document", "Corvana Portfolio"};
}

// An application with the template of TextDocument, FrameWnd (or `Frame`) and RecordingView, the
// recent-file list of 8 entries and fake boxes and dialogs; in a private folder per test.
class AppTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        app = std::make_unique<WinApp>();
        app->setMessageBoxes(boxes);
        app->setFileDialogs(dialogs);
        app->LoadStdProfileSettings(8);
        app->AddDocTemplate(std::make_unique<SingleDocTemplate>(
            127, testDocString(), [] { return std::make_unique<TextDocument>(); }, frameFactory(),
            [] { return std::make_unique<RecordingView>(); }));
    }
    void TearDown() override {
        app.reset();
        TempDirTest::TearDown();
    }

    virtual SingleDocTemplate::FrameFactory frameFactory() {
        return [] { return std::make_unique<FrameWnd>(); };
    }

    SingleDocTemplate& docTemplate() { return *app->docTemplate(); }
    TextDocument* document() { return static_cast<TextDocument*>(docTemplate().document()); }
    FrameWnd* frame() { return docTemplate().frame(); }
    RecordingView* view() { return frame() ? dynamic_cast<RecordingView*>(frame()->GetActiveView()) : nullptr; }

    // A file with `content` in the test's folder.
    std::filesystem::path file(const std::string& name, const std::string& content) {
        const auto p = path(name);
        testsupport::writeFile(p, content);
        return p;
    }

    // Runs the events queued so far.
    static void processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 50); }

    std::shared_ptr<testsupport::FakeMessageBoxes> boxes = std::make_shared<testsupport::FakeMessageBoxes>();
    std::shared_ptr<testsupport::FakeFileDialogs> dialogs = std::make_shared<testsupport::FakeFileDialogs>();
    std::unique_ptr<WinApp> app;
};

} // namespace frameworktest
