#pragma once
// The frame window: a QMainWindow that holds the views of the document, routes commands, runs
// timers by id and receives the messages workers post to it. It keeps the services bundle its
// owner gave it (Services.h) and hands it to its views.
//
// Commands are routed, as menus, toolbars and SendCommand deliver them, to the first of these that
// has a handler: the active view, the document (its template's command table), the frame, the
// application. Before a command runs its update handlers are asked: a command they disable is not
// run. Each command has one QAction in the frame's command registry (CommandRegistry.h); the
// actions take their enabled state and marks from the update handlers, one pass over the commands,
// whenever the program is idle after input, a command, a timer, a message, a drop or a change of
// the document, and when a menu opens. The update handlers stay cheap: no I/O, no modal UI (the
// clipboard's formats are kept by clipboardHas).
//
// A focused text field keeps its editing keys (Delete, Return, Ctrl+C, Shift+Insert, ...) for
// itself: the frame's keys do not take them. Elsewhere in the frame a command's key belongs to the
// command: while the command is disabled the key does nothing.

#include "framework/CommandRegistry.h"
#include "framework/CommandTarget.h"
#include "framework/Services.h"
#include "platform/MessageTarget.h"

#include <QMainWindow>
#include <QPointer>

#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class Document;
class QAction;
class QMenu;
class QTimer;
class SingleDocTemplate;
class View;
class WindowMessageLink;

// How a frame is shown (ActivateFrame, WinApp::m_nCmdShow).
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_RESTORE = 9;

using ViewFactory = std::function<std::unique_ptr<View>()>;

// What a new frame is created for: the document, its template and the view kind of the default
// client area, and the services of the application (which a frame made without a bundle of its
// own takes).
struct CreateContext {
    Document* m_pCurrentDoc = nullptr;
    SingleDocTemplate* m_pNewDocTemplate = nullptr;
    ViewFactory m_newView;
    const Services* m_services = nullptr;
};

// The window's position and size (outer top-left, inner size) as PreCreateWindow may set them.
struct CreateStruct {
    static constexpr int kUseDefault = INT_MIN;
    int x = kUseDefault;
    int y = kUseDefault;
    int cx = kUseDefault;
    int cy = kUseDefault;
};

class FrameWnd : public QMainWindow, public CommandTarget {
public:
    // Registers the frame with `messageTarget` for messages from workers. The services come with
    // LoadFrame's context.
    explicit FrameWnd(MessageTarget& messageTarget = MessageTarget::instance());
    // A frame with its own services bundle.
    explicit FrameWnd(Services services, MessageTarget& messageTarget = MessageTarget::instance());
    ~FrameWnd() override;

    // The bundle the frame was given (the unattended one until it gets one).
    const Services& services() const;

    // --- creation (the template calls LoadFrame) ---
    // PreCreateWindow, then OnCreate; false when OnCreate fails (-1).
    bool LoadFrame(CreateContext& context);
    // May set the window's rectangle; the base leaves the default.
    virtual void PreCreateWindow(CreateStruct& cs);
    // Builds the window's parts; 0 on success, -1 on failure. The base runs OnCreateClient.
    virtual int OnCreate(CreateContext& context);
    // Builds the client area; the base makes one view of the context's kind the central widget
    // and the active view. False on failure.
    virtual bool OnCreateClient(CreateContext& context);
    // Creates a view (`view`, or one of the context's kind) as a child of `parent` (the frame:
    // as its central widget) and attaches it to the context's document. Null on failure.
    View* CreateView(CreateContext& context, QWidget* parent, std::unique_ptr<View> view = nullptr);

    // --- views and document ---
    View* GetActiveView() const;
    void SetActiveView(View* view);
    // The active view's document, else the document the frame was created for.
    Document* GetActiveDocument() const;
    SingleDocTemplate* docTemplate() const { return m_template; }
    // The frame's views in creation order (depth first).
    std::vector<View*> views() const;
    // After a document was created or opened: when `makeVisible`, every view's OnInitialUpdate and
    // ActivateFrame (the main frame's first time with the application's show command); then the title.
    void InitialUpdateFrame(Document* document, bool makeVisible);
    // Shows the frame as `nCmdShow` says; -1: shown normally when hidden, restored when minimised.
    virtual void ActivateFrame(int nCmdShow = -1);
    // "<document title> - <program title>".
    virtual void OnUpdateFrameTitle();

    // --- commands ---
    // The targets a command goes to, in order: active view, document, frame, application.
    std::vector<CommandTarget*> commandRoute() const;
    // Runs command `id` now unless its update handlers disable it; true when a handler ran.
    bool SendCommand(CommandId id);
    // Queues command `id` to run as SendCommand does once control returns to the event loop.
    void PostCommand(CommandId id);
    // Asks the update handlers along the route; false when no target knows the command.
    bool UpdateCommand(CmdUI& ui);
    // The command registry: one action per command id.
    CommandRegistry& commands() { return *m_commands; }
    // The action of command `id` (made when it has none), its state from the update handlers.
    QAction* commandAction(CommandId id);
    // Makes `action` the action of command `id` (CommandRegistry::adopt); returns the command's
    // action, with its state from the update handlers.
    QAction* bindAction(QAction* action, CommandId id);
    // The action of `id`, null when none.
    QAction* actionFor(CommandId id) const;
    // Whenever the menu opens: refreshes the commands' states, the recent files (when it shows
    // them), then OnInitMenuPopup. A menu is bound once however often it is passed.
    void bindMenu(QMenu* menu);
    // A bound menu is about to open, its commands' states and recent files up to date: a derived
    // frame brings its owner-drawn menus' items in step here. The base does nothing.
    virtual void OnInitMenuPopup(QMenu* popup);
    // Shows the recent files in `menu` in place of `placeholder` whenever it opens (the
    // placeholder, disabled, while the list is empty).
    void bindRecentFileMenu(QMenu* menu, QAction* placeholder);
    // Refreshes every command's action (each command once), the title, and runs
    // OnIdleUpdateCmdUI, now.
    void UpdateCommandUI();
    // Asks for UpdateCommandUI once control returns to the event loop (repeated asks coalesce).
    void requestCommandUIUpdate();
    // Further idle updates: the base runs the update handlers of the status bar's panes.
    virtual void OnIdleUpdateCmdUI();
    // Whether the clipboard holds data of `mimeType`; kept up to date as the clipboard changes,
    // so update handlers can ask it at no cost. The type is watched from its first question on.
    bool clipboardHas(const QString& mimeType);

    // --- closing ---
    // The window is asked to close (the close button, the exit command): unless the document
    // refuses (CanCloseFrame), hides the frame; the main frame then closes the document and ends
    // the application's event loop.
    virtual void OnClose();

    // --- timers by id ---
    // Starts (or restarts, with the new period) timer `id`, calling OnTimer(id) every `elapseMs`
    // (10 ms at least); returns `id`, or 0 for the id 0, which is refused.
    unsigned SetTimer(unsigned id, unsigned elapseMs);
    // Stops timer `id`; false when it did not run.
    bool KillTimer(unsigned id);
    // The period of timer `id` while it runs.
    std::optional<unsigned> timerInterval(unsigned id) const;
    virtual void OnTimer(unsigned id);

    // --- messages from workers ---
    // The id workers post to (stands for the window's handle).
    ReceiverId messageTargetId() const;
    // A posted or sent message, on the frame's thread; the record may be moved out to keep it.
    virtual std::intptr_t OnMessage(Message& message);

    // --- dropped files ---
    // Accepts files dropped on the frame: the first local file is opened as a document.
    void DragAcceptFiles(bool accept = true);

protected:
    // Ends the program's event loop when this is the main window.
    void quitApplication(int exitCode = 0);

    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runTimer(unsigned id);
    void updateCommand(CommandId id);
    void rebuildRecentFileMenu();
    void initMenuPopup(QMenu* menu);
    void readClipboardFormats();
    // A key a focused text field of this frame keeps for itself.
    bool keepsKey(QObject* watched, QEvent* event) const;
    // The command whose key `event` is, pressed in this frame outside a text field that keeps it;
    // 0 when none.
    CommandId commandOfKey(QObject* watched, QEvent* event) const;

    std::optional<Services> m_services;
    std::unique_ptr<CommandRegistry> m_commands;
    QPointer<View> m_activeView;
    Document* m_document = nullptr;
    SingleDocTemplate* m_template = nullptr;
    std::set<QString> m_watchedFormats;
    std::set<QString> m_clipboardFormats;
    bool m_clipboardWatched = false;
    std::map<unsigned, QTimer*> m_timers; // children of the frame
    QTimer* m_idleTimer = nullptr;
    std::vector<QPointer<QMenu>> m_boundMenus;
    QPointer<QMenu> m_recentMenu;
    QPointer<QAction> m_recentPlaceholder;
    std::vector<QPointer<QAction>> m_recentActions;
    QMetaObject::Connection m_focusConnection;
    std::unique_ptr<WindowMessageLink> m_messages;
};
