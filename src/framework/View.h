#pragma once
// A view: a widget that shows the document and is told when it changes. Views are created by the
// frame (FrameWnd::CreateView), which attaches them to the document; the frame routes commands to
// the active view first, then to the document.

#include "framework/CommandTarget.h"
#include "platform/Document.h"

#include <QWidget>

#include <cstdint>

class FrameWnd;

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

    // Called when the frame shows a new or newly opened document; the base asks for a full
    // update: OnUpdate(nullptr, 0).
    virtual void OnInitialUpdate();
    // The document changed: `hint` says what (0: everything). The base repaints the view.
    void OnUpdate(DocumentObserver* sender, std::int64_t hint) override;

private:
    Document* m_document = nullptr;
};
