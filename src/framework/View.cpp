#include "framework/View.h"

#include "framework/FrameWnd.h"

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

void View::OnInitialUpdate() {
    OnUpdate(nullptr, 0);
}

void View::OnUpdate(DocumentObserver*, std::int64_t) {
    update();
}
