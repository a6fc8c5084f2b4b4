#pragma once
// The style record of the HTML drawer: every element starts from a whole copy of its enclosing
// element's style and changes it by its tag, attributes and style-sheet rules.

#include <QString>
#include <QtGui/qrgb.h>

// textAlign
inline constexpr int kHtmlAlignLeft = 0;
inline constexpr int kHtmlAlignCenter = 1;
inline constexpr int kHtmlAlignRight = 2;
inline constexpr int kHtmlAlignJustify = 3;
// verticalAlign
inline constexpr int kHtmlValignTop = 0;
inline constexpr int kHtmlValignMiddle = 1;
inline constexpr int kHtmlValignBottom = 2;
inline constexpr int kHtmlValignBaseline = 3;
// borderStyle (also the pen kinds of the canvas)
inline constexpr int kHtmlBorderNone = 0;
inline constexpr int kHtmlBorderSolid = 1;
inline constexpr int kHtmlBorderDotted = 2;
inline constexpr int kHtmlBorderDashed = 3;
inline constexpr int kHtmlBorderDouble = 6;
// backMode
inline constexpr int kHtmlBackTransparent = 1;
inline constexpr int kHtmlBackOpaque = 2;
// linkKind
inline constexpr int kHtmlLinkNone = 0;
inline constexpr int kHtmlLinkAddress = 1;
inline constexpr int kHtmlLinkMessage = 2;

struct HtmlStyle {
    QString name; // style name of the element that opened this style
    int fontHeight = 16;
    int fontWeight = 400;
    int italic = 0;
    int underline = 0;
    int strikeout = 0;
    int overline = 0;
    QString fontFace = QStringLiteral("Verdana");
    QRgb textColour = qRgb(0, 0, 0);
    QRgb backColour = qRgb(255, 255, 255);
    QRgb borderColourLight = qRgb(0, 0, 0);
    QRgb borderColourDark = qRgb(0, 0, 0);
    QRgb backMidColour = qRgb(255, 255, 255);
    QRgb backEndColour = qRgb(255, 255, 255);
    int backMode = kHtmlBackTransparent;
    int fillEffect = -1; // -1 none, 0 solid, 1..15 effects
    QString backImage;
    int textAlign = kHtmlAlignLeft;
    int verticalAlign = kHtmlValignBaseline;
    int borderStyle = kHtmlBorderNone;
    int borderWidth = 0;
    int width = 0;         // fixed width of a table cell, 0 none
    int height = 0;        // fixed height of a table cell, 0 none
    int textTransform = 0; // 0 none, 1 upper, 2 lower, 3 capitalise
    int margin = 2;        // a table cell's padding
    int padding = 0;       // a table's cell spacing
    int linkKind = kHtmlLinkNone;
    QString linkTarget;
};
