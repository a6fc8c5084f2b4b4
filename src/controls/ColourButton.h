#pragma once
// A push button that shows a colour: in every state a black frame, inside it a grey
// RGB(130,130,130) border and, 2 pixels further in, the colour. Until SetColor it shows the button
// face colour.

#include "controls/WinGdi.h"

#include <QPushButton>

class CButtonColor : public QPushButton {
public:
    explicit CButtonColor(QWidget* parent = nullptr);

    // Sets the colour and repaints.
    void SetColor(COLORREF colour);
    COLORREF GetColor() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    COLORREF m_color;
};
