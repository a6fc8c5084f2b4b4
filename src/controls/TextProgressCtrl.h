#pragma once
// A progress bar that draws itself: a bar in the highlight colour on the menu colour and, centred
// over both, the control's text, drawn in the menu colour where the bar lies under it and in the
// highlight colour elsewhere. An empty range shows the plain background. A left click sends m_nClickCommand to the
// frame. Position updates that do not change the bar's pixel width paint nothing. GUI thread only.

#include "controls/WinGdi.h"
#include "framework/CommandTarget.h"

#include <QString>
#include <QWidget>

class CTextProgressCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CTextProgressCtrl(QWidget* parent = nullptr);

    // Sent to the frame on a left click; 0 sends nothing.
    CommandId m_nClickCommand = 0;

    // Stores the position and returns the previous one; repaints at once only when the bar's width
    // in pixels changes.
    int SetPos(int position);
    int GetPos() const { return m_nPos; }
    // Stores the range; no repaint.
    void SetRange(int minimum, int maximum);
    void GetRange(int& minimum, int& maximum) const;
    // Stores the step and returns the previous one (nothing advances by it).
    int SetStep(int step);
    // Shows or hides the text; a change repaints the whole control.
    void SetShowText(bool show);
    bool GetShowText() const { return m_bShowText; }

    // The window text drawn centred; a different text repaints the control.
    void SetWindowText(const QString& text);
    QString GetWindowText() const { return m_strText; }

    // The bar's width for `position` in a client area `width` pixels wide: the share of the range,
    // clamped to 0..1; 0 for an empty range.
    static int barWidth(int position, int minimum, int maximum, int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_nPos = 0;
    int m_nStepSize = 1;
    int m_nMax = 100;
    int m_nMin = 0;
    QString m_strText;
    bool m_bShowText = true;
    int m_nBarWidth = -1; // of the last SetPos that repainted; -1 forces the next repaint
    COLORREF m_colBar;
    COLORREF m_colBk;
    COLORREF m_colTextBk;   // over the background
    COLORREF m_colTextFore; // over the bar
};
