#include "controls/PixelRules.h"
#include "controls/ResizableLayout.h"
#include "controls/ResizablePage.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>

#include <memory>
#include <string>

namespace {

// A plain window laid out by anchors.
class LayoutHost : public QWidget, public CResizableLayout {
public:
    LayoutHost(int w, int h) { resize(w, h); }
    QWidget* GetLayoutWindow() const override { return const_cast<LayoutHost*>(this); }
    using CResizableLayout::findLayout;
    using CResizableLayout::WantsClipping;

    // Callback 1: `callbackChild` 5 pixels inside the window.
    QWidget* callbackChild = nullptr;

protected:
    bool ArrangeCallbackItem(LayoutInfo& layout) override {
        if (layout.nCallbackID != 1 || !callbackChild)
            return false;
        layout.hWnd = callbackChild;
        layout.sizeTypeTL = TOP_LEFT;
        layout.sizeTypeBR = BOTTOM_RIGHT;
        layout.sizeMarginTL = QSize(5, 5);
        layout.sizeMarginBR = QSize(-5, -5);
        return true;
    }
};

QWidget* childAt(QWidget* parent, const QRect& r) {
    auto* child = new QWidget(parent);
    child->setGeometry(r);
    return child;
}

TEST(ResizableLayout, ChildrenKeepTheirMarginsToTheirAnchors) {
    struct Case {
        const char* what;
        QSize tl;
        QSize br;
        QRect child;
        QSize before;
        QSize after;
        QRect expected;
    };
    const Case cases[] = {
        {"all four edges",
         TOP_LEFT,
         BOTTOM_RIGHT,
         rectFromLTRB(10, 10, 110, 40),
         {400, 300},
         {500, 350},
         rectFromLTRB(10, 10, 210, 90)},
        {"bottom-right corner alone",
         BOTTOM_RIGHT,
         NOANCHOR,
         rectFromLTRB(10, 10, 110, 40),
         {400, 300},
         {500, 350},
         rectFromLTRB(110, 60, 210, 90)},
        {"middle of the top edge",
         TOP_CENTER,
         NOANCHOR,
         rectFromLTRB(150, 10, 250, 40),
         {400, 300},
         {500, 350},
         rectFromLTRB(200, 10, 300, 40)},
        {"50 % of 333 is 166",
         TOP_CENTER,
         NOANCHOR,
         rectFromLTRB(200, 0, 220, 10),
         {400, 300},
         {333, 300},
         rectFromLTRB(166, 0, 186, 10)},
        {"a parent smaller than at adding",
         TOP_LEFT,
         BOTTOM_RIGHT,
         rectFromLTRB(10, 10, 110, 40),
         {400, 300},
         {100, 100},
         QRect(10, 10, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LayoutHost host(c.before.width(), c.before.height());
        QWidget* child = childAt(&host, c.child);
        host.AddAnchor(child, c.tl, c.br);
        host.resize(c.after);
        host.ArrangeLayout();
        EXPECT_EQ(child->geometry(), c.expected);
        EXPECT_TRUE(host.updatesEnabled());
    }
}

TEST(ResizableLayout, CallbackItemsAreLaidOutWithWhatTheyAreGiven) {
    LayoutHost host(200, 100);
    host.callbackChild = childAt(&host, QRect(0, 0, 10, 10));
    host.AddCallbackItem(1);
    host.AddCallbackItem(2); // nothing to fill: left alone
    host.ArrangeLayout();
    EXPECT_EQ(host.callbackChild->geometry(), QRect(5, 5, 190, 90));
    host.RemoveAllAnchors();
    host.resize(300, 100);
    host.ArrangeLayout();
    EXPECT_EQ(host.callbackChild->geometry(), QRect(5, 5, 190, 90));
}

TEST(ResizableLayout, OpaqueChildrenAreLeftOutOfTheBackground) {
    struct Case {
        const char* what;
        std::function<QWidget*(QWidget*)> make;
        const char* windowClass;
        bool clips;
    };
    const Case cases[] = {
        {"group box", [](QWidget* p) { return new QGroupBox("Quotation download", p); }, "Button", false},
        {"push button", [](QWidget* p) { return new QPushButton("OK", p); }, "Button", true},
        {"check box", [](QWidget* p) { return new QCheckBox("Enabled", p); }, "Button", true},
        {"label", [](QWidget* p) { return new QLabel("Name:", p); }, "Static", true},
        {"frame",
         [](QWidget* p) {
             auto* f = new QFrame(p);
             f->setFrameShape(QFrame::Box);
             return f;
         },
         "Static", false},
        {"list", [](QWidget* p) { return new QListWidget(p); }, "ListBox", true},
        {"tool bar", [](QWidget* p) { return new QToolBar(p); }, "ToolbarWindow32", false},
        {"line edit", [](QWidget* p) { return new QLineEdit(p); }, "QLineEdit", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LayoutHost host(200, 100);
        QWidget* child = c.make(&host);
        child->setGeometry(20, 20, 80, 40);
        host.AddAnchor(child, TOP_LEFT, BOTTOM_RIGHT);
        EXPECT_EQ(host.findLayout(child)->sWndClass, c.windowClass);
        const QRegion background = host.GetBackgroundRegion();
        EXPECT_EQ(background.contains(QPoint(50, 30)), !c.clips);
        EXPECT_TRUE(background.contains(QPoint(150, 80)));
        child->hide(); // a hidden child covers nothing
        EXPECT_TRUE(host.GetBackgroundRegion().contains(QPoint(50, 30)));
    }
    // Without entries the whole client area is background.
    LayoutHost empty(120, 80);
    EXPECT_EQ(empty.GetBackgroundRegion(), QRegion(0, 0, 120, 80));
}

TEST(ResizableLayout, OnlyChildrenWhoseContentDependsOnTheNewSizeAreRepainted) {
    const auto topLeft = [](QWidget* p) {
        auto* l = new QLabel("Address of the quotation page", p);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setWordWrap(true);
        return l;
    };
    const auto centred = [](QWidget* p) {
        auto* l = new QLabel("minutes", p);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    const auto plain = [](QWidget* p) { return new QLabel("Name:", p); }; // left, vertically centred
    const auto frame = [](QWidget* p) {
        auto* f = new QFrame(p);
        f->setFrameShape(QFrame::Box);
        return f;
    };
    const auto button = [](QWidget* p) { return new QPushButton("Apply", p); };
    struct Case {
        const char* what;
        std::function<QWidget*(QWidget*)> make;
        QSize br;
        bool redraw;
    };
    const Case cases[] = {
        {"wrapped text growing in height", topLeft, BOTTOM_LEFT, false},
        {"wrapped text growing in width", topLeft, TOP_RIGHT, true},
        {"centred text growing in width", centred, TOP_RIGHT, true},
        {"single line growing in width", plain, TOP_RIGHT, false},
        {"single line centred vertically growing in height", plain, BOTTOM_LEFT, true},
        {"a frame", frame, BOTTOM_LEFT, true},
        {"a button", button, BOTTOM_RIGHT, false},
        {"text that only moves", topLeft, NOANCHOR, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LayoutHost host(300, 200);
        QWidget* child = c.make(&host);
        child->setGeometry(10, 10, 100, 30);
        host.AddAnchor(child, c.br == NOANCHOR ? BOTTOM_RIGHT : TOP_LEFT, c.br);
        host.resize(360, 260);
        EXPECT_EQ(host.CalcChildRect(*host.findLayout(child), host.rect()).redraw, c.redraw);
    }

    // A list scrolled to its right end shows more when it grows wider.
    LayoutHost host(300, 200);
    auto* list = new QListWidget(&host);
    list->setGeometry(10, 10, 100, 100);
    host.AddAnchor(list, TOP_LEFT, TOP_RIGHT);
    host.resize(340, 200);
    list->horizontalScrollBar()->setRange(0, 50);
    list->horizontalScrollBar()->setValue(50);
    EXPECT_TRUE(host.CalcChildRect(*host.findLayout(list), host.rect()).redraw);
    list->horizontalScrollBar()->setValue(0);
    EXPECT_FALSE(host.CalcChildRect(*host.findLayout(list), host.rect()).redraw);
}

// A child that answers the layout's questions itself.
class SupportingLabel : public QLabel, public ResizeSupport {
public:
    explicit SupportingLabel(QWidget* parent) : QLabel("Status", parent) {}
    int asked = 0;
    bool QueryResizeProperties(ResizeProperties& properties) override {
        properties = {true, true, false, false};
        return true;
    }
    bool QueryWantsClipping(bool& wantsClipping) override {
        ++asked;
        wantsClipping = false;
        return true;
    }
    bool QueryNeedsRedraw(const QRect&, const QRect&, bool& needsRedraw) override {
        ++asked;
        needsRedraw = true;
        return true;
    }
};

TEST(ResizableLayout, AChildThatAnswersDecidesForItself) {
    LayoutHost host(200, 100);
    auto* label = new SupportingLabel(&host);
    label->setGeometry(10, 10, 60, 20);
    host.AddAnchor(label, BOTTOM_RIGHT);
    EXPECT_TRUE(host.findLayout(label)->bMsgSupport);
    EXPECT_TRUE(host.GetBackgroundRegion().contains(QPoint(20, 15))); // a label would clip
    host.resize(250, 120);
    EXPECT_TRUE(host.CalcChildRect(*host.findLayout(label), host.rect()).redraw); // though it only moves
    EXPECT_EQ(label->asked, 2);
}

// A page of absolutely placed controls, as a sheet's page would hold them.
class AnchoredPage : public CResizablePage {
public:
    explicit AnchoredPage(Services services) : CResizablePage(107, std::move(services)) {
        resize(300, 200);
        group = new QGroupBox("Quotation download", this);
        group->setGeometry(7, 7, 286, 150);
        name = new QLineEdit("Northwind", this);
        name->setGeometry(20, 30, 260, 22);
        apply = new QPushButton("Apply", this);
        apply->setGeometry(218, 167, 75, 23);
        AddAnchor(group, TOP_LEFT, BOTTOM_RIGHT);
        AddAnchor(name, TOP_LEFT, TOP_RIGHT);
        AddAnchor(apply, BOTTOM_RIGHT);
    }
    QGroupBox* group;
    QLineEdit* name;
    QPushButton* apply;
};

class ResizablePageTest : public testsupport::TempDirTest {};

TEST_F(ResizablePageTest, ArrangesItsChildrenWhenResized) {
    testsupport::FakeServices fakes(path("settings.conf"));
    AnchoredPage page(fakes.bundle());
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    page.resize(400, 260);
    EXPECT_EQ(page.group->geometry(), QRect(7, 7, 386, 210));
    EXPECT_EQ(page.name->geometry(), QRect(20, 30, 360, 22));
    EXPECT_EQ(page.apply->geometry(), QRect(318, 227, 75, 23));
    testsupport::saveRendering(page, "enlarged");
}

} // namespace
