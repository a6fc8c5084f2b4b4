#pragma once
// A view: a widget that shows the document and is told when it changes. Views are created by the
// frame (FrameWnd::CreateView), which attaches them to the document and hands them its services;
// the frame routes commands to the active view first, then to the document.
//
// The document's notices are gathered, not acted on one by one: OnUpdate marks what changed (hint
// 0: everything, any other hint: the one thing it names, an item's position for the portfolio's
// views) and asks for one flush when control returns to the event loop, however many notices
// arrive before; the flush hands the marks to OnRefresh. A view that must show a change at once
// (it selects a row right after an operation) calls flush().

#include "framework/CommandTarget.h"
#include "framework/Services.h"
#include "platform/Document.h"

#include <QWidget>

#include <cstdint>
#include <optional>
#include <unordered_set>

class FrameWnd;

// What changed since the view was last refreshed.
struct ViewChanges {
    bool all = false;                       // everything (a hint 0)
    std::unordered_set<std::int64_t> hints; // the things named, when not everything

    bool empty() const { return !all && hints.empty(); }
};

class View : public QWidget, public DocumentObserver, public CommandTarget {
public:
    explicit View(QWidget* parent = nullptr);
    // Detaches from the document.
    ~View() override;

    Document* GetDocument() const { return m_document; }
    // Attaches to `document` (null: to none), leaving the previous one.
    void attachDocument(Document* document);

    // The frame the view lies in; null while it lies in none.
    FrameWnd* GetParentFrame() const;

    // The services the owner gave (the unattended bundle until it gives one).
    const Services& services() const;
    void setServices(Services services) { m_services = std::move(services); }

    // Called when the frame shows a new or newly opened document; the base asks for a full
    // update: OnUpdate(nullptr, 0).
    virtual void OnInitialUpdate();
    // The document changed: `hint` says what (0: everything). The base marks it, asks for a flush
    // and has the frame's commands refreshed.
    void OnUpdate(DocumentObserver* sender, std::int64_t hint) override;
    // Refreshes what is marked now (nothing when nothing is).
    void flush();
    // Whether a flush is due.
    bool flushPending() const { return !m_changes.empty(); }

protected:
    // Shows the marked changes; the base repaints the view.
    virtual void OnRefresh(const ViewChanges& changes);

private:
    Document* m_document = nullptr;
    std::optional<Services> m_services;
    ViewChanges m_changes;
    bool m_flushQueued = false;
};
