#include "controls/HookWnd.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

// The event filter of one hooked window: hands each event to the window's first hook.
class HookProcedure : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Deletes the filter once no event runs through it any more.
    void retire();

private:
    int m_depth = 0;
    bool m_retired = false;
};

// The event a hook procedure is handling (the thread's current message). Dispatches nest when a
// hook or the window causes further events; each thread keeps its own stack.
struct HookDispatch {
    HookDispatch(QObject* w, QEvent* e, HookDispatch* p) : window(w), event(e), previous(p) {}

    QObject* window;
    QEvent* event;
    HookDispatch* previous;
    // Inside Default(): the end of the chain delivers the event to the window at once.
    int synchronous = 0;
    bool delivered = false;
    bool result = false;
    // While the event is re-sent to the window, the window's filter lets it pass.
    bool resending = false;
    // Hooks taken out of the chain during this dispatch, with the hook that followed each.
    std::vector<std::pair<const CHookWnd*, CHookWnd*>> continuations;

    static HookDispatch* of(const QEvent* event);
};

namespace {

struct Chain {
    CHookWnd* first = nullptr;
    HookProcedure* procedure = nullptr;
    QMetaObject::Connection destroyed;
};

// The process-wide lock around the chains and the first hook of every hooked window.
std::recursive_mutex g_hookLock;
std::unordered_map<const QObject*, Chain> g_chains;

thread_local HookDispatch* t_dispatch = nullptr;

// The window is being destroyed: every hook comes off it.
void unhookAll(const QObject* window) {
    for (;;) {
        CHookWnd* first = nullptr;
        {
            std::lock_guard lock(g_hookLock);
            const auto it = g_chains.find(window);
            if (it == g_chains.end())
                return;
            first = it->second.first;
        }
        first->Unhook();
    }
}

// The window's own handling at the end of the chain.
bool deliverToWindow(HookDispatch& dispatch) {
    if (!dispatch.synchronous)
        return dispatch.delivered && dispatch.result;
    if (!dispatch.delivered) {
        dispatch.resending = true;
        dispatch.result = QCoreApplication::sendEvent(dispatch.window, dispatch.event);
        dispatch.resending = false;
        dispatch.delivered = true;
    }
    return dispatch.result;
}

} // namespace

HookDispatch* HookDispatch::of(const QEvent* event) {
    for (HookDispatch* d = t_dispatch; d; d = d->previous)
        if (d->event == event)
            return d;
    return nullptr;
}

bool HookProcedure::eventFilter(QObject* watched, QEvent* event) {
    for (const HookDispatch* d = t_dispatch; d; d = d->previous)
        if (d->resending && d->event == event && d->window == watched)
            return false;
    CHookWnd* first = nullptr;
    {
        std::lock_guard lock(g_hookLock);
        const auto it = g_chains.find(watched);
        if (it != g_chains.end())
            first = it->second.first;
    }
    if (!first)
        return false;

    HookDispatch dispatch{watched, event, t_dispatch};
    t_dispatch = &dispatch;
    ++m_depth;
    bool handled = first->WindowProc(event);
    --m_depth;
    t_dispatch = dispatch.previous;
    if (dispatch.delivered) {
        // The window had the event already (Default), and Qt passed it on to the parents where it
        // does so; it must not go round a second time.
        event->accept();
        handled = true;
    }
    if (m_retired && m_depth == 0)
        delete this;
    return handled;
}

void HookProcedure::retire() {
    if (m_depth == 0)
        delete this;
    else
        m_retired = true;
}

CHookWnd::~CHookWnd() {
    Unhook();
}

CHookWnd* CHookWnd::firstHookOf(const QObject* window) {
    std::lock_guard lock(g_hookLock);
    const auto it = g_chains.find(window);
    return it == g_chains.end() ? nullptr : it->second.first;
}

bool CHookWnd::HookWindow(QWidget* window) {
    if (!window)
        return false;
    Unhook();
    std::lock_guard lock(g_hookLock);
    m_pWndHooked = window;
    Chain& chain = g_chains[window];
    m_pNext = chain.first;
    chain.first = this;
    if (!chain.procedure) {
        chain.procedure = new HookProcedure;
        window->installEventFilter(chain.procedure);
        chain.destroyed = QObject::connect(window, &QObject::destroyed, [](QObject* gone) { unhookAll(gone); });
    }
    return true;
}

void CHookWnd::Unhook() {
    std::lock_guard lock(g_hookLock);
    if (!m_pWndHooked)
        return;
    const auto it = g_chains.find(m_pWndHooked);
    if (it != g_chains.end()) {
        Chain& chain = it->second;
        if (chain.first == this && m_pNext) {
            chain.first = m_pNext;
        } else if (chain.first == this) {
            // The last hook: the window handles its events alone again.
            static_cast<QObject*>(m_pWndHooked)->removeEventFilter(chain.procedure);
            QObject::disconnect(chain.destroyed);
            chain.procedure->retire();
            g_chains.erase(it);
        } else {
            for (CHookWnd* hook = chain.first; hook; hook = hook->m_pNext)
                if (hook->m_pNext == this) {
                    hook->m_pNext = m_pNext;
                    break;
                }
        }
    }
    // An event of the window on its way through this hook goes on to the hook that followed it.
    for (HookDispatch* d = t_dispatch; d; d = d->previous) {
        if (d->window != m_pWndHooked)
            continue;
        for (auto& continuation : d->continuations)
            if (continuation.second == this)
                continuation.second = m_pNext;
        d->continuations.emplace_back(this, m_pNext);
    }
    m_pWndHooked = nullptr;
    m_pNext = nullptr;
}

bool CHookWnd::WindowProc(QEvent* event) {
    HookDispatch* dispatch = HookDispatch::of(event);
    CHookWnd* next = m_pNext;
    if (!m_pWndHooked && dispatch)
        for (const auto& [hook, after] : dispatch->continuations)
            if (hook == this)
                next = after;
    if (next)
        return next->WindowProc(event);
    return dispatch ? deliverToWindow(*dispatch) : false;
}

bool CHookWnd::Default() {
    HookDispatch* dispatch = t_dispatch;
    if (!dispatch)
        return false;
    ++dispatch->synchronous;
    const bool result = CHookWnd::WindowProc(dispatch->event);
    --dispatch->synchronous;
    return result;
}
