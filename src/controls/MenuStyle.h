#pragma once
// The style proxy of the owner-drawn popups: an item whose record the menu handed over
// (BCMenuHandle::initStyleOption) is measured by BCMenu::MeasureItem and painted by
// BCMenu::DrawItem; everything else is the application style's. Whether a disabled item can be
// the active one follows the drawing style (never in the flat one). One instance per process.

#include <QProxyStyle>

class BCMenu;
struct BCMenuData;

class BCMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    static BCMenuStyle* instance();

    // The record of the item `option` describes, handed over by the menu just before it asks the
    // style about that option.
    static void handOver(const QStyleOption* option, const QWidget* menu, const BCMenu* object,
                         const BCMenuData* record);

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;

private:
    BCMenuStyle() = default;
    // The owner-drawn record of `option`, when it was handed over for it.
    static const BCMenuData* recordFor(const QStyleOption* option, const QWidget* widget, const BCMenu** object);
};
