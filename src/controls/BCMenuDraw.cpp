// Measuring and painting the owner-drawn menu's items: the flat style (an image bar at the left, a
// light selection in a frame, the images' faded, shadow and greyed variants) and the classic one
// (the menu colours with raised and sunken image frames on a new shell).
#include "controls/BCMenu.h"

#include "controls/MemDC.h"
#include "controls/MenuImages.h"
#include "controls/PixelRules.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int iconX = kMenuImageWidth;
constexpr int iconY = kMenuImageHeight;

QFont menuFont() {
    return QApplication::font("QMenu");
}

RECT ltrb(int left, int top, int right, int bottom) {
    return {left, top, right, bottom};
}

// DrawEdge(EDGE_ETCHED, BF_TOP): a shadow line with a highlight line below it.
void etchedTop(QPainter& painter, int left, int y, int right) {
    fillRect(painter, ltrb(left, y, right, y + 1), GetSysColor(COLOR_BTNSHADOW));
    fillRect(painter, ltrb(left, y + 1, right, y + 2), GetSysColor(COLOR_BTNHIGHLIGHT));
}

void drawImage(QPainter& painter, int slot, int x, int y) {
    BCMenu::globalImages().Draw(painter, slot, QPoint(x, y));
}

// The label (before the first tab) and the accelerator (after the last tab) of a text.
struct TextParts {
    QString label;
    QString accelerator;
    bool hasTab = false;
};

TextParts splitText(const QString& text) {
    const qsizetype first = text.indexOf(u'\t');
    if (first < 0)
        return {text, {}, false};
    return {text.left(first), text.mid(text.lastIndexOf(u'\t') + 1), true};
}

void drawTextParts(QPainter& painter, const QRect& rect, const TextParts& parts) {
    const int flags = Qt::TextSingleLine | Qt::AlignVCenter | Qt::TextShowMnemonic;
    painter.drawText(rect, flags | Qt::AlignLeft, parts.label);
    if (parts.hasTab)
        painter.drawText(rect, flags | Qt::AlignRight, parts.accelerator);
}

} // namespace

void BCMenu::DrawSubmenuArrow(QPainter& painter, const QRect& item, COLORREF colour) {
    // A solid triangle pointing right, seven pixels high, its tip kSubmenuArrowRoom / 2 from the
    // item's right edge, as the desktop draws it beside an item that opens a popup.
    painter.save();
    painter.setPen(QPen(toQColor(colour), 1));
    const int tip = item.left() + item.width() - kSubmenuArrowRoom / 2;
    const int middle = item.top() + item.height() / 2;
    for (int i = 0; i < 4; ++i)
        lineTo(painter, QPoint(tip - 3 + i, middle - 3 + i), QPoint(tip - 3 + i, middle + 4 - i));
    painter.restore();
}

QSize BCMenu::MeasureItem(const BCMenuData& data) const {
    const bool flat = IsFlatStyleActive();
    const int gap = flat && image_variants ? 7 : 4;
    if (data.nFlags & MF_SEPARATOR)
        return {0, flat ? 3 : std::max(GetSystemMetrics(SM_CYMENU) / 2, (iconY + gap) / 2)};
    // Text extents count a tab as one character, as the desktop's measuring does not expand it.
    QString text = data.text;
    text.replace(u'\t', u' ');
    const int textWidth = QFontMetrics(menuFont()).horizontalAdvance(text);
    const int width = flat ? iconX + textWidth + gap + 8 : 2 * iconX + textWidth + 1;
    return {width, std::max(GetSystemMetrics(SM_CYMENU), iconY + gap)};
}

void BCMenu::DrawItem(QPainter& painter, const BCMenuDrawItem& item) const {
    // No paint device here is palette-based, so the switches alone choose the style.
    if (IsFlatStyleActive())
        DrawItemFlat(painter, item);
    else
        DrawItemClassic(painter, item);
}

void BCMenu::DrawCheckMark(QPainter& painter, int x, int y, COLORREF colour, bool narrow) {
    painter.save();
    painter.setPen(QPen(toQColor(colour), 1));
    const int b = narrow ? y - 1 : y;
    const int starts[] = {2, 3, 4, 3, 2, 1, 0};
    for (int i = 0; i < 7; ++i)
        lineTo(painter, QPoint(x + i, y + starts[i]), QPoint(x + i, b + starts[i] + 3));
    painter.restore();
}

void BCMenu::DrawRadioDot(QPainter& painter, int x, int y, COLORREF colour) {
    painter.save();
    painter.setPen(QPen(toQColor(colour), 1));
    painter.setBrush(toQColor(colour));
    ellipse(painter, x, y, x + 6, y + 6);
    painter.restore();
}

void BCMenu::DrawFlatCheck(QPainter& painter, const QRect& box, bool radio, COLORREF highlight, bool selected) const {
    const RECT r = RECT::fromQRect(box);
    fillRect(painter, r, BlendTowardWhite(highlight, selected ? 0.55 : 0.85));
    frameRect(painter, r, highlight);
    const int w = r.width() < 6 ? 0 : r.width() / 2 - 3;
    const int h = r.height() < 6 ? 0 : r.height() / 2 - 3;
    if (radio)
        DrawRadioDot(painter, r.left + w, r.top + h, GetSysColor(COLOR_MENUTEXT));
    else
        DrawCheckMark(painter, r.left + w, r.top + h, GetSysColor(COLOR_MENUTEXT));
}

void BCMenu::DrawItemFlat(QPainter& target, const BCMenuDrawItem& item) const {
    const BCMenuData& data = *item.data;
    const bool themed = IsWinXPLuna();
    const RECT rect = RECT::fromQRect(item.rect);
    const COLORREF back = BlendTowardBlack(GetSysColor(COLOR_WINDOW), 0.02);
    COLORREF barColour = GetSysColor(COLOR_BTNFACE);
    if (!themed)
        barColour = BlendTowardWhite(barColour, 0.25);
    const int pad = image_variants ? 7 : 4;
    const int barWidth = iconX + pad;

    // A greyed item is never selected here and is painted off-screen.
    const bool greyed = item.greyed;
    const bool selected = item.selected && !greyed;
    std::optional<BCMenuMemDC> memory;
    if (greyed)
        memory.emplace(target, item.rect);
    QPainter& painter = memory ? memory->dc() : target;
    painter.setFont(menuFont());

    const RECT bar = ltrb(rect.left, rect.top, rect.left + barWidth, rect.bottom);
    if (data.nFlags & MF_SEPARATOR) {
        fillRect(painter, rect, back);
        etchedTop(painter, bar.right + pad, rect.top + (rect.bottom - rect.top) / 2, rect.right);
        fillRect(painter, bar, barColour);
        draw3dRect(painter, bar, barColour, barColour);
        return;
    }

    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF selection = BlendTowardWhite(highlight, themed ? 0.7 : 0.85);
    int slot = data.global_offset;
    const bool variants = image_variants && slot >= 0 && HasImageVariants(slot);
    if (selected) {
        fillRect(painter, rect, selection);
        frameRect(painter, rect, highlight);
    } else {
        fillRect(painter, rect, back);
        fillRect(painter, bar, barColour);
        draw3dRect(painter, rect, back, back);
        draw3dRect(painter, bar, barColour, barColour);
    }
    const int dy = std::max(0, static_cast<int>((rect.bottom - rect.top - iconY) * 0.5 + 0.5));
    const int dx = std::max(0, static_cast<int>((barWidth - iconX) * 0.5 + 0.5));
    const int x = rect.left + dx;
    const int y = rect.top + dy;
    const RECT box = ltrb(rect.left + 1, rect.top + 1, rect.left + barWidth - 2, rect.bottom - 1);

    if (slot >= 0) {
        if (greyed) {
            if (variants) {
                drawImage(painter, slot + 3, x, y);
            } else {
                const QImage bitmap = ImageToBitmap(globalImages(), slot);
                DrawEmbossed(painter, x, y, iconX, iconY, bitmap, selected ? selection : barColour);
                if (selected)
                    frameRect(painter, rect, highlight);
            }
        } else if (selected) {
            if (item.checked) {
                fillRect(painter, box, BlendTowardWhite(highlight, 0.55));
                frameRect(painter, box, highlight);
                drawImage(painter, slot, x - 1, y - 1);
            } else {
                fillRect(painter, box, selection);
                if (variants) {
                    drawImage(painter, slot + 2, x + 1, y + 1);
                    drawImage(painter, slot, x - 1, y - 1);
                } else {
                    drawImage(painter, slot, x, y);
                }
            }
        } else if (item.checked) {
            fillRect(painter, box, BlendTowardWhite(highlight, 0.85));
            frameRect(painter, box, highlight);
            drawImage(painter, slot, x - 1, y - 1);
        } else {
            fillRect(painter, box, barColour);
            frameRect(painter, box, barColour);
            drawImage(painter, variants ? slot + 1 : slot, x, y);
        }
    } else if (item.checked) {
        DrawFlatCheck(painter, box.toQRect(), item.radio, highlight, selected);
    }

    RECT text = ltrb(rect.left + barWidth + 8, rect.top - 1, rect.right, rect.bottom - 1);
    const TextParts parts = splitText(data.text);
    if (parts.hasTab)
        text.right -= iconX;
    COLORREF colour = GetSysColor(COLOR_MENUTEXT);
    if (greyed)
        colour = themed || selected ? GetSysColor(COLOR_GRAYTEXT) : BlendTowardWhite(GetSysColor(COLOR_GRAYTEXT), 0.4);
    painter.setPen(toQColor(colour));
    painter.setBackgroundMode(Qt::TransparentMode);
    drawTextParts(painter, text.toQRect(), parts);
    if (data.popup)
        DrawSubmenuArrow(painter, item.rect, colour);
}

void BCMenu::DrawClassicCheck(QPainter& painter, const QRect& box, bool selected, bool radio) const {
    const COLORREF back = IsWinXPLuna() ? GetSysColor(COLOR_BTNFACE) : GetSysColor(COLOR_MENU);
    const RECT r = RECT::fromQRect(box);
    fillRect(painter, r, selected ? back : BlendTowardWhite(back, 0.6));
    if (IsNewShell())
        draw3dRect(painter, r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    if (radio)
        DrawRadioDot(painter, r.left + 5, r.top + 4, GetSysColor(COLOR_MENUTEXT));
    else
        DrawCheckMark(painter, r.left + 4, r.top + 4, GetSysColor(COLOR_MENUTEXT));
}

void BCMenu::DrawItemClassic(QPainter& painter, const BCMenuDrawItem& item) const {
    const BCMenuData& data = *item.data;
    const RECT rect = RECT::fromQRect(item.rect);
    const COLORREF back = IsWinXPLuna() ? GetSysColor(COLOR_BTNFACE) : GetSysColor(COLOR_MENU);
    const bool selected = item.selected; // greyed items stay selectable here
    painter.setFont(menuFont());

    if (data.nFlags & MF_SEPARATOR) {
        fillRect(painter, rect, back);
        etchedTop(painter, rect.left, rect.top + (rect.bottom - rect.top) / 2, rect.right);
        return;
    }

    COLORREF textColour = GetSysColor(COLOR_MENUTEXT);
    const int slot = data.global_offset;
    if (selected) {
        const RECT fill =
            slot >= 0 || item.checked ? ltrb(rect.left + iconX + 5, rect.top, rect.right, rect.bottom) : rect;
        fillRect(painter, fill, GetSysColor(COLOR_HIGHLIGHT));
        textColour = GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else {
        fillRect(painter, rect, back);
        frameRect(painter, rect, back);
    }

    const int dy = std::max(0, (rect.bottom - iconY - rect.top - 4) / 2);
    if (slot >= 0) {
        const RECT inner = ltrb(rect.left + 1, rect.top + dy + 1, rect.left + iconX + 3, rect.top + dy + iconY + 3);
        const RECT box = ltrb(rect.left, rect.top + dy, rect.left + iconX + 4, rect.top + dy + iconY + 4);
        frameRect(painter, inner, back);
        const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
        const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
        if (item.greyed) {
            const QImage bitmap = ImageToBitmap(globalImages(), slot);
            frameRect(painter, box, back);
            if (hicolor_bitmaps)
                DrawGreyedImage(painter, rect.left + 2, rect.top + dy + 2, iconX, iconY, bitmap, back);
            else
                DrawEmbossed(painter, rect.left + 2, rect.top + dy + 2, iconX, iconY, bitmap, back);
        } else if (selected) {
            fillRect(painter, inner, back);
            if (IsNewShell()) {
                if (item.checked)
                    draw3dRect(painter, box, shadow, light);
                else
                    draw3dRect(painter, box, light, shadow);
            }
        } else if (item.checked) {
            fillRect(painter, inner, BlendTowardWhite(back, 0.6));
            if (IsNewShell())
                draw3dRect(painter, box, shadow, light);
        } else {
            fillRect(painter, inner, back);
            frameRect(painter, inner, back);
        }
        if (!item.greyed)
            drawImage(painter, slot, rect.left + 2, rect.top + dy + 2);
    } else if (item.checked) {
        const QRect box =
            rectFromLTRB(rect.left + 1, rect.top + dy + 2, rect.left + iconX + 1, rect.top + dy + iconY + 2);
        DrawClassicCheck(painter, box, selected, item.radio);
    }

    RECT text = ltrb(rect.left + iconX + 9, rect.top - 1, rect.right, rect.bottom - 1);
    const TextParts parts = splitText(data.text);
    if (parts.hasTab)
        text.right -= iconX;
    painter.setBackgroundMode(Qt::TransparentMode);
    if (!item.greyed) {
        painter.setPen(toQColor(textColour));
    } else if (selected) {
        painter.setPen(toQColor(back));
    } else {
        painter.setPen(toQColor(GetSysColor(COLOR_BTNHIGHLIGHT)));
        drawTextParts(painter, text.toQRect().translated(1, 1), parts);
        painter.setPen(toQColor(GetSysColor(COLOR_GRAYTEXT)));
    }
    drawTextParts(painter, text.toQRect(), parts);
    if (data.popup)
        DrawSubmenuArrow(painter, item.rect, colorRefOf(painter.pen().color().rgb()));
}
