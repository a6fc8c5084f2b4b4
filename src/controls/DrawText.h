#pragma once
// DrawText with its format flags, converted for QPainter: alignment, single line, word breaks,
// mnemonic prefixes ("&File" shows an underlined F unless DT_NOPREFIX) and the end ellipsis
// ("..." replaces the end of a text too wide for its rectangle).

#include <QRect>
#include <QString>

class QFontMetrics;
class QPainter;

inline constexpr unsigned DT_LEFT = 0x0000;
inline constexpr unsigned DT_CENTER = 0x0001;
inline constexpr unsigned DT_RIGHT = 0x0002;
inline constexpr unsigned DT_VCENTER = 0x0004;
inline constexpr unsigned DT_BOTTOM = 0x0008;
inline constexpr unsigned DT_WORDBREAK = 0x0010;
inline constexpr unsigned DT_SINGLELINE = 0x0020;
inline constexpr unsigned DT_NOPREFIX = 0x0800;
inline constexpr unsigned DT_END_ELLIPSIS = 0x8000;

// Draws `text` in `rect` with the painter's font and pen as DrawText does with `format`.
void drawTextFormatted(QPainter& painter, const QRect& rect, const QString& text, unsigned format);

// The longest start of `text` that, followed by "...", fits into `width` pixels (the whole text
// when it fits as it is; "..." alone, cut at the right, when nothing else fits).
QString elideEnd(const QFontMetrics& metrics, const QString& text, int width);
