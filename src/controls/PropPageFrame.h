#pragma once
// The frame around the active page of the tree property sheet: a caption bar with the page's title
// and icon on top and, when no page shows, a centred message in its body. CPropPageFrame is the
// drawing contract, independent of a window; CPropPageFrameEx is the window that shows it, painted
// off-screen (CMemDC2). CThemeLibEx is the frame's access to a visual-style library, which this
// desktop does not have: it never holds one, so the plain rules apply.

#include "controls/ImageList.h"
#include "controls/WinGdi.h"

#include <QIcon>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

class QPainter;

namespace TreePropSheet {

class CPropPageFrame {
public:
    CPropPageFrame() = default;
    virtual ~CPropPageFrame() = default;
    CPropPageFrame(const CPropPageFrame&) = delete;
    CPropPageFrame& operator=(const CPropPageFrame&) = delete;

    // Creates the window that shows the frame, as a child of `parent` at `rect`.
    virtual bool CreateFrameWnd(const QRect& rect, QWidget* parent, unsigned id) = 0;
    virtual QWidget* GetFrameWnd() = 0;

    virtual void SetCaptionVisible(bool visible);
    virtual void SetCaptionBarHeight(int height);
    // Text and icon (not owned) of the caption.
    virtual void SetCaptionContent(const QString& text, const QIcon& icon);
    virtual void SetMessageText(const QString& text);
    // DrawText flags of the message (DrawText.h).
    virtual void SetMessageFormat(unsigned format);

    // The caption (when visible), then the message.
    virtual void PaintFrame(QPainter& dc);
    // The client rectangle below the caption (the whole of it without one).
    virtual QRect GetMessageArea();
    // The message in the stock GUI font, transparent.
    virtual void PaintMessage(QPainter& dc, const QRect& rect, const QString& text, unsigned format);
    // The client rectangle's top band of the caption's height; empty when the caption is hidden.
    virtual QRect GetCaptionArea();
    // Nothing in the contract.
    virtual void PaintCaption(QPainter& dc, const QRect& rect, const QString& text, const QIcon& icon);

    bool GetCaptionVisible() const { return m_bCaptionVisible; }
    int GetCaptionBarHeight() const { return m_nCaptionBarHeight; }
    const QString& GetMessageText() const { return m_strMessage; }
    unsigned GetMessageFormat() const { return m_nMessageFormat; }

protected:
    // Invalidates `area` of the frame window when there is one.
    void InvalidateIfWindow(const QRect& area);
    QRect clientRect();

    bool m_bCaptionVisible = false;
    int m_nCaptionBarHeight = 0;
    QString m_strCaption;
    QIcon m_hCaptionIcon;
    QString m_strMessage;
    unsigned m_nMessageFormat = 0x825; // DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX
};

// The visual-style library: never loaded here, every theme operation answers "none".
class CThemeLibEx {
public:
    static CThemeLibEx& instance();
    bool HasLibrary() const { return false; }
    bool IsThemeActive() const { return false; }
};

// Fills `rect` with a horizontal gradient from `left` (at the left edge) to `right`.
using FillGradientFn = std::function<void(QPainter& dc, const QRect& rect, COLORREF left, COLORREF right)>;
// Our own loop over the columns: column x gets left + (right - left) x (x - left edge) / width in
// 16-bit channel values.
void FillGradientHorizontal(QPainter& dc, const QRect& rect, COLORREF left, COLORREF right);

class CPropPageFrameEx : public QWidget, public CPropPageFrame {
    Q_OBJECT
public:
    explicit CPropPageFrameEx(QWidget* parent = nullptr);

    bool CreateFrameWnd(const QRect& rect, QWidget* parent, unsigned id) override;
    QWidget* GetFrameWnd() override { return this; }
    void SetCaptionContent(const QString& text, const QIcon& icon) override;
    QRect GetMessageArea() override;
    QRect GetCaptionArea() override;
    // The gradient from the inactive caption colour to the background at the caption's right end,
    // the icon at x 3, the text after it (2 from the left without one) in the bold system font,
    // cut with "..." when too long.
    void PaintCaption(QPainter& dc, const QRect& rect, const QString& text, const QIcon& icon) override;
    // The client area in the button face colour.
    virtual void PaintBackground(QPainter& dc);

    // The caption icon's list: one image when a caption icon is set.
    const CImageList& captionIcons() const { return m_CaptionIcons; }

protected:
    void paintEvent(QPaintEvent* event) override;

    CImageList m_CaptionIcons;
    FillGradientFn m_pfnFillGradient = FillGradientHorizontal;
};

} // namespace TreePropSheet
