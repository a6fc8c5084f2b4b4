#include "controls/MenuStyle.h"

#include "controls/BCMenu.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionMenuItem>

namespace {

struct HandOver {
    const QStyleOption* option = nullptr;
    const QWidget* menu = nullptr;
    const BCMenu* object = nullptr;
    const BCMenuData* record = nullptr;
};

HandOver g_handOver;

} // namespace

BCMenuStyle* BCMenuStyle::instance() {
    static QPointer<BCMenuStyle> style;
    if (!style) {
        style = new BCMenuStyle;
        style->setParent(qApp); // goes with the application
    }
    return style;
}

void BCMenuStyle::handOver(const QStyleOption* option, const QWidget* menu, const BCMenu* object,
                           const BCMenuData* record) {
    g_handOver = {option, menu, object, record};
}

const BCMenuData* BCMenuStyle::recordFor(const QStyleOption* option, const QWidget* widget, const BCMenu** object) {
    if (!option || option != g_handOver.option || widget != g_handOver.menu || !g_handOver.record ||
        !g_handOver.object || !(g_handOver.record->nFlags & MF_OWNERDRAW))
        return nullptr;
    *object = g_handOver.object;
    return g_handOver.record;
}

QSize BCMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                    const QWidget* widget) const {
    const BCMenu* object = nullptr;
    if (type == CT_MenuItem)
        if (const BCMenuData* record = recordFor(option, widget, &object)) {
            // The menu adds the width of its actions' shortcuts to every item: it is taken off
            // here, as the item's own text holds its accelerator (the widest item, whose text
            // holds the widest accelerator, keeps its width). An item of no width would be left
            // out, so a separator is at least one wide.
            const QSize measured = object->MeasureItem(*record);
            const auto* handle = qobject_cast<const BCMenuHandle*>(widget);
            const int shortcuts = handle ? handle->shortcutColumnWidth() : 0;
            // An item that opens a popup gets room for its arrow, as the desktop gives it.
            const int arrow = record->popup ? BCMenu::kSubmenuArrowRoom : 0;
            return {std::max(1, measured.width() - shortcuts + arrow), measured.height()};
        }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void BCMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const {
    const BCMenu* object = nullptr;
    const BCMenuData* record = element == CE_MenuItem ? recordFor(option, widget, &object) : nullptr;
    if (!record) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const auto* item = static_cast<const QStyleOptionMenuItem*>(option);
    BCMenuDrawItem draw;
    draw.rect = item->rect;
    draw.selected = item->state & State_Selected;
    draw.greyed = !(item->state & State_Enabled);
    draw.checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
    draw.radio = item->checkType == QStyleOptionMenuItem::Exclusive;
    draw.data = record;
    painter->save();
    object->DrawItem(*painter, draw);
    painter->restore();
}

int BCMenuStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returnData) const {
    if (hint == SH_Menu_AllowActiveAndDisabled)
        return BCMenu::selectDisabledItems() ? 1 : 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}
