#pragma once
// Hooks on a window's events: several objects see the events of one window before the window does,
// chained per window. The hook added last sees each event first; its WindowProc handles the event or
// passes it on through the base WindowProc, to the hook added before it and after the last hook to
// the window's own handling. A hook that must act after the window handled the event calls
// Default(), which runs the rest of the chain and the window's own handling at once and gives its
// result.
//
// One event filter per hooked window stands for the hook procedure; a process-wide map under one
// lock keeps each window's first hook. Hooks are added and removed in any order, also from inside
// WindowProc; when the window is destroyed every hook comes off it. A hook is never deleted by the
// chain: its owner deletes it (which unhooks it).

class QEvent;
class QObject;
class QWidget;

class CHookWnd {
public:
    CHookWnd() = default;
    virtual ~CHookWnd();
    CHookWnd(const CHookWnd&) = delete;
    CHookWnd& operator=(const CHookWnd&) = delete;

    // Puts this hook in front of the window's chain (leaving the window it hooked before); false for
    // no window.
    bool HookWindow(QWidget* window);
    // Takes this hook out of its window's chain; the window's own handling alone remains when it was
    // the last. Nothing when not hooked.
    void Unhook();

    bool IsHooked() const { return m_pWndHooked != nullptr; }
    QWidget* hookedWindow() const { return m_pWndHooked; }
    // The hook that sees the window's events first; null when the window has none.
    static CHookWnd* firstHookOf(const QObject* window);

protected:
    // Called with every event of the hooked window. True: the event is handled, nothing after this
    // hook sees it. The base passes it on: to the next hook, else to the window (false: the window
    // handles it once the chain returns; inside Default() it has already handled it and the result
    // is the window's).
    virtual bool WindowProc(QEvent* event);
    // The rest of the chain and the window's own handling for the event being handled, now; the
    // result is theirs. The window handles the event once only, however often this is called.
    bool Default();

private:
    friend class HookProcedure;
    friend struct HookDispatch;

    QWidget* m_pWndHooked = nullptr;
    // The hook that was the window's first before this one.
    CHookWnd* m_pNext = nullptr;
};
