#pragma once
// Text placed by an anchor point the way a device context's text alignment places it: the point
// is the text's left end, centre or right end, and its top, baseline or bottom. The text runs
// along the painter's x axis, so rotated text is drawn by rotating the painter about the anchor.

#include <QPoint>
#include <QString>

class QPainter;

// Text alignment flags (combine one horizontal with one vertical).
inline constexpr unsigned TA_LEFT = 0;
inline constexpr unsigned TA_RIGHT = 2;
inline constexpr unsigned TA_CENTER = 6;
inline constexpr unsigned TA_TOP = 0;
inline constexpr unsigned TA_BOTTOM = 8;
inline constexpr unsigned TA_BASELINE = 24;

// Draws `text` in the painter's font and pen colour with its anchor at `at`.
void drawAnchoredText(QPainter& painter, QPoint at, unsigned align, const QString& text);
// The same, reading upwards: the text is turned by 90 degrees counter-clockwise about `at`.
void drawAnchoredTextUpwards(QPainter& painter, QPoint at, unsigned align, const QString& text);
