#pragma once
// Fixture of the server-configuration dialogs' tests: the scripted services, a document that
// records what the dialogs ask of it (and starts no download), page records posted to a dialog as
// a worker would, and page files in the test's folder.

#include "dialogs/DlgPageDownload.h"
#include "platform/MessageTarget.h"
#include "portfolio/DownloadControl.h"
#include "portfolio/ServerSettings.h"
#include "retrieval/download.h"
#include "support/FakeServices.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTest>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace serverdialogs {

// Records every call; page downloads get worker ids from 501 on and start nothing.
class FakeDocument : public ServerPropDocument {
public:
    std::uint32_t StartPageDownload(std::string_view name, std::string_view symbol, std::string_view url,
                                    ReceiverId target) override {
        calls.push_back("page " + std::string(url));
        names.emplace_back(name);
        symbols.emplace_back(symbol);
        lastTarget = target;
        return lastWorker = nextWorker++;
    }
    void AbortDownloads() override {
        calls.emplace_back("abort");
        AbortAllDownloads(); // the real flag, which the real account of downloads clears
    }
    void ResetDownloadFlagAt(ItemPos pos) override { calls.push_back("reset " + std::to_string(pos)); }
    std::uint32_t StartTestDownload(ItemPos pos, const ServerSettings& settings) override {
        calls.push_back("test " + std::to_string(pos));
        tested.push_back(settings);
        return 77;
    }
    bool SetItemServerSettings(ItemPos pos, const ServerSettings& settings) override {
        calls.push_back("store " + std::to_string(pos));
        stored.push_back(settings);
        return true;
    }

    std::vector<std::string> calls;
    std::vector<std::string> names, symbols;
    std::vector<ServerSettings> tested, stored;
    ReceiverId lastTarget = 0;
    std::uint32_t nextWorker = 501;
    std::uint32_t lastWorker = 0;
};

// Runs the event loop until `done` holds or `ms` have passed; whether it holds.
inline bool waitUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Lets the queued deliveries run.
inline void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

struct PageRecord {
    int status = DOWNLOAD_INITIALIZED;
    int detail = 0;
    std::string url;
    std::string raw, semiHtml, text;
    int kbDone = 0, kbTotal = 0;
    std::string message;
};

inline PageRecord record(int status, int detail = 0) {
    PageRecord r;
    r.status = status;
    r.detail = detail;
    return r;
}
inline PageRecord progress(int kbDone, int kbTotal) {
    PageRecord r = record(DOWNLOAD_PROGRESS);
    r.kbDone = kbDone;
    r.kbTotal = kbTotal;
    return r;
}
inline PageRecord failure(int detail, std::string message = {}, std::string url = {}) {
    PageRecord r = record(DOWNLOAD_ERROR, detail);
    r.message = std::move(message);
    r.url = std::move(url);
    return r;
}

// Posts a page record of worker `worker` to `target`, as the download worker does.
inline void postPage(ReceiverId target, std::uint32_t worker, const PageRecord& r) {
    auto record = std::make_unique<DownloadStatus>();
    record->m_dwThreadId = worker;
    record->m_nStatus = r.status;
    record->m_nDetail = r.detail;
    record->m_szURL = r.url;
    record->m_szFile = r.raw;
    record->m_szSemiHtmlFile = r.semiHtml;
    record->m_szTextFile = r.text;
    record->m_nKBDone = r.kbDone;
    record->m_nKBTotal = r.kbTotal;
    record->m_szMessage = r.message;
    MessageTarget::instance().post(target, WMU_PAGE_DOWNLOAD_STATUS, std::move(record));
}

class ServerDialogsTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
        g_bAbortDownloads = 0;
    }
    void TearDown() override {
        settle();
        EXPECT_EQ(services->modal->unusedSteps(), 0u);
        g_bAbortDownloads = 0;
        TempDirTest::TearDown();
    }

    // Three page files "<stem>.tmp", "<stem>-semi.tmp", "<stem>-text.tmp" holding the given texts.
    PageRecord pageFiles(const std::string& stem, const std::string& raw, const std::string& semiHtml,
                         const std::string& text) {
        PageRecord r;
        r.status = DOWNLOAD_FINISHED;
        r.raw = path(stem + ".tmp").string();
        r.semiHtml = path(stem + "-semi.tmp").string();
        r.text = path(stem + "-text.tmp").string();
        testsupport::writeFile(r.raw, raw);
        testsupport::writeFile(r.semiHtml, semiHtml);
        testsupport::writeFile(r.text, text);
        return r;
    }

    std::unique_ptr<testsupport::FakeServices> services;
    FakeDocument document;
};

// Clicks a button as a user does: a radio button or check box on its box, not in the empty
// space a layout may give it.
inline void clickButton(QAbstractButton* button) {
    const bool boxed = qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button);
    const QPoint at = boxed ? QPoint(8, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
}

// A control of a dialog by its id, as a T.
template <class T> T* idc(QWidget& dialog, unsigned id) {
    return dialog.findChild<T*>(QStringLiteral("idc_%1").arg(id));
}

} // namespace serverdialogs
