#include "controls/TreePropSheet.h"

#include "framework/PropertyPage.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QTabWidget>

#include <vector>

namespace TreePropSheet {

CTreePropSheetBase::CTreePropSheetBase(unsigned resourceId, const QString& caption, Services services, QWidget* parent,
                                       int selectPage)
    : PropertySheet(resourceId, caption, std::move(services), parent, selectPage) {}

CTreePropSheetBase::~CTreePropSheetBase() {
    qApp->removeEventFilter(this);
}

bool CTreePropSheetBase::SetTreeViewMode(bool treeMode, bool pageCaption, bool treeImages) {
    if (windowCreated())
        return false;
    m_bUseTree = treeMode;
    if (treeMode) {
        m_bFrameCaption = pageCaption;
        m_bTreeIcons = treeImages;
    }
    return true;
}

bool CTreePropSheetBase::SetTreePaneWidth(int width) {
    if (windowCreated())
        return false;
    m_nTreePaneWidth = width;
    return true;
}

bool CTreePropSheetBase::OnInitDialog() {
    const bool result = PropertySheet::OnInitDialog();
    if (!IsWizard() && GetTabControl())
        installTabIcons();
    // The keys of page cycling and help reach the sheet before any of its controls.
    qApp->installEventFilter(this);
    return result;
}

void CTreePropSheetBase::installTabIcons() {
    constexpr int kIcon = 16;
    std::vector<QPixmap> icons(static_cast<std::size_t>(GetPageCount()));
    for (int i = 0; i < GetPageCount(); ++i) {
        const PropertyPage* page = GetPage(i);
        if (!page->HasIcon())
            continue;
        QPixmap pixmap = page->GetIcon().pixmap(kIcon, kIcon);
        if (pixmap.isNull())
            return; // one icon that cannot be used: the tabs keep what they have
        if (pixmap.size() != QSize(kIcon, kIcon))
            pixmap = pixmap.scaled(kIcon, kIcon, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        icons[static_cast<std::size_t>(i)] = pixmap;
    }
    QTabWidget* tab = GetTabControl();
    tab->setIconSize(QSize(kIcon, kIcon));
    for (int i = 0; i < GetPageCount(); ++i)
        tab->setTabIcon(i, icons[static_cast<std::size_t>(i)].isNull() ? QIcon()
                                                                       : QIcon(icons[static_cast<std::size_t>(i)]));
    arrangeWindow(); // the tabs grew by their icons
}

int CTreePropSheetBase::cyclingStep(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    if (!(mods & Qt::ControlModifier) || (mods & (Qt::AltModifier | Qt::MetaModifier)))
        return 0;
    switch (key.key()) {
    case Qt::Key_Tab:
        return (mods & Qt::ShiftModifier) ? -1 : 1;
    case Qt::Key_Backtab:
    case Qt::Key_PageUp:
        return -1;
    case Qt::Key_PageDown:
        return 1;
    default:
        return 0;
    }
}

int CTreePropSheetBase::NextPageIndex(int index, bool forward) const {
    const int count = GetPageCount();
    if (count == 0)
        return -1;
    if (index < 0 || index >= count)
        return forward ? 0 : count - 1;
    return (index + (forward ? 1 : count - 1)) % count;
}

bool CTreePropSheetBase::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (const int step = cyclingStep(key)) {
            // Taken before any shortcut or control sees it.
            if (type == QEvent::KeyPress)
                SetActivePage(NextPageIndex(GetActiveIndex(), step > 0));
            event->accept();
            return true;
        }
        if (type == QEvent::KeyPress && key.key() == Qt::Key_F1 &&
            (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (PropertyPage* page = GetActivePage()) {
                page->OnHelpInfo();
                return true;
            }
        }
    }
    return PropertySheet::eventFilter(watched, event);
}

bool CTreePropSheetBase::IsPageEnabled(const PropertyPage* page) const {
    const auto it = m_PageEnabledMap.find(page);
    return it == m_PageEnabledMap.end() || it->second;
}

bool CTreePropSheetBase::EnablePage(PropertyPage* page, bool enable) {
    const int index = GetPageIndex(page);
    if (index < 0)
        return false;
    m_PageEnabledMap.try_emplace(page, true);
    if (!enable && index == GetActiveIndex()) {
        // To the next enabled page that lets itself be shown, once round.
        int next = index;
        for (int tries = 1; tries < GetPageCount(); ++tries) {
            next = NextPageIndex(next, true);
            if (next != index && IsPageEnabled(GetPage(next)) && SetActivePage(next))
                break;
        }
        if (GetActiveIndex() == index)
            return true; // no other page can be shown: nothing changes
    }
    m_PageEnabledMap[page] = enable;
    page->setEnabled(enable);
    return true;
}

void CTreePropSheetBase::OnPageRemoved(PropertyPage* page) {
    m_PageEnabledMap.erase(page);
    PropertySheet::OnPageRemoved(page);
}

// --- the extended sheet ---

CTreePropSheetEx::CTreePropSheetEx(unsigned resourceId, const QString& caption, Services services, QWidget* parent,
                                   int selectPage)
    : CTreePropSheetBase(resourceId, caption, std::move(services), parent, selectPage) {
    m_psh.dwFlags &= ~PSH_HASHELP;
}

bool CTreePropSheetEx::SetIsResizable(bool sizable) {
    if (windowCreated())
        return false;
    m_bSizable = sizable;
    return true;
}

bool CTreePropSheetEx::SetTreePaneWidth(int width) {
    if (width < 0)
        return false;
    if (windowCreated() && m_bSizable) {
        m_nTreePaneWidth = width;
        return true;
    }
    return CTreePropSheetBase::SetTreePaneWidth(width);
}

void CTreePropSheetEx::contextMenuEvent(QContextMenuEvent* event) {
    // A tabbed sheet has no page frame: mode 1 opens nothing either, like mode 2.
    if (m_nRightClickMode == 0) {
        CTreePropSheetBase::contextMenuEvent(event);
        return;
    }
    event->accept();
}

} // namespace TreePropSheet
