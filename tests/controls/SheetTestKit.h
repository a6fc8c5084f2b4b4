#pragma once
// Pages and a sheet fixture for the tree property sheet's tests: pages with one text field whose
// leaving can be refused and whose help requests are counted, in a sheet whose captions the test
// gives (paths such as "Network::Proxy" in tree mode).

#include "controls/TreePropSheet.h"
#include "framework/PropertyPage.h"
#include "support/FakeServices.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFormLayout>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Texts in test failures as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace sheettest {

inline constexpr unsigned IDC_FIELD = 1132;

class FieldPage : public PropertyPage {
public:
    FieldPage(unsigned id, const QString& caption, Services services) : PropertyPage(id, std::move(services)) {
        setWindowTitle(caption);
        auto* form = new QFormLayout(this);
        form->addRow("Value:", withId(new QLineEdit, IDC_FIELD));
    }
    std::string m_strValue;
    int helpRequests = 0;
    bool refuseLeave = false;

    QLineEdit* field() const { return control<QLineEdit>(IDC_FIELD); }
    bool OnKillActive() override { return !refuseLeave && PropertyPage::OnKillActive(); }
    bool OnHelpInfo() override {
        ++helpRequests;
        return true;
    }

protected:
    void DoDataExchange(DataExchange& dx) override { DDX_Text(dx, IDC_FIELD, m_strValue); }
};

// A CTreePropSheetEx with FieldPages of the given captions, configured by `setup` before its
// window exists; the protected members are open to the tests.
class TestSheet : public TreePropSheet::CTreePropSheetEx {
public:
    TestSheet(const Services& services, const std::vector<QString>& captions,
              const std::function<void(TestSheet&)>& setup = {})
        : CTreePropSheetEx(32810, "Program Options", services) {
        if (setup)
            setup(*this);
        for (const QString& caption : captions)
            addFieldPage(caption);
    }
    FieldPage& page(int i) { return *m_pages[static_cast<std::size_t>(i)]; }
    FieldPage& addFieldPage(const QString& caption) {
        m_pages.push_back(std::make_unique<FieldPage>(107 + static_cast<unsigned>(m_pages.size()), caption, services()));
        AddPage(m_pages.back().get());
        return *m_pages.back();
    }
    void dropPage(int i) { m_pages[static_cast<std::size_t>(i)].reset(); }
    std::size_t enabledEntries() const { return m_PageEnabledMap.size(); }

    using CTreePropSheetEx::m_bBlockDisabledPages;
    using CTreePropSheetEx::m_FallbackIcons;
    using CTreePropSheetEx::pageArea;

private:
    std::vector<std::unique_ptr<FieldPage>> m_pages;
};

// Whether a right-click at `at` (in `target`) opens a menu; a menu that opens is closed again.
inline bool menuAfterRightClick(QWidget* target, QPoint at) {
    bool menu = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            menu = true;
            popup->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &event);
    QCoreApplication::processEvents();
    return menu;
}

class SheetTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fakes = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
    }
    void TearDown() override {
        fakes.reset();
        TempDirTest::TearDown();
    }
    // The sheet shown and active.
    std::unique_ptr<TestSheet> shown(const std::vector<QString>& captions,
                                     const std::function<void(TestSheet&)>& setup = {}) {
        auto sheet = std::make_unique<TestSheet>(fakes->bundle(), captions, setup);
        sheet->show();
        sheet->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(sheet.get()));
        return sheet;
    }
    std::unique_ptr<testsupport::FakeServices> fakes;
};

} // namespace sheettest
