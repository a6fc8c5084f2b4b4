#include "controls/TreePropSheet.h"

#include "controls/PropPageFrame.h"
#include "controls/ResizableSheetHook.h"
#include "controls/TreePropSheetSplitter.h"
#include "controls/TreePropSheetTreeCtrl.h"
#include "controls/WinGdi.h"
#include "framework/PropertyPage.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>
#include <vector>

namespace TreePropSheet {

namespace {

constexpr unsigned kPageFrameId = 0xFFFF;
constexpr unsigned kPageTreeId = 32494;
constexpr unsigned kCaptionProbeId = 4660;
constexpr unsigned kSplitterId = 0xE900;
constexpr int kItemIndexRole = Qt::UserRole + 1; // the item's place in the page tree

} // namespace

CTreePropSheetBase::CTreePropSheetBase(unsigned resourceId, const QString& caption, Services services, QWidget* parent,
                                       int selectPage)
    : PropertySheet(resourceId, caption, std::move(services), parent, selectPage) {}

CTreePropSheetBase::~CTreePropSheetBase() {
    qApp->removeEventFilter(this);
    if (m_pTree) {
        m_pTree->disconnect(this);
        m_pTree->setSelChanging(nullptr);
    }
}

bool CTreePropSheetBase::SetJumpOverEmptyItems(bool jump) {
    if (windowCreated())
        return false;
    m_bJumpOverEmptyItems = jump;
    return true;
}

bool CTreePropSheetBase::SetExpandAllItems(bool expand) {
    if (windowCreated())
        return false;
    m_bExpandAllItems = expand;
    return true;
}

QString CTreePropSheetBase::BuildNoPageMessage(const QString& format, const QString& text) const {
    QString out;
    out.reserve(format.size() + text.size());
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('%') && i + 1 < format.size()) {
            if (format[i + 1] == QLatin1Char('s')) {
                out += text;
                ++i;
                continue;
            }
            if (format[i + 1] == QLatin1Char('%')) {
                out += QLatin1Char('%');
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
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
    if (m_bUseTree && !IsWizard() && GetTabControl())
        buildTreeMode();
    // The keys of page cycling and help reach the sheet before any of its controls.
    qApp->installEventFilter(this);
    return result;
}

// --- tree mode ---

std::unique_ptr<CTreePropSheetTreeCtrl> CTreePropSheetBase::MakeTreeControl() {
    return std::make_unique<CTreePropSheetTreeCtrl>();
}

std::unique_ptr<CPropPageFrame> CTreePropSheetBase::MakePageFrame() {
    return std::make_unique<CPropPageFrameEx>();
}

void CTreePropSheetBase::buildTreeMode() {
    QTabWidget* tab = GetTabControl();
    const QRect tabRect = tab->geometry();
    const QRect pageRect = AdjustTabRect(false, tabRect);
    tab->hide();
    tab->setEnabled(false);

    // The caption bar is as high as a tab.
    int captionHeight = 0;
    {
        QTabBar probe(this);
        probe.setObjectName(QStringLiteral("idc_%1").arg(kCaptionProbeId));
        probe.addTab(QString());
        captionHeight = probe.tabRect(0).height();
    }
    // Without captions the frame takes the tab row's place: everything below moves up by it.
    const int up = m_bFrameCaption ? 0 : captionHeight;
    const int right = m_nTreePaneWidth;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        bool isPage = false;
        for (int i = 0; i < GetPageCount() && !isPage; ++i)
            isPage = GetPage(i) == child;
        if (!isPage) // the pages follow the frame
            child->move(child->pos() + QPoint(right, -up));
    }

    QRect frameRect = tabRect.translated(right, 0);
    frameRect.setHeight(std::max(0, tabRect.height() - up));
    m_ownedFrame = MakePageFrame();
    m_pPageArea = m_ownedFrame.get();
    m_pPageArea->CreateFrameWnd(frameRect, this, kPageFrameId);
    m_pPageArea->SetCaptionBarHeight(captionHeight);
    m_pPageArea->SetCaptionVisible(m_bFrameCaption);
    // The page lies in the frame as it lay in the tab widget, below the caption when there is one.
    const int top = pageRect.top() - tabRect.top();
    m_frameMargins = QMargins(pageRect.left() - tabRect.left(),
                              m_bFrameCaption ? std::max(top, captionHeight + 1) : std::max(0, top - up),
                              tabRect.right() - pageRect.right(), tabRect.bottom() - pageRect.bottom());
    fitWindow(size() + QSize(right, -up));

    m_ownedTree = MakeTreeControl();
    m_pTree = m_ownedTree.get();
    m_pTree->setParent(this);
    m_pTree->setObjectName(QStringLiteral("idc_%1").arg(kPageTreeId));
    m_pTree->setWindowTitle(QStringLiteral("PageTree"));
    m_pTree->setGeometry(tabRect.left(), tabRect.top(), std::max(0, m_nTreePaneWidth - m_nTreeFrameGap),
                         frameRect.height());
    m_rcTreeAtCreation = m_pTree->geometry();
    if (m_bTreeIcons)
        m_pTree->setIconSize(QSize(16, 16));
    m_pTree->setSelChanging([this](QTreeWidgetItem* item) { return treeSelChanging(item); });
    connect(m_pTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { treeSelChanged(current); });
    // The tree comes first when tabbing through the sheet.
    if (QWidget* first = nextInFocusChain(); first && first != m_pTree)
        QWidget::setTabOrder(m_pTree, first);
    m_pTree->show();

    m_pTree->setUpdatesEnabled(false);
    RefillPageTree();
    if (m_bExpandAllItems)
        m_pTree->expandAll();
    m_pTree->setUpdatesEnabled(true);
    placeActivePage();
    // The frame was made after the page: the page goes back on top of it.
    if (PropertyPage* page = GetActivePage())
        page->raise();
}

QRect CTreePropSheetBase::pageArea() const {
    if (!m_pPageArea)
        return PropertySheet::pageArea();
    const QRect frame = m_pPageArea->GetFrameWnd()->geometry();
    const QRect inner = frame.marginsRemoved(m_frameMargins);
    return QRect(inner.topLeft(), QSize(std::max(0, inner.width()), std::max(0, inner.height())));
}

int CTreePropSheetBase::treeIndexOf(const QTreeWidgetItem* item) const {
    if (!item)
        return PageTree::kNone;
    bool ok = false;
    const int index = item->data(0, kItemIndexRole).toInt(&ok);
    return ok && index >= 0 && index < static_cast<int>(m_treeItems.size()) &&
                   m_treeItems[static_cast<std::size_t>(index)] == item
               ? index
               : PageTree::kNone;
}

QTreeWidgetItem* CTreePropSheetBase::treeItemOfPage(int page) const {
    const int item = m_pageTree.itemOfPage(page);
    return item == PageTree::kNone ? nullptr : m_treeItems[static_cast<std::size_t>(item)];
}

bool CTreePropSheetBase::itemQualifies(int treeItem) const {
    const int page = m_pageTree.page(treeItem);
    const bool hasPage = page != PageTree::kNone && GetPage(page);
    return ItemQualifies(hasPage, hasPage && IsPageEnabled(GetPage(page)),
                         QualifyingRules{m_bBlockDisabledPages, m_bJumpOverEmptyItems});
}

void CTreePropSheetBase::RefillPageTree() {
    if (!m_pTree)
        return;
    ++m_nTreeUpdateLock;
    m_pTree->DeleteAllItems();
    m_pageTree.clear();
    m_treeItems.clear();

    // The tree's icons: the tabs' icons (all or none), then the fallback icons.
    QTabWidget* tab = GetTabControl();
    std::vector<int> tabImage(static_cast<std::size_t>(GetPageCount()), -1);
    int noPageImage = -1;
    int noTabImage = -1;
    if (m_bTreeIcons) {
        m_TreeIcons.clear();
        for (int i = 0; tab && i < GetPageCount() && i < tab->count(); ++i)
            if (!tab->tabIcon(i).isNull()) {
                tabImage[static_cast<std::size_t>(i)] = static_cast<int>(m_TreeIcons.size());
                m_TreeIcons.push_back(tab->tabIcon(i));
            }
        if (m_FallbackIcons.size() >= 2) {
            m_TreeIcons.push_back(m_FallbackIcons[0]);
            m_TreeIcons.push_back(m_FallbackIcons[1]);
            noPageImage = static_cast<int>(m_TreeIcons.size()) - 2;
            noTabImage = static_cast<int>(m_TreeIcons.size()) - 1;
        }
    }
    const auto iconAt = [this](int image) { return image >= 0 ? m_TreeIcons[image] : QIcon(); };

    for (int i = 0; i < GetPageCount(); ++i) {
        const QString text = tab && i < tab->count() ? tab->tabText(i) : GetPage(i)->GetCaption();
        const int before = m_pageTree.count();
        const int item = m_pageTree.InsertPath(text, i);
        for (int k = before; k < m_pageTree.count(); ++k) {
            const int parent = m_pageTree.parent(k);
            auto* widgetItem = parent == PageTree::kNone
                                   ? new QTreeWidgetItem(m_pTree)
                                   : new QTreeWidgetItem(m_treeItems[static_cast<std::size_t>(parent)]);
            widgetItem->setText(0, m_pageTree.text(k));
            widgetItem->setData(0, Qt::UserRole, -1);
            widgetItem->setData(0, kItemIndexRole, k);
            if (m_bTreeIcons)
                widgetItem->setIcon(0, iconAt(noPageImage));
            m_treeItems.push_back(widgetItem);
        }
        QTreeWidgetItem* pageItem = m_treeItems[static_cast<std::size_t>(item)];
        pageItem->setData(0, Qt::UserRole, i);
        if (m_bTreeIcons) {
            const int image = tabImage[static_cast<std::size_t>(i)];
            pageItem->setIcon(0, iconAt(image >= 0 ? image : noTabImage));
        }
        if (!IsPageEnabled(GetPage(i)))
            m_pTree->EnableTreeItem(pageItem, GetSysColor(COLOR_GRAYTEXT));
    }
    --m_nTreeUpdateLock;
    selectActiveTreeItem();
}

void CTreePropSheetBase::expandTo(QTreeWidgetItem* item) {
    for (QTreeWidgetItem* p = item ? item->parent() : nullptr; p; p = p->parent())
        p->setExpanded(true);
}

void CTreePropSheetBase::selectActiveTreeItem() {
    if (!m_pTree)
        return;
    QTreeWidgetItem* item = treeItemOfPage(GetActiveIndex());
    ++m_nTreeUpdateLock;
    expandTo(item);
    m_pTree->setCurrentItem(item);
    --m_nTreeUpdateLock;
    updateFrame(m_pTree->currentItem());
}

void CTreePropSheetBase::UpdateItemTextColour(QTreeWidgetItem* item) {
    if (!m_pTree || !item)
        return;
    const int page = item->data(0, Qt::UserRole).toInt();
    if (page < 0 || !GetPage(page))
        return;
    m_pTree->EnableTreeItem(item, IsPageEnabled(GetPage(page)) ? m_pTree->GetTextColor()
                                                               : GetSysColor(COLOR_GRAYTEXT));
}

bool CTreePropSheetBase::reshowActivePage() {
    PropertyPage* page = GetActivePage();
    if (!page)
        return false;
    if (page->isVisibleTo(this))
        return true;
    if (!page->OnSetActive())
        return false;
    placeActivePage();
    page->raise();
    page->show();
    return true;
}

bool CTreePropSheetBase::treeSelChanging(QTreeWidgetItem* item) {
    if (m_nTreeUpdateLock)
        return true;
    const int index = treeIndexOf(item);
    if (index == PageTree::kNone)
        return true;
    const int page = m_pageTree.page(index);
    if (page != PageTree::kNone && itemQualifies(index)) {
        ++m_nTreeUpdateLock;
        const bool shown = page == GetActiveIndex() ? reshowActivePage() : SetActivePage(page);
        --m_nTreeUpdateLock;
        return shown;
    }
    if (page != PageTree::kNone || m_bJumpOverEmptyItems) {
        // Not this item: the first one below it that may be selected.
        const int target =
            m_pageTree.firstQualifyingBelow(index, [this](int candidate) { return itemQualifies(candidate); });
        if (target != PageTree::kNone) {
            QTreeWidgetItem* targetItem = m_treeItems[static_cast<std::size_t>(target)];
            expandTo(targetItem);
            m_pTree->setCurrentItem(targetItem);
        }
        return false;
    }
    // An item without page: the page lets go and makes room for the frame's message.
    if (PropertyPage* active = GetActivePage(); active && active->isVisibleTo(this)) {
        if (!active->OnKillActive())
            return false;
        active->hide();
    }
    return true;
}

void CTreePropSheetBase::treeSelChanged(QTreeWidgetItem* item) {
    if (m_nTreeUpdateLock)
        return;
    updateFrame(item);
}

void CTreePropSheetBase::updateFrame(QTreeWidgetItem* item) {
    if (!m_pPageArea || !item)
        return;
    PropertyPage* active = GetActivePage();
    const bool pageShown = active && active->isVisibleTo(this);
    if (!pageShown)
        m_pPageArea->SetMessageText(BuildNoPageMessage(m_strNoPageMessage, item->text(0)));
    if (m_pPageArea->GetCaptionVisible()) {
        QIcon icon;
        if (m_bTreeIcons)
            icon = item->icon(0);
        else if (pageShown && GetTabControl())
            icon = GetTabControl()->tabIcon(GetActiveIndex());
        m_pPageArea->SetCaptionContent(item->text(0), icon);
    }
}

void CTreePropSheetBase::OnPageActivated(int index) {
    PropertySheet::OnPageActivated(index);
    if (m_pTree && !m_nTreeUpdateLock)
        selectActiveTreeItem();
}

void CTreePropSheetBase::OnPageAdded(PropertyPage* page) {
    PropertySheet::OnPageAdded(page);
    if (m_pTree) {
        m_pTree->setUpdatesEnabled(false);
        RefillPageTree();
        m_pTree->setUpdatesEnabled(true);
    }
}

void CTreePropSheetBase::showAdjacentPage(bool forward) {
    if (!m_pTree) {
        SetActivePage(NextPageIndex(GetActiveIndex(), forward));
        return;
    }
    // An item without page would only pass the selection on to the first item below it (which
    // takes an Up right back down): the walk goes to items with a page.
    const int from = treeIndexOf(m_pTree->currentItem());
    const int target = m_pageTree.findQualifying(from, forward, [this](int candidate) {
        return m_pageTree.page(candidate) != PageTree::kNone && itemQualifies(candidate);
    });
    if (target == PageTree::kNone || target == from)
        return;
    QTreeWidgetItem* item = m_treeItems[static_cast<std::size_t>(target)];
    expandTo(item);
    m_pTree->setCurrentItem(item);
}

bool CTreePropSheetBase::treeArrowKey(int key) {
    QTreeWidgetItem* current = m_pTree->currentItem();
    const int index = treeIndexOf(current);
    const auto select = [this](int item) {
        QTreeWidgetItem* target = m_treeItems[static_cast<std::size_t>(item)];
        expandTo(target);
        m_pTree->setCurrentItem(target);
    };
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        showAdjacentPage(key == Qt::Key_Down);
        return true;
    case Qt::Key_Left:
        if (current && current->childCount() > 0 && current->isExpanded()) {
            current->setExpanded(false);
            return true;
        }
        for (int p = index == PageTree::kNone ? PageTree::kNone : m_pageTree.parent(index); p != PageTree::kNone;
             p = m_pageTree.parent(p))
            if (m_pageTree.page(p) != PageTree::kNone) {
                select(p);
                break;
            }
        return true;
    case Qt::Key_Right:
        if (current && current->childCount() > 0 && !current->isExpanded()) {
            current->setExpanded(true);
            return true;
        }
        for (int c = index; c != PageTree::kNone && !m_pageTree.children(c).empty();) {
            c = m_pageTree.children(c).front();
            if (m_pageTree.page(c) != PageTree::kNone) {
                select(c);
                break;
            }
        }
        return true;
    default:
        return false;
    }
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
    if (m_pTree) {
        // The tree's order: the next item with a page of its own.
        const int item = m_pageTree.findQualifying(m_pageTree.itemOfPage(index), forward, [this, index](int candidate) {
            const int page = m_pageTree.page(candidate);
            return page != PageTree::kNone && page != index;
        });
        return item == PageTree::kNone ? (index >= 0 ? index : -1) : m_pageTree.page(item);
    }
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
                showAdjacentPage(step > 0);
            event->accept();
            return true;
        }
        if (type == QEvent::KeyPress && m_pTree && watched == m_pTree && m_bJumpOverEmptyItems &&
            (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && treeArrowKey(key.key()))
            return true;
        if (type == QEvent::KeyPress && key.key() == Qt::Key_F1 &&
            (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (PropertyPage* page = GetActivePage()) {
                page->OnHelpInfo();
                return true;
            }
        }
    }
    // The active page follows the frame.
    if (m_pPageArea && watched == m_pPageArea->GetFrameWnd() && (type == QEvent::Move || type == QEvent::Resize))
        placeActivePage();
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
    if (m_pTree) {
        for (QTreeWidgetItem* item : m_treeItems)
            UpdateItemTextColour(item);
        m_pTree->viewport()->update();
    }
    return true;
}

void CTreePropSheetBase::OnPageRemoved(PropertyPage* page) {
    m_PageEnabledMap.erase(page);
    PropertySheet::OnPageRemoved(page);
    if (m_pTree) {
        m_pTree->setUpdatesEnabled(false);
        RefillPageTree();
        m_pTree->setUpdatesEnabled(true);
    }
}

// --- the extended sheet ---

CTreePropSheetEx::CTreePropSheetEx(unsigned resourceId, const QString& caption, Services services, QWidget* parent,
                                   int selectPage)
    : CTreePropSheetBase(resourceId, caption, std::move(services), parent, selectPage) {
    m_psh.dwFlags &= ~PSH_HASHELP;
}

CTreePropSheetEx::~CTreePropSheetEx() {
    // The hook lets go of the window before the splitter it lays out goes.
    m_pSizingHook.reset();
    m_pSplitterBar.reset();
}

bool CTreePropSheetEx::SetMinTrackSize(const QSize& size) {
    if (windowCreated())
        return false;
    m_MinTrack = size;
    return true;
}

bool CTreePropSheetEx::SetMaxTrackSize(const QSize& size) {
    if (windowCreated())
        return false;
    m_MaxTrack = size;
    return true;
}

bool CTreePropSheetEx::SetSplitterOptions(bool draggable, bool treeFollowsSize, bool liveDrag) {
    if (windowCreated())
        return false;
    m_bSplitterDraggable = draggable;
    m_bTreeFollowsSize = treeFollowsSize;
    m_bLiveDrag = liveDrag;
    return true;
}

void CTreePropSheetEx::fitWindow(const QSize& size) {
    if (!m_bSizable) {
        CTreePropSheetBase::fitWindow(size);
        return;
    }
    // A sizing frame: the size is where the sheet starts, the hook sets its limits.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(size);
}

std::unique_ptr<CTreePropSheetSplitter> CTreePropSheetEx::MakeSplitterBar() {
    const int minimums[] = {m_nTreeMinWidth, m_nFrameMinWidth};
    return std::make_unique<CTreePropSheetSplitter>(2, 1, minimums, m_nBarWidth);
}

std::unique_ptr<CTreePropSheetResizableLibHook> CTreePropSheetEx::MakeSizingHook() {
    return std::make_unique<CTreePropSheetResizableLibHook>(this);
}

bool CTreePropSheetEx::OnInitDialog() {
    CTreePropSheetBase::OnInitDialog();
    if (IsTreeViewMode() && m_bSizable && GetPageTreeControl() && GetFrameControl()) {
        // Tree and frame become the splitter's panes, the tree keeping its width unless it follows
        // the sheet's size.
        QWidget* tree = GetPageTreeControl();
        QWidget* frame = GetFrameControl()->GetFrameWnd();
        m_pSplitterBar = MakeSplitterBar();
        m_pSplitterBar->CreateBar(this, tree->geometry().united(frame->geometry()), kSplitterId);
        const int sizes[] = {tree->width(), frame->width()};
        m_pSplitterBar->SetPaneSizes(sizes);
        m_pSplitterBar->SetPaneWindow(0, tree);
        m_pSplitterBar->SetPaneWindow(1, frame);
        const std::uint8_t frozen[] = {static_cast<std::uint8_t>(m_bTreeFollowsSize ? 0 : 1), 0};
        m_pSplitterBar->SetFrozenPanes(frozen);
        m_pSplitterBar->SetFollowMouse(m_bLiveDrag);
        m_pSplitterBar->SetDraggable(m_bSplitterDraggable);
    }
    if (m_bSizable) {
        m_pSizingHook = MakeSizingHook();
        m_pSizingHook->AttachToSheet();
        // The sheet's own limits replace the size at creation.
        const QSize unset(-1, -1);
        if (m_MinTrack != unset)
            m_pSizingHook->SetMinTrackSize(
                QSize(std::max(m_MinTrack.width(), m_nTreeMinWidth + m_nFrameMinWidth + m_nBarWidth),
                      m_MinTrack.height()));
        if (m_MaxTrack != unset)
            m_pSizingHook->SetMaxTrackSize(QSize(std::max(m_MaxTrack.width(), m_MinTrack.width()),
                                                 std::max(m_MaxTrack.height(), m_MinTrack.height())));
        m_pSizingHook->ApplyMinMaxInfo(*this);
    }
    return true;
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
    bool menu = m_nRightClickMode == 0;
    // Mode 1: not over the page tree or the page frame; a tabbed sheet has no frame and opens none.
    if (m_nRightClickMode == 1 && m_pPageArea) {
        const QPoint at = event->pos();
        menu = !m_pPageArea->GetFrameWnd()->geometry().contains(at) && !(m_pTree && m_pTree->geometry().contains(at));
    }
    if (menu) {
        CTreePropSheetBase::contextMenuEvent(event);
        return;
    }
    event->accept();
}

} // namespace TreePropSheet
