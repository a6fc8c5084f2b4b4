#include "framework/PropertySheet.h"

#include "framework/PropertyPage.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

namespace {

constexpr int kMargin = 7;       // around the tabs and the buttons
constexpr int kButtonGap = 6;    // between two buttons
const QSize kButtonSize(75, 23); // the smallest button

// The tab widget, answering where its page area lies for any size.
class SheetTabWidget final : public QTabWidget {
public:
    explicit SheetTabWidget(QWidget* parent) : QTabWidget(parent) {}

    QRect contentsFor(const QSize& size) const {
        QStyleOptionTabWidgetFrame option;
        initStyleOption(&option);
        option.rect = QRect(QPoint(0, 0), size);
        return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this);
    }

protected:
    // The frame around the pages, as QTabWidget draws it, in bands of a few scanlines: Qt hands
    // every fill or line of more than 96 scanlines to its thread pool and waits for it, which for
    // the frame's thin edges costs far more than the drawing (a dozen hand-offs per paint).
    void paintEvent(QPaintEvent* event) override {
        if (documentMode()) {
            QTabWidget::paintEvent(event);
            return;
        }
        QStyleOptionTabWidgetFrame option;
        initStyleOption(&option);
        option.rect = style()->subElementRect(QStyle::SE_TabWidgetTabPane, &option, this);
        QPainter painter(this);
        const QRect dirty = event->rect() & option.rect;
        for (int top = dirty.top(); top <= dirty.bottom(); top += kBand) {
            painter.setClipRect(QRect(dirty.left(), top, dirty.width(), std::min(kBand, dirty.bottom() + 1 - top)));
            style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
        }
    }

private:
    static constexpr int kBand = 32;
};

// The first control of `page` that takes the focus by Tab.
QWidget* firstFocusable(QWidget* page) {
    QWidget* w = page;
    for (int guard = 0; guard < 10000; ++guard) {
        w = w->nextInFocusChain();
        if (!w || w == page)
            break;
        if (page->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(page) && (w->focusPolicy() & Qt::TabFocus))
            return w;
    }
    return nullptr;
}

// The page step of a key: Ctrl+Tab and Ctrl+PageDown forward, with Shift (or Ctrl+PageUp) back;
// 0 for any other key.
int pageStep(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    if (!(mods & Qt::ControlModifier) || (mods & (Qt::AltModifier | Qt::MetaModifier)))
        return 0;
    const bool shift = (mods & Qt::ShiftModifier) != 0;
    switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_PageDown:
        return shift ? -1 : 1;
    case Qt::Key_Backtab:
    case Qt::Key_PageUp:
        return -1;
    default:
        return 0;
    }
}

} // namespace

PropertySheet::PropertySheet(unsigned resourceId, const QString& caption, Services services, QWidget* parent,
                             int selectPage)
    : Dialog(resourceId, std::move(services), parent) {
    m_psh.nStartPage = selectPage;
    setWindowTitle(caption);
}

PropertySheet::~PropertySheet() {
    if (m_bWindowCreated)
        qApp->removeEventFilter(this);
    if (m_pTab) {
        m_pTab->disconnect(this);
        m_pTab->removeEventFilter(this);
    }
    if (m_pLine)
        m_pLine->removeEventFilter(this);
    ReleasePages();
}

void PropertySheet::ReleasePages() {
    // The pages are their owner's: they leave the window before it deletes its children.
    for (PropertyPage* page : m_pages) {
        page->m_pSheet = nullptr;
        if (page->parentWidget() == this) {
            page->hide();
            page->setParent(nullptr);
        }
    }
    m_pages.clear();
    m_nActive = -1;
}

// --- pages ---

void PropertySheet::AddPage(PropertyPage* page) {
    if (!page || GetPageIndex(page) >= 0)
        return;
    if (PropertySheet* other = page->GetSheet())
        other->RemovePage(page);
    page->m_pSheet = this;
    m_pages.push_back(page);
    if (m_pTab) {
        m_bSyncingTab = true;
        m_pTab->addTab(new QWidget, page->GetCaption());
        m_bSyncingTab = false;
        selectTab(m_nActive);
        OnPageAdded(page);
    }
}

void PropertySheet::RemovePage(PropertyPage* page) {
    removeAt(GetPageIndex(page), true);
}

void PropertySheet::RemovePage(int index) {
    removeAt(index, true);
}

PropertyPage* PropertySheet::GetPage(int index) const {
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<std::size_t>(index)] : nullptr;
}

int PropertySheet::GetPageIndex(const PropertyPage* page) const {
    const auto it = std::find(m_pages.begin(), m_pages.end(), page);
    return it == m_pages.end() ? -1 : static_cast<int>(it - m_pages.begin());
}

bool PropertySheet::SetActivePage(int index) {
    if (!m_bWindowCreated) {
        // Before the window exists it is the page to start on.
        if (index < 0 || index >= GetPageCount())
            return false;
        m_psh.nStartPage = index;
        return true;
    }
    return activate(index, true);
}

bool PropertySheet::SetActivePage(PropertyPage* page) {
    return SetActivePage(GetPageIndex(page));
}

int PropertySheet::indexOfTemplate(unsigned templateId) const {
    for (int i = 0; i < GetPageCount(); ++i)
        if (m_pages[static_cast<std::size_t>(i)]->resourceId() == templateId)
            return i;
    return -1;
}

void PropertySheet::removeAt(int index, bool pageAlive) {
    if (index < 0 || index >= GetPageCount())
        return;
    PropertyPage* page = m_pages[static_cast<std::size_t>(index)];
    if (index == m_nActive && pageAlive && GetPageCount() > 1)
        activate(index + 1 < GetPageCount() ? index + 1 : index - 1, false);
    m_pages.erase(m_pages.begin() + index);
    if (m_nActive == index)
        m_nActive = -1;
    else if (m_nActive > index)
        --m_nActive;
    if (m_pTab) {
        m_bSyncingTab = true;
        QWidget* placeholder = m_pTab->widget(index);
        m_pTab->removeTab(index);
        delete placeholder;
        m_bSyncingTab = false;
        selectTab(m_nActive);
    }
    if (pageAlive) {
        page->hide();
        page->m_pSheet = nullptr;
        if (page->parentWidget() == this)
            page->setParent(nullptr);
    }
    OnPageRemoved(page);
    // A page that went away while the sheet shows it hands over to a neighbour.
    if (!pageAlive && m_nActive < 0 && !m_pages.empty() && isVisible())
        activate(std::min(index, GetPageCount() - 1), false);
}

void PropertySheet::pageDestroyed(PropertyPage* page) {
    removeAt(GetPageIndex(page), false);
}

void PropertySheet::OnPageRemoved(PropertyPage*) {}

void PropertySheet::OnPageAdded(PropertyPage*) {}

void PropertySheet::OnPageActivated(int) {}

void PropertySheet::fitWindow(const QSize& size) {
    setFixedSize(size);
}

// --- activation ---

bool PropertySheet::activate(int index, bool validate) {
    PropertyPage* page = GetPage(index);
    if (!page)
        return false;
    if (index == m_nActive)
        return true;
    PropertyPage* old = GetActivePage();
    if (old && validate && !old->OnKillActive())
        return false;
    if (!page->IsCreated()) {
        // Controls built only now were not measured with the others: the sheet grows to fit them.
        if (page->EnsureControls() && m_pTab) {
            const QSize needed = m_sizePage.expandedTo(pageNeeds(page));
            if (needed != m_sizePage) {
                m_sizePage = needed;
                arrangeWindow();
            }
        }
        page->Create(this);
    }
    if (!page->OnSetActive())
        return false;

    QWidget* focus = QApplication::focusWidget();
    const bool moveFocus = !focus || focus->window() != this || (old && old->isAncestorOf(focus));
    m_nActive = index;
    placeActivePage();
    page->raise();
    page->show();
    if (old)
        old->hide();
    selectTab(index);
    if (moveFocus)
        if (QWidget* first = firstFocusable(page))
            first->setFocus(Qt::TabFocusReason);
    OnPageActivated(index);
    return true;
}

QRect PropertySheet::pageArea() const {
    if (IsWizard()) {
        // Above the separator line, wherever it went.
        if (!m_pLine)
            return m_rcWizardPage;
        return QRect(m_rcWizardPage.topLeft(),
                     QSize(m_pLine->width(), std::max(0, m_pLine->y() - kMargin - m_rcWizardPage.top())));
    }
    return m_pTab ? AdjustTabRect(false, m_pTab->geometry()) : QRect();
}

void PropertySheet::placeActivePage() {
    if (PropertyPage* page = GetActivePage())
        page->setGeometry(pageArea());
}

QRect PropertySheet::AdjustTabRect(bool larger, const QRect& rect) const {
    const auto* tab = static_cast<const SheetTabWidget*>(m_pTab);
    if (!tab)
        return rect;
    if (!larger)
        return tab->contentsFor(rect.size()).translated(rect.topLeft());
    // The frame and tab row around the page area are the same for every size.
    const QSize reference(1000, 1000);
    const QRect c = tab->contentsFor(reference);
    const int left = c.left();
    const int top = c.top();
    const int right = reference.width() - (c.left() + c.width());
    const int bottom = reference.height() - (c.top() + c.height());
    return QRect(rect.x() - left, rect.y() - top, rect.width() + left + right, rect.height() + top + bottom);
}

void PropertySheet::selectTab(int index) {
    if (!m_pTab || index < 0)
        return;
    m_bSyncingTab = true;
    m_pTab->setCurrentIndex(index);
    m_bSyncingTab = false;
}

void PropertySheet::onTabChanged(int index) {
    if (m_bSyncingTab)
        return;
    // The tab follows the page: back to the active one until the page changes.
    selectTab(m_nActive);
    activate(index, true);
}

bool PropertySheet::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) && !IsWizard() && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        // The page keys reach the sheet before any control of it (a multi-line field would take
        // Ctrl+Tab as a tab) or a shortcut.
        if (const int step = pageStep(*static_cast<QKeyEvent*>(event))) {
            if (type == QEvent::KeyPress)
                stepPage(step > 0);
            event->accept();
            return true;
        }
    }
    if ((watched == m_pTab || watched == m_pLine) && (type == QEvent::Move || type == QEvent::Resize))
        placeActivePage();
    return Dialog::eventFilter(watched, event);
}

void PropertySheet::stepPage(bool forward) {
    const int count = GetPageCount();
    if (count < 2)
        return;
    const int from = m_nActive < 0 ? 0 : m_nActive;
    SetActivePage((from + (forward ? 1 : count - 1)) % count);
}

// --- the window ---

bool PropertySheet::OnInitDialog() {
    m_bWindowCreated = true;
    // The keys that change pages, seen before the focused control gets them.
    qApp->installEventFilter(this);
    const int start = std::clamp(m_psh.nStartPage, 0, std::max(0, GetPageCount() - 1));
    buildWindow(start);
    if (!activate(start, false))
        for (int i = 0; i < GetPageCount() && m_nActive < 0; ++i)
            activate(i, false);
    if (IsWizard())
        SetWizardButtons(m_nWizardButtons);
    return true;
}

QPushButton* PropertySheet::addButton(unsigned id, const QString& text) {
    auto* button = withId(new QPushButton(text, this), id);
    return button;
}

QSize PropertySheet::pageNeeds(const PropertyPage* page) {
    QSize wanted = page->sizeHint();
    if (!wanted.isValid())
        wanted = page->size();
    return wanted.expandedTo(page->minimumSizeHint()).expandedTo(page->minimumSize());
}

void PropertySheet::buildWindow(int startPage) {
    const bool wizard = IsWizard();

    // The page area takes the largest page of those with controls, the start page's built now;
    // the others are built as they are first shown.
    if (PropertyPage* start = GetPage(startPage))
        start->EnsureControls();
    m_sizePage = m_sizeMinPage;
    for (PropertyPage* page : m_pages)
        if (page->HasControls())
            m_sizePage = m_sizePage.expandedTo(pageNeeds(page));

    m_pTab = withId(new SheetTabWidget(this), IDC_TAB_CONTROL);
    for (PropertyPage* page : m_pages)
        m_pTab->addTab(new QWidget, page->GetCaption());
    connect(m_pTab, &QTabWidget::currentChanged, this, [this](int index) { onTabChanged(index); });
    m_pTab->installEventFilter(this);

    QPushButton* defaultButton = nullptr;
    if (wizard) {
        m_pBack = addButton(ID_WIZBACK, QStringLiteral("< &Back"));
        m_pNext = addButton(ID_WIZNEXT, QStringLiteral("&Next >"));
        m_pFinish = addButton(ID_WIZFINISH, QStringLiteral("Finish"));
        connect(m_pBack, &QPushButton::clicked, this, [this] { wizardBack(); });
        connect(m_pNext, &QPushButton::clicked, this, [this] { wizardNext(); });
        connect(m_pFinish, &QPushButton::clicked, this, [this] { wizardFinish(); });
        m_buttonRow = {m_pBack, m_pNext};
        defaultButton = m_pNext;
        m_pLine = withId(new QFrame(this), ID_WIZLINE);
        m_pLine->setFrameShape(QFrame::HLine);
        m_pLine->setFrameShadow(QFrame::Sunken);
        m_pLine->installEventFilter(this);
        m_pTab->hide();
    } else {
        QPushButton* ok = addButton(IDOK, QStringLiteral("OK"));
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        m_buttonRow = {ok};
        defaultButton = ok;
    }
    QPushButton* cancel = addButton(IDCANCEL, QStringLiteral("Cancel"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_buttonRow.push_back(cancel);
    if (!wizard && !(m_psh.dwFlags & PSH_NOAPPLYNOW)) {
        m_pApply = addButton(ID_APPLY_NOW, QStringLiteral("&Apply"));
        m_pApply->setEnabled(false);
        connect(m_pApply, &QPushButton::clicked, this, [this] { OnApplyNow(); });
        m_buttonRow.push_back(m_pApply);
    }
    if (m_psh.dwFlags & PSH_HASHELP) {
        QPushButton* helpButton = addButton(IDHELP, QStringLiteral("Help"));
        connect(helpButton, &QPushButton::clicked, this, [this] { help(); });
        m_buttonRow.push_back(helpButton);
    }
    defaultButton->setDefault(true);
    arrangeWindow();

    // Built while the sheet may be showing already (a sheet shown without DoModal): its controls
    // are shown explicitly.
    if (!wizard)
        m_pTab->show();
    for (QPushButton* b : m_buttonRow)
        b->show();
    if (m_pLine)
        m_pLine->show();
}

void PropertySheet::arrangeWindow() {
    const bool wizard = IsWizard();
    QSize button = kButtonSize;
    for (QPushButton* b : m_buttonRow)
        button = button.expandedTo(b->sizeHint());
    if (m_pFinish)
        button = button.expandedTo(m_pFinish->sizeHint());
    const int count = static_cast<int>(m_buttonRow.size());
    const int rowWidth = count * button.width() + (count - 1) * kButtonGap;

    QSize content = wizard ? m_sizePage : AdjustTabRect(true, QRect(QPoint(0, 0), m_sizePage)).size();
    if (!wizard) // every tab in sight
        content.setWidth(std::max(content.width(), m_pTab->tabBar()->sizeHint().width() + 4));
    const int width = std::max(content.width(), rowWidth) + 2 * kMargin;
    int y = kMargin + content.height() + kMargin;
    if (wizard) {
        m_rcWizardPage = QRect(kMargin, kMargin, width - 2 * kMargin, content.height());
        m_pLine->setGeometry(kMargin, y, width - 2 * kMargin, 2);
        y += 2 + kMargin;
    } else {
        m_pTab->setGeometry(kMargin, kMargin, width - 2 * kMargin, content.height());
    }
    int x = width - kMargin - rowWidth;
    for (QPushButton* b : m_buttonRow) {
        b->setGeometry(x, y, button.width(), button.height());
        x += button.width() + kButtonGap;
    }
    if (m_pFinish)
        m_pFinish->setGeometry(m_pNext->geometry()); // Finish takes Next's place
    fitWindow(QSize(width, y + button.height() + kMargin));
    placeActivePage();
}

// --- the buttons ---

bool PropertySheet::commitPages() {
    if (PropertyPage* active = GetActivePage(); active && !active->OnKillActive())
        return false;
    for (int i = 0; i < GetPageCount(); ++i) {
        PropertyPage* page = m_pages[static_cast<std::size_t>(i)];
        if (page->IsCreated() && !page->OnApply()) {
            activate(i, false);
            return false;
        }
    }
    return true;
}

void PropertySheet::OnOK() {
    if (IsWizard()) {
        // Return in a wizard: Finish where it shows, else Next.
        if (m_pFinish && m_pFinish->isVisible())
            wizardFinish();
        else if (m_pNext && m_pNext->isEnabled())
            wizardNext();
        return;
    }
    if (commitPages())
        EndDialog(IDOK);
}

void PropertySheet::OnCancel() {
    if (PropertyPage* active = GetActivePage(); active && !active->OnQueryCancel())
        return;
    for (PropertyPage* page : m_pages)
        if (page->IsCreated())
            page->OnReset();
    EndDialog(IDCANCEL);
}

bool PropertySheet::OnApplyNow() {
    if (!commitPages())
        return false;
    for (PropertyPage* page : m_pages)
        page->m_bModified = false;
    pageModifiedChanged();
    return true;
}

void PropertySheet::pageModifiedChanged() {
    if (m_pApply)
        m_pApply->setEnabled(
            std::any_of(m_pages.begin(), m_pages.end(), [](PropertyPage* p) { return p->IsModified(); }));
}

void PropertySheet::help() {
    if (PropertyPage* page = GetActivePage())
        page->OnHelpInfo();
}

// --- wizard ---

void PropertySheet::SetWizardButtons(unsigned flags) {
    m_nWizardButtons = flags;
    if (!m_pBack)
        return;
    const bool finishShown = (flags & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
    m_pBack->setEnabled(flags & PSWIZB_BACK);
    m_pNext->setEnabled(flags & PSWIZB_NEXT);
    m_pNext->setVisible(!finishShown);
    m_pFinish->setEnabled(flags & PSWIZB_FINISH);
    m_pFinish->setVisible(finishShown);
    (finishShown ? m_pFinish : m_pNext)->setDefault(true);
}

void PropertySheet::wizardBack() {
    PropertyPage* page = GetActivePage();
    if (!page)
        return;
    const int target = page->OnWizardBack();
    if (target != -1)
        activate(target == 0 ? m_nActive - 1 : indexOfTemplate(static_cast<unsigned>(target)), false);
}

void PropertySheet::wizardNext() {
    PropertyPage* page = GetActivePage();
    if (!page)
        return;
    const int target = page->OnWizardNext();
    if (target != -1)
        activate(target == 0 ? m_nActive + 1 : indexOfTemplate(static_cast<unsigned>(target)), true);
}

void PropertySheet::wizardFinish() {
    PropertyPage* page = GetActivePage();
    if (page && page->OnKillActive() && page->OnWizardFinish())
        EndDialog(static_cast<int>(ID_WIZFINISH));
}
