#pragma once
// CPPHtmlDrawer lays out and paints the small HTML-like markup of the program's tool tips: inline
// formatting with cascading, CSS-like styles, line wrapping and justification, tables, pictures,
// texts of the string table and hyperlinks that react to the mouse.
//
// It works in two passes over the same markup. MeasureMarkup runs the layout with no output,
// records every line and table, and gives the size the text needs; RenderMarkup runs it again
// against those records, so each line is aligned and justified in advance, and paints. The owner
// forwards the mouse (TrackCursor, ClickAt) and ticks animated image strips (StepAnimation).
//
// Malformed markup never stops the layout and nothing is reported. Single-threaded: the drawer
// lives on its owner's thread.

#include "controls/HtmlDrawerDevice.h"
#include "controls/HtmlStyle.h"
#include "controls/PPDrawManager.h"

#include <QHash>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringView>

#include <functional>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

// One laid-out line.
struct HtmlLine {
    int width = 0;        // width of the content
    int height = 0;       // line height, descent included once the line is closed
    int descent = 0;      // largest descent of the text on the line
    int percentWidth = 0; // sum of the percentages of percent-wide rules on the line
    int align = 0;        // text alignment of the line
    int blankCount = 0;   // blanks in the line's text, for justification
    int wrapped = 0;      // 1: the line ended because the next content did not fit
};

// One grid position of a table.
struct TableCell {
    int colspan = 0; // -1: covered by another cell's span
    int rowspan = 0; // -1: covered
    int contentWidth = 0;
    int contentHeight = 0;
    int totalWidth = 0;  // with the cell padding and border
    int totalHeight = 0; // with the cell padding and border
    int fixedWidth = 0;  // 1: the cell has a width of its own
};

// Grid and sizes of one table, as the measuring pass found them.
struct TableLayout {
    int rows = 0;
    int columns = 0;
    std::vector<TableCell> cells; // rows by columns
    std::vector<int> columnWidths;
    std::vector<int> rowHeights;
    std::vector<int> fixedColumns; // 1: a cell with a width of its own lies in the column

    TableCell& at(int row, int column) { return cells[static_cast<size_t>(row) * columns + column]; }
    const TableCell& at(int row, int column) const { return cells[static_cast<size_t>(row) * columns + column]; }
};

// A painted piece of a link; edges belong to it on all four sides.
struct HotArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int linkKind = 0;   // kHtmlLinkAddress or kHtmlLinkMessage
    int linkNumber = 0; // links count from 0 in document order
    QString target;
};

// An animated image strip.
struct AnimationState {
    int frame = 0;
    int frameCount = 0;
    int tick = 0;
    int speed = 0; // ticks per frame
};

// The attributes of one picture element ("bmp", "icon", "ilst").
struct ImageParams {
    int index = 0;
    int idres = 0;
    int iddll = 0;
    int handle = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    int width = 100;
    int height = 100;
    int speed = 0;
    int effects = 0;
    int hotEffects = 0;
    int maskGiven = 0;
    int widthIsPercent = 1;
    int heightIsPercent = 1;
    QRgb maskColour = qRgb(255, 0, 255);
    QString file;
    QString srcdll;
};

class CPPHtmlDrawer {
public:
    CPPHtmlDrawer();
    virtual ~CPPHtmlDrawer();

    CPPHtmlDrawer(const CPPHtmlDrawer&) = delete;
    CPPHtmlDrawer& operator=(const CPPHtmlDrawer&) = delete;

    // Services the owner provides; not owned, may be null (then pictures, links or strings do
    // nothing).
    void SetPictureSource(HtmlPictureSource* source) { m_pictures = source; }
    void SetLinkOpener(HtmlLinkOpener* opener) { m_linkOpener = opener; }
    void SetStringTable(const HtmlStringTable* strings) { m_strings = strings; }
    // Called with the number of the link now under the cursor, or -2 for none, whenever it
    // changes; the owner repaints so the hovered link shows its hover style.
    void SetHoverNotify(std::function<void(int)> notify) { m_hoverNotify = std::move(notify); }

    // Lines wrap only when the maximum width is not 0; it also limits the measured width.
    void SetMaxWidth(int width) { m_maxWidth = width; }
    int MaxWidth() const { return m_maxWidth; }

    // Vocabulary and style sheet.
    void RegisterTag(const QString& name, int number, const QString& styleName);
    void RegisterEntity(const QString& entity, const QString& replacement);
    void DefineColourName(const QString& name, QRgb colour);
    // Replaces the style sheet; a null text loads the default one.
    void LoadStyleSheet(const QString& text);
    void UseDefaultStyleSheet();
    // Adds a rule, or replaces the declarations of the rule with that selector whole.
    void AddStyleRule(const QString& selector, const QString& declarations);
    void EnableColours(bool on) { m_coloursEnabled = on; }
    void SetDisabledColour(QRgb colour) { m_disabledColour = colour; }
    // On (the default): line feeds become "<br>" and tabs "<t>"; off: both are removed.
    void TranslateControlChars(bool on) { m_translateControlChars = on; }
    void ConfigureImageShadow(int offsetX, int offsetY, int darknessPercent, bool blurred, int blurX, int blurY);
    // Part `line` (0-based, split at line feeds) of the string `id` of the string table.
    QString LoadResourceLine(unsigned id, int line) const;
    // The drawer's draw manager: the canvas on QPainter paints pictures, fills and frames with it,
    // the tool tip its shadow and blending.
    CPPDrawManager& Painter() { return m_drawManager; }

    // Lays the markup out with no output and returns the size it needs (width limited by the
    // maximum width, each side plus 1); 0 by 0 for an empty markup.
    QSize MeasureMarkup(HtmlTextMeasurer& measurer, const QString& markup);
    // Paints the markup last measured into the rectangle; lines are aligned within its width.
    void RenderMarkup(HtmlCanvas& canvas, const QRect& rect);

    // The point in the painted rectangle's coordinates: tells the hover callback when the link
    // under it changed; true when it lies on a link with a target (the owner shows the link
    // cursor).
    bool TrackCursor(QPoint point);
    // Opens the link under the point.
    void ClickAt(QPoint point);
    // Advances the animated strips; true when a frame changed (the owner repaints).
    bool StepAnimation();

    int HoveredLink() const { return m_hoveredLink; }
    const std::vector<HotArea>& HotAreas() const { return m_hotAreas; }
    const std::vector<AnimationState>& Animations() const { return m_animations; }

private:
    struct Rect {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        int width() const { return right - left; }
        int height() const { return bottom - top; }
    };
    struct TagInfo {
        int number = 0;
        QString styleName;
    };
    struct Attribute {
        QString name;
        QString value;
    };
    struct TableGeometry; // painting pass: the stretched widths and the cell origins

    bool measuring() const { return m_canvas == nullptr; }

    // Styles (HtmlStyle.cpp).
    void registerVocabulary();
    void ApplyDefaultStyle(HtmlStyle& style) const;
    void ApplyStyleClass(const QString& selector, HtmlStyle& style);
    void ParseDeclarations(const QString& declarations, HtmlStyle& style);
    void PushStyle();
    bool PopStyle();
    void SelectStyleFont();
    int ParseLength(QStringView value, int current, bool htmlSizes) const;
    QRgb ParseColour(QStringView value, QRgb current) const;
    QRgb LookupColourName(QStringView name, QRgb fallback) const;
    QRgb enabledOrDisabled(QRgb colour) const { return m_coloursEnabled ? colour : m_disabledColour; }
    void applyFontWeight(QStringView value, HtmlStyle& style) const;
    void applyBackgroundColour(QStringView value, HtmlStyle& style) const;
    static int verticalAlignKeyword(QStringView value, int current);
    static int borderStyleKeyword(QStringView value, int current);
    static void setBorderWidth(HtmlStyle& style, int width);
    static void setBorderStyle(HtmlStyle& style, int borderStyle);
    static std::vector<Attribute> readAttributes(QStringView parameters);

    // Markup, lines and text (HtmlDrawer.cpp).
    QString preprocess(const QString& markup) const;
    void RenderBlock(QSize& size, Rect rect);
    QSize layoutFlow(const QString& markup, qsizetype pos, Rect rect, QStringView stop);
    QSize RenderInline(const QString& markup, Rect rect);
    void layoutTextRun(QString run);
    int widthWithin(const QString& run, int available);
    QString FitWords(QString& run, int& available, bool lineEmpty);
    void handleTag(const QString& tag);
    void applyStyleLetters(QStringView letters, HtmlStyle& style) const;
    void horizontalRule(const std::vector<Attribute>& attributes);
    int BeginLine(int x);
    void BreakLine(int count);
    void AdvanceTab(int count);
    int PlaceText(int lineTop, int textHeight);
    int PlaceObject(int lineTop, int objectHeight);
    int breakCount(QStringView parameters) const;
    int advanceOf(const QString& text);
    int measureText(const QString& text);
    void drawText(const QString& text, int x, int y, int width);
    void setJustification(int extra, int blanks);

    // Tables (HtmlDrawerTable.cpp).
    void RenderTable(QSize& size, const QString& markup, Rect rect);
    void RenderTableRow(const QString& markup, TableLayout& layout, const TableGeometry* geometry, int row);
    void RenderTableCell(const QString& markup, Rect rect, TableCell& cell, int maxColspan, int maxRowspan);
    void CountTableGrid(const QString& markup, int& columns, int& rows);
    std::pair<int, int> ParseBoxAttributes(QStringView parameters, HtmlStyle& style, bool tableLevel);
    void DrawBackgroundImage(const Rect& rect, const QString& background);

    // Pictures, strings, links and the mouse (HtmlDrawerPicture.cpp).
    ImageParams ParseImageAttributes(const std::vector<Attribute>& attributes);
    int ParseImageEffects(QStringView letters) const;
    void openLink(const std::vector<Attribute>& attributes);
    void pictureElement(int tagNumber, const std::vector<Attribute>& attributes);
    void stringElement(const std::vector<Attribute>& attributes);
    void placePicture(const HtmlPicture* picture, HtmlPictureDraw draw, const ImageParams& params, bool occupiedHeight);
    void AddHotArea(int left, int top, int right, int bottom);
    int HitTestHotArea(QPoint point) const;
    void FollowLink(int index);
    void SendHoverNotify(int linkNumber);

    CPPDrawManager m_drawManager;

    // Services.
    HtmlPictureSource* m_pictures = nullptr;
    HtmlLinkOpener* m_linkOpener = nullptr;
    const HtmlStringTable* m_strings = nullptr;
    std::function<void(int)> m_hoverNotify;

    // Settings.
    bool m_coloursEnabled = true;
    QRgb m_disabledColour = 0;
    bool m_translateControlChars = true;
    int m_tabWidth = 32;
    int m_maxWidth = 0;
    bool m_shadowBlurred = true;
    int m_shadowOffsetX = 4;
    int m_shadowOffsetY = 4;
    int m_shadowBlurX = 7;
    int m_shadowBlurY = 7;
    int m_shadowDarkness = 50;
    QRgb m_shadowColour = 0;

    // Vocabulary.
    QHash<QString, TagInfo> m_tags;
    std::map<QString, QString> m_entities; // replaced in ascending order of the entity texts
    QHash<QString, QRgb> m_colourNames;
    QHash<QString, QString> m_styleSheet; // lower-case selector -> declarations
    QString m_styleSheetText;

    // The text and what the measuring pass recorded of it.
    QString m_markup;
    std::vector<HtmlLine> m_lines;
    std::vector<TableLayout> m_tableLayouts;
    std::vector<HotArea> m_hotAreas;
    std::vector<AnimationState> m_animations;
    int m_hoveredLink = -2;

    // Advances measured for the current text, by font. The painting pass takes them when its
    // canvas measures like the measuring pass's device (HtmlTextMeasurer::metricsFamily).
    struct FontHash {
        size_t operator()(const HtmlFont& font) const { return qHash(font); }
    };
    std::unordered_map<HtmlFont, QHash<QString, int>, FontHash> m_advanceCache;
    QHash<QString, int>* m_advances = nullptr; // of the font selected; null: measured every time
    bool m_cacheAdvances = false;
    int m_measuredFamily = 0;
    qsizetype m_cachedAdvanceCount = 0;

    // Pass state.
    HtmlTextMeasurer* m_measurer = nullptr;
    HtmlCanvas* m_canvas = nullptr; // null in the measuring pass
    HtmlStyle m_style;
    std::vector<HtmlStyle> m_styleStack;
    HtmlFont m_font;
    bool m_fontSelected = false;
    int m_fontAscent = 0;
    int m_fontDescent = 0;
    int m_fontXHeight = 0;
    QRgb m_textColour = 0; // text colour and background of the font last selected
    int m_backMode = kHtmlBackTransparent;
    QRgb m_backColour = 0;
    int m_tableIndex = -1;
    int m_tableDepth = 0;
    long long m_gridCellsLeft = 0;
    int m_linkCounter = -1;
    int m_animationCounter = -1;
    int m_lineIndex = 0;
    HtmlLine m_line;
    Rect m_rect; // output rectangle of the current inline layout
    int m_x = 0;
    int m_y = 0;
    int m_lineStartX = 0;
    QSize m_inlineSize;
    // Justification of the current line in the painting pass: the extra pixels spread over the
    // blanks of the text measured or drawn next, and what of the line is still to come.
    int m_justifyExtra = 0;
    int m_justifyBlanks = 0;
    int m_lineContentLeft = 0;
    int m_lineBlanksLeft = 0;
};
