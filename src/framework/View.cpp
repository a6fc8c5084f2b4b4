#include "framework/View.h"

#include "framework/FrameWnd.h"
#include "log/Log.h"

#include <exception>
#include <utility>

View::View(QWidget* parent) : QWidget(parent) {
    // Clicking a view gives it the focus, which makes it the frame's active view.
    setFocusPolicy(Qt::StrongFocus);
}

View::~View() {
    attachDocument(nullptr);
}

void View::attachDocument(Document* document) {
    if (document == m_document)
        return;
    if (m_document)
        m_document->RemoveView(*this);
    m_document = document;
    if (m_document)
        m_document->AddView(*this);
}

FrameWnd* View::GetParentFrame() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* frame = dynamic_cast<FrameWnd*>(w))
            return frame;
    return nullptr;
}

const Services& View::services() const {
    if (!m_services)
        const_cast<View*>(this)->m_services.emplace();
    return *m_services;
}

void View::OnInitialUpdate() {
    OnUpdate(nullptr, 0);
}

void View::OnUpdate(DocumentObserver*, std::int64_t hint) {
    if (hint == 0) {
        m_changes.all = true;
        m_changes.hints.clear();
    } else if (!m_changes.all) {
        m_changes.hints.insert(hint);
    }
    if (!m_flushQueued) {
        m_flushQueued = true;
        // Queued to this widget: a view that is gone gets no flush.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_flushQueued = false;
                flush();
            },
            Qt::QueuedConnection);
    }
    if (FrameWnd* frame = GetParentFrame())
        frame->requestCommandUIUpdate();
}

void View::flush() {
    if (m_changes.empty())
        return;
    const ViewChanges changes = std::exchange(m_changes, ViewChanges{});
    // Exceptions never cross the event loop.
    try {
        OnRefresh(changes);
    } catch (const std::exception& e) {
        CVR_LOG(LOG_LEVEL_ERROR, "Refreshing a view failed: %s", e.what());
    } catch (...) {
        CVR_LOG(LOG_LEVEL_ERROR, "Refreshing a view failed");
    }
}

void View::OnRefresh(const ViewChanges&) {
    update();
}
