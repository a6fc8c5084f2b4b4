#include "controls/ResizableSheetHook.h"

#include "controls/PropPageFrame.h"
#include "controls/TreePropSheet.h"
#include "controls/TreePropSheetSplitter.h"
#include "controls/TreePropSheetTreeCtrl.h"
#include "framework/PropertyPage.h"
#include "framework/PropertySheet.h"

#include <QEvent>
#include <QPainter>
#include <QTabWidget>

namespace TreePropSheet {

namespace {

QWidget* sheetControl(PropertySheet* sheet, unsigned id) {
    return sheet->findChild<QWidget*>(QStringLiteral("idc_%1").arg(id), Qt::FindDirectChildrenOnly);
}

// The active page once it exists.
QWidget* activePage(PropertySheet* sheet) {
    PropertyPage* page = sheet->GetActivePage();
    return page && page->IsCreated() ? page : nullptr;
}

} // namespace

CResizableSheetHook::CResizableSheetHook(PropertySheet* sheet) : m_pSheet(sheet) {}

CResizableSheetHook::~CResizableSheetHook() {
    Unhook();
}

QWidget* CResizableSheetHook::GetLayoutWindow() const {
    return m_pSheet;
}

void CResizableSheetHook::AttachToSheet() {
    if (!m_pSheet)
        return;
    HookWindow(m_pSheet);
    if (m_pSheet->isWindow())
        CreateGrip(true, true, false);
    SetMinTrackSize(m_pSheet->size());
    ApplyMinMaxInfo(*m_pSheet);
    PresetLayout();
}

void CResizableSheetHook::presetPageMarginsAndButtons() {
    const QRect client = GetLayoutClientRect();
    if (QWidget* page = activePage(m_pSheet)) {
        const QRect r = page->geometry();
        m_rcPageMargins = QMargins(r.left() - client.left(), r.top() - client.top(),
                                   (r.left() + r.width()) - (client.left() + client.width()),
                                   (r.top() + r.height()) - (client.top() + client.height()));
    }
    for (unsigned id : {unsigned(IDOK), unsigned(IDCANCEL), ID_APPLY_NOW, IDHELP, ID_WIZBACK, ID_WIZNEXT, ID_WIZFINISH})
        if (QWidget* button = sheetControl(m_pSheet, id))
            AddAnchor(button, BOTTOM_RIGHT);
}

void CResizableSheetHook::PresetLayout() {
    if (m_pSheet->IsWizard()) {
        if (QTabWidget* tab = m_pSheet->GetTabControl())
            tab->hide();
        if (QWidget* line = sheetControl(m_pSheet, ID_WIZLINE))
            AddAnchor(line, BOTTOM_LEFT, BOTTOM_RIGHT);
    } else if (QTabWidget* tab = m_pSheet->GetTabControl()) {
        AddAnchor(tab, TOP_LEFT, BOTTOM_RIGHT);
    }
    AddCallbackItem(1);
    presetPageMarginsAndButtons();
}

void CResizableSheetHook::fillCallback(LayoutInfo& layout, QWidget* window, const QRect& target) const {
    const QRect client = GetLayoutClientRect();
    layout.hWnd = window;
    layout.sizeTypeTL = TOP_LEFT;
    layout.sizeTypeBR = BOTTOM_RIGHT;
    layout.sizeMarginTL = QSize(target.left() - client.left(), target.top() - client.top());
    layout.sizeMarginBR = QSize((target.left() + target.width()) - (client.left() + client.width()),
                                (target.top() + target.height()) - (client.top() + client.height()));
}

bool CResizableSheetHook::ArrangeCallbackItem(LayoutInfo& layout) {
    if (layout.nCallbackID != 1)
        return CResizableLayout::ArrangeCallbackItem(layout);
    QWidget* page = activePage(m_pSheet);
    if (!page)
        return false;
    if (m_pSheet->IsWizard()) {
        layout.hWnd = page;
        layout.sizeTypeTL = TOP_LEFT;
        layout.sizeTypeBR = BOTTOM_RIGHT;
        layout.sizeMarginTL = QSize(m_rcPageMargins.left(), m_rcPageMargins.top());
        layout.sizeMarginBR = QSize(m_rcPageMargins.right(), m_rcPageMargins.bottom());
        return true;
    }
    // Where the tab widget goes now, and its page area there.
    QTabWidget* tab = m_pSheet->GetTabControl();
    const LayoutInfo* tabLayout = tab ? findLayout(tab) : nullptr;
    if (!tabLayout)
        return false;
    const QRect tabRect = CalcChildRect(*tabLayout, GetLayoutClientRect()).rect;
    fillCallback(layout, page, m_pSheet->AdjustTabRect(false, tabRect));
    return true;
}

void CResizableSheetHook::updateGrip() {
    if (m_pSheet->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        HideGrip(&m_dwGripStatus, 1);
    else
        ShowGrip(&m_dwGripStatus, 1);
    // Also when hidden: that is what takes the grip off the screen.
    UpdateGripPos();
}

bool CResizableSheetHook::WindowProc(QEvent* event) {
    switch (event->type()) {
    case QEvent::Resize: {
        const bool result = Default();
        updateGrip();
        ArrangeLayout();
        return result;
    }
    case QEvent::WindowStateChange: {
        const bool result = Default();
        updateGrip();
        return result;
    }
    case QEvent::Paint: {
        {
            QPainter painter(m_pSheet);
            EraseBackground(painter);
        }
        return CHookWnd::WindowProc(event);
    }
    default:
        return CHookWnd::WindowProc(event);
    }
}

// --- tree mode ---

CTreePropSheetResizableLibHook::CTreePropSheetResizableLibHook(CTreePropSheetEx* sheet)
    : CResizableSheetHook(sheet), m_pTreeSheet(sheet) {}

void CTreePropSheetResizableLibHook::PresetLayout() {
    CTreePropSheetSplitter* splitter = m_pTreeSheet->GetSplitterBar();
    CPropPageFrame* frame = m_pTreeSheet->GetFrameControl();
    if (!m_pTreeSheet->IsTreeViewMode() || !splitter || !frame) {
        CResizableSheetHook::PresetLayout();
        return;
    }
    AddAnchor(splitter, TOP_LEFT, BOTTOM_RIGHT);
    if (QWidget* page = activePage(m_pSheet)) {
        const QRect p = page->geometry();
        const QRect f = frame->GetFrameWnd()->geometry();
        m_rcFrameMargins = QMargins(p.left() - f.left(), p.top() - f.top(), (f.left() + f.width()) - (p.left() + p.width()),
                                    (f.top() + f.height()) - (p.top() + p.height()));
    }
    AddCallbackItem(1);
    AddCallbackItem(2);
    presetPageMarginsAndButtons();
}

bool CTreePropSheetResizableLibHook::ArrangeCallbackItem(LayoutInfo& layout) {
    CPropPageFrame* frame = m_pTreeSheet->GetFrameControl();
    if (!m_pTreeSheet->IsTreeViewMode() || !frame)
        return CResizableSheetHook::ArrangeCallbackItem(layout);
    const QRect f = frame->GetFrameWnd()->geometry();
    QWidget* window = nullptr;
    QRect target;
    if (layout.nCallbackID == 1) {
        window = m_pSheet->GetTabControl();
        target = f;
    } else if (layout.nCallbackID == 2) {
        window = activePage(m_pSheet);
        const QRect inner = f.marginsRemoved(m_rcFrameMargins);
        target = QRect(inner.topLeft(), QSize(std::max(0, inner.width()), std::max(0, inner.height())));
    } else {
        return CResizableLayout::ArrangeCallbackItem(layout);
    }
    if (!window)
        return false;
    fillCallback(layout, window, target);
    if (window->geometry() != target)
        window->setGeometry(target);
    return true;
}

} // namespace TreePropSheet
