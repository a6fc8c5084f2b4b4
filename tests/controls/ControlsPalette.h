#pragma once
// A fixed application palette for the tests whose colours come from the system colours.

#include <QApplication>
#include <QPalette>

namespace controlstest {

class FixedPalette {
public:
    FixedPalette() : m_previous(QApplication::palette()) {
        QPalette palette = m_previous;
        palette.setColor(QPalette::Base, QColor(255, 255, 255));
        palette.setColor(QPalette::Text, QColor(0, 0, 0));
        palette.setColor(QPalette::Button, QColor(240, 240, 240));
        palette.setColor(QPalette::Dark, QColor(160, 160, 160));
        palette.setColor(QPalette::Light, QColor(255, 255, 255));
        palette.setColor(QPalette::Window, QColor(230, 230, 230));
        palette.setColor(QPalette::Disabled, QPalette::Text, QColor(109, 109, 109));
        QApplication::setPalette(palette);
    }
    ~FixedPalette() { QApplication::setPalette(m_previous); }
    FixedPalette(const FixedPalette&) = delete;
    FixedPalette& operator=(const FixedPalette&) = delete;

private:
    QPalette m_previous;
};

} // namespace controlstest
