#pragma once
// The program started in process on a portfolio (by default "P.cvr", three items with downloads;
// a test writes its own through writePortfolio), with the fake services (message boxes, file
// dialogs, shell, modal runner) of the tests; the window is 1280 x 720 and its commands' states are
// up to date.

#include "MimePackage.h"
#include "Portfolios.h"
#include "app/MainFrm.h"
#include "app/WPapier.h"
#include "log/Log.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "support/FakeServices.h"
#include "support/TestEnv.h"
#include "views/GraphView.h"
#include "views/wpapierlview.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QStandardPaths>

#include <memory>
#include <string>
#include <vector>

namespace apptest {

class ProgramWindowTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
        // The release question has tests of its own.
        settingsStore().writeInt("GeneralOptions", "CheckUpToDate", 0);
        services->settings->writeInt("GeneralOptions", "CheckUpToDate", 0);
        writePortfolio();
        placeMimePackageUnderThreadSanitizer(
            paths::fromQString(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
    }
    // Writes the portfolio the program opens and sets `file` to it.
    virtual void writePortfolio() {
        file = path("P.cvr");
        std::vector<std::unique_ptr<CWPapier>> items;
        for (const char* symbol : {"AAA", "BBB", "CCC"})
            items.push_back(quotedItem(std::string("Item ") + symbol, symbol, "file:///nowhere"));
        ASSERT_TRUE(apptest::writePortfolio(file, std::move(items)));
    }
    void TearDown() override {
        app.reset();
        Log::Destroy();
        services.reset();
        TempDirTest::TearDown();
    }

    void start() {
        app = std::make_unique<CWPapierApp>();
        app->setServices(services->bundle());
        app->setArguments({file.string()});
        ASSERT_TRUE(app->InitInstance());
        frame = app->mainFrame();
        ASSERT_NE(frame, nullptr);
        doc = app->document();
        list = frame->m_pWPapierLView;
        chart = frame->graphView();
        ASSERT_NE(list, nullptr);
        ASSERT_NE(chart, nullptr);
        frame->resize(1280, 720);
        QApplication::processEvents();
        frame->UpdateCommandUI();
    }

    bool enabled(CommandId id) {
        CmdUI ui(id);
        frame->UpdateCommand(ui);
        return ui.enabled();
    }

    // Selects the rows `rows` only.
    void select(std::initializer_list<int> rows) {
        list->DeselectAll();
        for (const int row : rows)
            list->SelectItem(list->model().itemAt(row));
        settle();
    }

    // The views follow the selection on the next turn of the event loop; the chart's repaint then
    // shows the idle text in pane 0, as every repaint of the chart does.
    void settle() {
        QCoreApplication::processEvents();
        if (chart)
            chart->repaint();
        frame->UpdateCommandUI();
    }

    std::unique_ptr<testsupport::FakeServices> services;
    std::filesystem::path file;
    std::unique_ptr<CWPapierApp> app;
    CMainFrame* frame = nullptr;
    CWPapierDoc* doc = nullptr;
    CWPapierLView* list = nullptr;
    CGraphView* chart = nullptr;
};

// The pixels the window shows of `widget` (its backing store): what an earlier paint left there stays
// unless a later paint covers it, unlike a fresh rendering with grab().
inline QImage shownPixels(QWidget& widget) {
    QWidget* window = widget.window();
    const QPoint at = widget.mapTo(window, QPoint(0, 0));
    return window->screen()
        ->grabWindow(window->winId(), at.x(), at.y(), widget.width(), widget.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The entry of command `id` in `menu` or its submenus; null when there is none.
inline QAction* entryOf(QMenu& menu, unsigned id) {
    for (QAction* action : menu.actions()) {
        if (QMenu* sub = action->menu()) {
            if (QAction* found = entryOf(*sub, id))
                return found;
        } else if (!action->isSeparator() && action->data().toUInt() == id) {
            return action;
        }
    }
    return nullptr;
}

} // namespace apptest
