#include "framework/FrameWnd.h"

#include "framework/DocTemplate.h"
#include "framework/RecentFileList.h"
#include "framework/ResourceIds.h"
#include "framework/StatusBar.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include "framework/WindowMessages.h"
#include "log/Log.h"
#include "platform/Document.h"
#include "platform/Paths.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <exception>

namespace {

// The first local file among the dropped URLs.
std::optional<std::filesystem::path> droppedFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls())
        return std::nullopt;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            return paths::fromQString(url.toLocalFile());
    return std::nullopt;
}

// Runs `work`, logging an exception instead of letting it reach the event loop; false after one.
template <class Work> bool guarded(const char* what, unsigned id, Work&& work) {
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        CVR_LOG(LOG_LEVEL_ERROR, "%s %u failed: %s", what, id, e.what());
    } catch (...) {
        CVR_LOG(LOG_LEVEL_ERROR, "%s %u failed", what, id);
    }
    return false;
}

// Command `id` shows and hides the frame's bar of type Bar; it is checked while the bar shows.
template <class Bar> void addBarCommand(FrameWnd& frame, CommandId id) {
    frame.addCommand(id, [&frame] {
        if (auto* bar = frame.findChild<Bar*>())
            bar->setVisible(bar->isHidden());
    });
    frame.addUpdateHandler(id, [&frame](CmdUI& ui) {
        auto* bar = frame.findChild<Bar*>();
        ui.Enable(bar != nullptr);
        ui.SetCheck(bar && !bar->isHidden() ? 1 : 0);
    });
}

// A widget the user types text into.
bool isTextField(const QObject* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

// A key that edits text, moves in it or copies from it: typed characters, Return, Delete,
// Backspace, Insert and the movement keys, alone or with Shift; with Ctrl the clipboard, undo,
// select-all and word keys, and the control characters Tab (I) and Return (M) with G and Q, which
// otherwise would act on the list's item while the user types; Alt+Backspace (undo).
bool isEditingKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    const int k = key.key();
    const auto oneOf = [k](std::initializer_list<int> keys) {
        return std::find(keys.begin(), keys.end(), k) != keys.end();
    };
    if (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier) {
        if (!key.text().isEmpty() && key.text().at(0).isPrint())
            return true;
        return oneOf({Qt::Key_Return, Qt::Key_Enter, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Insert, Qt::Key_Home,
                      Qt::Key_End, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down});
    }
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return oneOf({Qt::Key_A, Qt::Key_C, Qt::Key_V, Qt::Key_X, Qt::Key_Z, Qt::Key_Y, Qt::Key_Insert, Qt::Key_Delete,
                      Qt::Key_Backspace, Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End, Qt::Key_I,
                      Qt::Key_M, Qt::Key_G, Qt::Key_Q});
    return modifiers == Qt::AltModifier && k == Qt::Key_Backspace;
}

} // namespace

FrameWnd::FrameWnd(Services services, MessageTarget& messageTarget) : FrameWnd(messageTarget) {
    m_services = std::move(services);
}

FrameWnd::FrameWnd(MessageTarget& messageTarget) {
    m_commands = std::make_unique<CommandRegistry>(*this, [this](CommandId id) { SendCommand(id); });
    m_idleTimer = new QTimer(this);
    m_idleTimer->setSingleShot(true);
    m_idleTimer->setInterval(0);
    connect(m_idleTimer, &QTimer::timeout, this, [this] { UpdateCommandUI(); });

    // The view that gets the focus becomes the active view.
    m_focusConnection = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (QWidget* w = now; w; w = w->parentWidget()) {
            if (auto* view = dynamic_cast<View*>(w)) {
                if (view->GetParentFrame() == this)
                    SetActiveView(view);
                return;
            }
        }
    });
    // Input is followed by an idle update of the commands' states.
    qApp->installEventFilter(this);

    m_messages = std::make_unique<WindowMessageLink>(
        *this,
        [this](Message& message) {
            const QPointer<FrameWnd> self(this); // a handler may close and destroy its frame
            const std::intptr_t result = OnMessage(message);
            if (self)
                requestCommandUIUpdate();
            return result;
        },
        messageTarget);

    // The toolbar and status bar commands of the View menu.
    addBarCommand<QToolBar>(*this, ID_VIEW_TOOLBAR);
    addBarCommand<QStatusBar>(*this, ID_VIEW_STATUS_BAR);
}

FrameWnd::~FrameWnd() {
    // Nothing may reach this object while its children are destroyed after this body.
    m_messages.reset();
    if (m_clipboardWatched)
        disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    disconnect(m_focusConnection);
    qApp->removeEventFilter(this);
    for (auto& [id, timer] : m_timers)
        timer->stop();
    m_idleTimer->stop();
    if (WinApp* app = WinApp::instance(); app && app->GetMainWnd() == this)
        app->setMainWnd(nullptr);
}

// --- creation ---

const Services& FrameWnd::services() const {
    if (!m_services)
        const_cast<FrameWnd*>(this)->m_services.emplace();
    return *m_services;
}

bool FrameWnd::LoadFrame(CreateContext& context) {
    if (!m_services && context.m_services)
        m_services = *context.m_services;
    m_document = context.m_pCurrentDoc;
    m_template = context.m_pNewDocTemplate;
    CreateStruct cs;
    PreCreateWindow(cs);
    if (cs.x != CreateStruct::kUseDefault && cs.y != CreateStruct::kUseDefault)
        move(cs.x, cs.y);
    if (cs.cx != CreateStruct::kUseDefault && cs.cy != CreateStruct::kUseDefault && cs.cx > 0 && cs.cy > 0)
        resize(cs.cx, cs.cy);
    if (OnCreate(context) == -1) {
        CVR_LOG(LOG_LEVEL_ERROR, "Creating the frame window failed");
        return false;
    }
    OnUpdateFrameTitle();
    return true;
}

void FrameWnd::PreCreateWindow(CreateStruct&) {}

int FrameWnd::OnCreate(CreateContext& context) {
    return OnCreateClient(context) ? 0 : -1;
}

bool FrameWnd::OnCreateClient(CreateContext& context) {
    if (!context.m_newView)
        return true; // a frame without views
    View* view = CreateView(context, this);
    if (!view)
        return false;
    SetActiveView(view);
    return true;
}

View* FrameWnd::CreateView(CreateContext& context, QWidget* parent, std::unique_ptr<View> view) {
    if (!view && context.m_newView)
        view = context.m_newView();
    if (!view) {
        CVR_LOG(LOG_LEVEL_ERROR, "Creating a view failed");
        return nullptr;
    }
    View* created = view.release(); // owned by its parent widget from here on
    if (parent == this || !parent)
        setCentralWidget(created);
    else
        created->setParent(parent);
    created->setServices(services());
    created->attachDocument(context.m_pCurrentDoc);
    return created;
}

// --- views and document ---

View* FrameWnd::GetActiveView() const {
    return m_activeView.data();
}

void FrameWnd::SetActiveView(View* view) {
    m_activeView = view;
}

Document* FrameWnd::GetActiveDocument() const {
    if (m_activeView && m_activeView->GetDocument())
        return m_activeView->GetDocument();
    return m_document;
}

std::vector<View*> FrameWnd::views() const {
    // View has no meta-object of its own, so the widgets are tested one by one.
    std::vector<View*> found;
    for (QWidget* child : findChildren<QWidget*>())
        if (auto* view = dynamic_cast<View*>(child))
            found.push_back(view);
    return found;
}

void FrameWnd::InitialUpdateFrame(Document* document, bool makeVisible) {
    if (document)
        m_document = document;
    const std::vector<View*> all = views();
    if (!m_activeView && !all.empty())
        SetActiveView(all.front());
    if (makeVisible) {
        for (View* view : all)
            view->OnInitialUpdate();
        int nCmdShow = -1;
        if (WinApp* app = WinApp::instance(); app && app->GetMainWnd() == this) {
            nCmdShow = app->m_nCmdShow;
            app->m_nCmdShow = -1; // later activations show the frame normally
        }
        ActivateFrame(nCmdShow);
    }
    OnUpdateFrameTitle();
}

void FrameWnd::ActivateFrame(int nCmdShow) {
    if (nCmdShow == -1) {
        if (isHidden())
            nCmdShow = SW_SHOWNORMAL;
        else if (isMinimized())
            nCmdShow = SW_RESTORE;
    }
    switch (nCmdShow) {
    case -1:
        break;
    case SW_HIDE:
        hide();
        return;
    case SW_SHOWMAXIMIZED:
        showMaximized();
        break;
    case SW_SHOWMINIMIZED:
        showMinimized();
        return;
    case SW_SHOW:
        show();
        break;
    default:
        showNormal();
        break;
    }
    raise();
    activateWindow();
}

void FrameWnd::OnUpdateFrameTitle() {
    std::string title = m_template ? m_template->docString().windowTitle : std::string();
    if (const Document* document = GetActiveDocument())
        title = title.empty() ? document->GetTitle() : document->GetTitle() + " - " + title;
    const QString text = QString::fromStdString(title);
    if (windowTitle() != text)
        setWindowTitle(text);
}

// --- commands ---

std::vector<CommandTarget*> FrameWnd::commandRoute() const {
    std::vector<CommandTarget*> route;
    if (m_activeView)
        route.push_back(m_activeView.data());
    if (m_template && GetActiveDocument())
        route.push_back(&m_template->documentCommands());
    route.push_back(const_cast<FrameWnd*>(this));
    if (WinApp* app = WinApp::instance())
        route.push_back(app);
    return route;
}

bool FrameWnd::UpdateCommand(CmdUI& ui) {
    return routeCommandUpdate(commandRoute(), ui);
}

bool FrameWnd::SendCommand(CommandId id) {
    CmdUI state(id);
    bool known = false;
    guarded("Update of command", id, [&] { known = UpdateCommand(state); });
    if (!known || !state.enabled()) {
        CVR_LOG(LOG_LEVEL_DEBUG, "Command %u not run: %s", id, known ? "disabled" : "no handler");
        return false;
    }
    bool handled = false;
    if (!guarded("Command", id, [&] { handled = routeCommand(commandRoute(), id); }))
        handled = true; // a handler ran and failed
    requestCommandUIUpdate();
    return handled;
}

void FrameWnd::PostCommand(CommandId id) {
    QMetaObject::invokeMethod(
        this, [this, id] { SendCommand(id); }, Qt::QueuedConnection);
}

QAction* FrameWnd::commandAction(CommandId id) {
    QAction* action = m_commands->action(id);
    updateCommand(id);
    return action;
}

QAction* FrameWnd::bindAction(QAction* action, CommandId id) {
    QAction* bound = m_commands->adopt(action, id);
    if (bound)
        updateCommand(id);
    return bound;
}

QAction* FrameWnd::actionFor(CommandId id) const {
    return m_commands->find(id);
}

void FrameWnd::bindMenu(QMenu* menu) {
    if (!menu || std::find(m_boundMenus.begin(), m_boundMenus.end(), menu) != m_boundMenus.end())
        return;
    std::erase_if(m_boundMenus, [](const QPointer<QMenu>& m) { return m.isNull(); });
    m_boundMenus.emplace_back(menu);
    const QPointer<QMenu> watched(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, watched] {
        if (watched)
            initMenuPopup(watched);
    });
}

void FrameWnd::initMenuPopup(QMenu* menu) {
    UpdateCommandUI();
    if (menu == m_recentMenu)
        rebuildRecentFileMenu();
    guarded("Opening a menu", 0, [&] { OnInitMenuPopup(menu); });
}

void FrameWnd::OnInitMenuPopup(QMenu*) {}

void FrameWnd::bindRecentFileMenu(QMenu* menu, QAction* placeholder) {
    m_recentMenu = menu;
    m_recentPlaceholder = placeholder;
    if (menu) {
        bindMenu(menu);
        rebuildRecentFileMenu();
    }
}

void FrameWnd::rebuildRecentFileMenu() {
    if (!m_recentMenu)
        return;
    for (const QPointer<QAction>& action : m_recentActions) {
        if (action) {
            m_recentMenu->removeAction(action);
            action->deleteLater();
        }
    }
    m_recentActions.clear();

    WinApp* app = WinApp::instance();
    const RecentFileList* list = app ? app->recentFileList() : nullptr;
    const int count = list ? std::min(list->count(), int(ID_FILE_MRU_LAST - ID_FILE_MRU_FILE1 + 1)) : 0;
    if (m_recentPlaceholder) {
        m_recentPlaceholder->setVisible(count == 0);
        m_recentPlaceholder->setEnabled(false);
    }
    std::error_code ec;
    const std::filesystem::path currentFolder = std::filesystem::current_path(ec);
    for (int i = 0; i < count; ++i) {
        auto* action = new QAction(QString::fromStdString(list->menuText(i, currentFolder)), m_recentMenu);
        const CommandId id = ID_FILE_MRU_FILE1 + static_cast<CommandId>(i);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { SendCommand(id); });
        m_recentMenu->insertAction(m_recentPlaceholder, action);
        m_recentActions.emplace_back(action);
    }
}

void FrameWnd::updateCommand(CommandId id) {
    CmdUI ui(id);
    guarded("Update of command", id, [&] { UpdateCommand(ui); });
    m_commands->applyState(id, ui);
}

void FrameWnd::UpdateCommandUI() {
    // One pass over the commands, each once; an update handler may add commands meanwhile.
    for (const CommandId id : m_commands->ids())
        updateCommand(id);
    OnUpdateFrameTitle();
    guarded("Idle update", 0, [&] { OnIdleUpdateCmdUI(); });
}

void FrameWnd::OnIdleUpdateCmdUI() {
    for (CStatusBar* bar : findChildren<CStatusBar*>(Qt::FindDirectChildrenOnly))
        if (!bar->isHidden())
            bar->OnUpdateCmdUI(*this, false);
}

void FrameWnd::requestCommandUIUpdate() {
    if (!m_idleTimer->isActive())
        m_idleTimer->start();
}

bool FrameWnd::clipboardHas(const QString& mimeType) {
    if (!m_clipboardWatched) {
        m_clipboardWatched = true;
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
            readClipboardFormats();
            requestCommandUIUpdate();
        });
    }
    if (m_watchedFormats.insert(mimeType).second)
        readClipboardFormats();
    return m_clipboardFormats.contains(mimeType);
}

void FrameWnd::readClipboardFormats() {
    m_clipboardFormats.clear();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return;
    for (const QString& format : m_watchedFormats)
        if (data->hasFormat(format))
            m_clipboardFormats.insert(format);
}

// --- closing ---

void FrameWnd::OnClose() {
    Document* document = GetActiveDocument();
    if (document && !document->CanCloseFrame())
        return;
    hide();
    WinApp* app = WinApp::instance();
    if (app && app->GetMainWnd() == this) {
        if (document)
            document->OnCloseDocument();
        quitApplication(0);
    }
}

void FrameWnd::quitApplication(int exitCode) {
    if (WinApp* app = WinApp::instance(); app && app->GetMainWnd() == this)
        app->PostQuitMessage(exitCode);
}

void FrameWnd::closeEvent(QCloseEvent* event) {
    // OnClose decides and hides the frame itself; the frame lives on until its template ends.
    event->ignore();
    guarded("Closing the frame", 0, [&] { OnClose(); });
}

// --- timers ---

unsigned FrameWnd::SetTimer(unsigned id, unsigned elapseMs) {
    if (id == 0)
        return 0;
    QTimer*& timer = m_timers[id];
    if (!timer) {
        timer = new QTimer(this);
        // Periods of minutes must not drift by the coarse timers' 5 per cent.
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id] { runTimer(id); });
    }
    timer->start(static_cast<int>(std::clamp<unsigned>(elapseMs, 10u, static_cast<unsigned>(INT_MAX))));
    return id;
}

bool FrameWnd::KillTimer(unsigned id) {
    const auto it = m_timers.find(id);
    if (it == m_timers.end())
        return false;
    it->second->stop();
    it->second->deleteLater(); // it may be the timer whose tick is running
    m_timers.erase(it);
    return true;
}

std::optional<unsigned> FrameWnd::timerInterval(unsigned id) const {
    const auto it = m_timers.find(id);
    if (it == m_timers.end())
        return std::nullopt;
    return static_cast<unsigned>(it->second->interval());
}

void FrameWnd::OnTimer(unsigned) {}

void FrameWnd::runTimer(unsigned id) {
    guarded("Timer", id, [&] { OnTimer(id); });
    requestCommandUIUpdate();
}

// --- messages ---

ReceiverId FrameWnd::messageTargetId() const {
    return m_messages ? m_messages->id() : 0;
}

std::intptr_t FrameWnd::OnMessage(Message&) {
    return 0;
}

// --- dropped files ---

void FrameWnd::DragAcceptFiles(bool accept) {
    setAcceptDrops(accept);
}

void FrameWnd::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void FrameWnd::dropEvent(QDropEvent* event) {
    const auto file = droppedFile(event->mimeData());
    if (!file) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    activateWindow();
    // One document at a time: of several files, the first is opened.
    if (WinApp* app = WinApp::instance())
        guarded("Opening a dropped file", 0, [&] { app->OpenDocumentFile(*file); });
    requestCommandUIUpdate();
}

bool FrameWnd::keepsKey(QObject* watched, QEvent* event) const {
    if (!isTextField(watched))
        return false;
    const auto* widget = static_cast<QWidget*>(watched);
    return widget->window() == this && isEditingKey(*static_cast<QKeyEvent*>(event));
}

CommandId FrameWnd::commandOfKey(QObject* watched, QEvent* event) const {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!widget || widget->window() != this || keepsKey(watched, event))
        return 0;
    const auto* key = static_cast<const QKeyEvent*>(event);
    const QKeyCombination combination(key->modifiers() & ~Qt::KeypadModifier, static_cast<Qt::Key>(key->key()));
    return m_commands->commandOfKey(QKeySequence(combination));
}

bool FrameWnd::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Accepting the override sends the key to the text field instead of to a shortcut.
        if (keepsKey(watched, event))
            event->accept();
        else if (const CommandId id = commandOfKey(watched, event))
            updateCommand(id); // the key's action is looked up next: its state must be the current one
        break;
    case QEvent::KeyPress:
        // The key of a disabled command reached the focused widget: it does nothing there either
        // (the list would copy its current cell on Ctrl+C, select all rows on Ctrl+A, ...).
        if (const CommandId id = commandOfKey(watched, event)) {
            if (const QAction* action = m_commands->find(id); action && !action->isEnabled()) {
                event->accept();
                return true;
            }
        }
        break;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::FocusIn:
        requestCommandUIUpdate();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
