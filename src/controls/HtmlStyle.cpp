// The drawer's vocabulary (tags, entities, colour names), its style sheet, and the parsing of
// declarations, lengths and colours into the style record.

#include "controls/HtmlDrawer.h"
#include "controls/HtmlDrawerMarkup.h"
#include "controls/HtmlDrawerMath.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

#include <cmath>

using namespace htmldrawer;

namespace {

// The colour keywords of CSS that markup may use: the names spelt with "grey" are left out, except
// light grey, which is spelt only so.
// clang-format off
constexpr const char* kCssColourNames[] = {
    "aqua", "black", "blue", "brown", "cyan", "gold", "gray", "green", "magenta", "maroon", "navy", "olive",
    "orange", "pink", "purple", "red", "silver", "snow", "violet", "white", "yellow", "aliceblue", "antiquewhite",
    "aquamarine", "azure", "beige", "bisque", "blanchedalmond", "blueviolet", "burlywood", "cadetblue", "chartreuse",
    "chocolate", "coral", "cornflowerblue", "cornsilk", "crimson", "darkblue", "darkcyan", "darkgoldenrod",
    "darkgray", "darkgreen", "darkkhaki", "darkmagenta", "darkolivegreen", "darkorange", "darkorchid", "darkred",
    "darksalmon", "darkseagreen", "darkslateblue", "darkslategray", "darkturquoise", "darkviolet", "deeppink",
    "deepskyblue", "dimgray", "dodgerblue", "firebrick", "floralwhite", "forestgreen", "fuchsia", "gainsboro",
    "ghostwhite", "goldenrod", "greenyellow", "honeydew", "hotpink", "indianred", "indigo", "ivory", "khaki",
    "lavender", "lavenderblush", "lawngreen", "lemonchiffon", "lightblue", "lightcoral", "lightcyan",
    "lightgoldenrodyellow", "lightgreen", "lightgrey", "lightpink", "lightsalmon", "lightseagreen", "lightskyblue",
    "lightslategray", "lightsteelblue", "lightyellow", "lime", "limegreen", "linen", "mediumaquamarine",
    "mediumblue", "mediumorchid", "mediumpurple", "mediumseagreen", "mediumslateblue", "mediumspringgreen",
    "mediumturquoise", "mediumvioletred", "midnightblue", "mintcream", "mistyrose", "moccasin", "navajowhite",
    "oldlace", "olivedrab", "orangered", "orchid", "palegoldenrod", "palegreen", "paleturquoise", "palevioletred",
    "papayawhip", "peachpuff", "peru", "plum", "powderblue", "rosybrown", "royalblue", "saddlebrown", "salmon",
    "sandybrown", "seagreen", "seashell", "sienna", "skyblue", "slateblue", "slategray", "springgreen", "steelblue",
    "tan", "teal", "thistle", "tomato", "turquoise", "wheat", "whitesmoke", "yellowgreen"};
// clang-format on

// The system colour names, taken from the application's palette.
struct SystemColourName {
    const char* name;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};
constexpr SystemColourName kSystemColourNames[] = {
    {"activeborder", QPalette::Active, QPalette::Window},
    {"activecaption", QPalette::Active, QPalette::Highlight},
    {"appworkspace", QPalette::Active, QPalette::Dark},
    {"background", QPalette::Active, QPalette::Dark},
    {"buttonface", QPalette::Active, QPalette::Button},
    {"buttonhighlight", QPalette::Active, QPalette::Light},
    {"buttonshadow", QPalette::Active, QPalette::Dark},
    {"buttontext", QPalette::Active, QPalette::ButtonText},
    {"captiontext", QPalette::Active, QPalette::HighlightedText},
    {"graytext", QPalette::Disabled, QPalette::WindowText},
    {"highlight", QPalette::Active, QPalette::Highlight},
    {"highlighttext", QPalette::Active, QPalette::HighlightedText},
    {"inactiveborder", QPalette::Inactive, QPalette::Window},
    {"inactivecaption", QPalette::Inactive, QPalette::Highlight},
    {"inactivecaptiontext", QPalette::Inactive, QPalette::HighlightedText},
    {"infobackground", QPalette::Active, QPalette::ToolTipBase},
    {"infotext", QPalette::Active, QPalette::ToolTipText},
    {"menu", QPalette::Active, QPalette::Window},
    {"menutext", QPalette::Active, QPalette::WindowText},
    {"scrollbar", QPalette::Active, QPalette::Mid},
    {"threeddarkshadow", QPalette::Active, QPalette::Shadow},
    {"threedface", QPalette::Active, QPalette::Button},
    {"threedhighlight", QPalette::Active, QPalette::Light},
    {"threedlightshadow", QPalette::Active, QPalette::Midlight},
    {"threedshadow", QPalette::Active, QPalette::Dark},
    {"window", QPalette::Active, QPalette::Base},
    {"windowframe", QPalette::Active, QPalette::Shadow},
    {"windowtext", QPalette::Active, QPalette::Text},
};

QPalette systemPalette() {
    return QGuiApplication::instance() ? QGuiApplication::palette() : QPalette();
}

bool isWordStart(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || u == u'.';
}

// From pos, the next word: it starts at a digit, letter or "." and runs up to a blank or `stop`.
// Empty, with pos at the end, when no word follows.
QStringView nextWord(QStringView text, qsizetype& pos, char16_t stop) {
    while (pos < text.size() && !isWordStart(text[pos]))
        ++pos;
    const qsizetype start = pos;
    while (pos < text.size() && text[pos] != u' ' && text[pos] != stop)
        ++pos;
    return text.mid(start, pos - start);
}

void skipBlanks(QStringView text, qsizetype& pos) {
    while (pos < text.size() && text[pos] == u' ')
        ++pos;
}

} // namespace

CPPHtmlDrawer::CPPHtmlDrawer() {
    registerVocabulary();
    const QPalette palette = systemPalette();
    m_disabledColour = palette.color(QPalette::Active, QPalette::Dark).rgb();
    ConfigureImageShadow(4, 4, 50, true, 7, 7);
    UseDefaultStyleSheet();
}

CPPHtmlDrawer::~CPPHtmlDrawer() = default;

void CPPHtmlDrawer::registerVocabulary() {
    struct Tag {
        const char* name;
        int number;
        const char* styleName;
    };
    static constexpr Tag kTags[] = {
        {"b", kTagBold, "bold"},
        {"i", kTagItalic, "italic"},
        {"em", kTagItalic, "italic"},
        {"u", kTagUnderline, "underline"},
        {"s", kTagStrikeout, "strikeout"},
        {"strike", kTagStrikeout, "strikeout"},
        {"font", kTagFont, "font"},
        {"hr", kTagRule, ""},
        {"br", kTagBreak, ""},
        {"\n", kTagBreak, ""},
        {"t", kTagTab, ""},
        {"\t", kTagTab, ""},
        {"left", kTagLeft, "left"},
        {"center", kTagCenter, "center"},
        {"right", kTagRight, "right"},
        {"justify", kTagJustify, "justify"},
        {"baseline", kTagBaseline, "baseline"},
        {"top", kTagTop, "top"},
        {"vcenter", kTagMiddle, "vcenter"},
        {"middle", kTagMiddle, "vcenter"},
        {"bottom", kTagBottom, "bottom"},
        {"bmp", kTagBitmap, ""},
        {"icon", kTagIcon, ""},
        {"ilst", kTagImageList, ""},
        {"string", kTagString, ""},
        {"span", kTagSpan, "span"},
        {"a", kTagLink, "link"},
    };
    for (const Tag& tag : kTags)
        RegisterTag(QString::fromLatin1(tag.name), tag.number, QString::fromLatin1(tag.styleName));
    for (const char* name : {"body", "h1", "h2", "h3", "h4", "h5", "h6", "code", "pre", "big", "small", "sub", "sup"})
        RegisterTag(QString::fromLatin1(name), kTagStyleClass, QString::fromLatin1(name));

    struct Entity {
        const char* entity;
        char16_t replacement;
    };
    static constexpr Entity kEntities[] = {
        {"&amp;", u'&'},        {"&bull;", u'\u2022'},   {"&copy;", u'\u00A9'}, {"&euro;", u'\u20AC'},
        {"&gt;", u'>'},         {"&iquest;", u'\u00BF'}, {"&nbsp;", u' '},      {"&para;", u'\u00B6'},
        {"&pound;", u'\u00A3'}, {"&quot;", u'"'},        {"&reg;", u'\u00AE'},  {"&trade;", u'\u2122'},
    };
    for (const Entity& entity : kEntities)
        RegisterEntity(QString::fromLatin1(entity.entity), QString(QChar(entity.replacement)));
    // "<<" is what the tokenizer reads as one literal "<".
    RegisterEntity(QStringLiteral("&lt;"), QStringLiteral("<<"));

    for (const char* name : kCssColourNames)
        DefineColourName(QString::fromLatin1(name), QColor::fromString(QLatin1StringView(name)).rgb());
    DefineColourName(QStringLiteral("darkseagreen"), qRgb(143, 188, 139));
    const QPalette palette = systemPalette();
    for (const SystemColourName& entry : kSystemColourNames)
        DefineColourName(QString::fromLatin1(entry.name), palette.color(entry.group, entry.role).rgb());
}

void CPPHtmlDrawer::RegisterTag(const QString& name, int number, const QString& styleName) {
    m_tags.insert(name, TagInfo{number, styleName});
}

void CPPHtmlDrawer::RegisterEntity(const QString& entity, const QString& replacement) {
    m_entities[entity] = replacement;
}

void CPPHtmlDrawer::DefineColourName(const QString& name, QRgb colour) {
    m_colourNames.insert(name, colour);
}

void CPPHtmlDrawer::ConfigureImageShadow(int offsetX, int offsetY, int darknessPercent, bool blurred, int blurX,
                                         int blurY) {
    m_shadowOffsetX = offsetX;
    m_shadowOffsetY = offsetY;
    m_shadowDarkness = std::min(darknessPercent, 100);
    m_shadowBlurred = blurred;
    m_shadowBlurX = blurX;
    m_shadowBlurY = blurY;
    const int grey = MulDiv(255, 100 - m_shadowDarkness, 100);
    m_shadowColour = qRgb(grey, grey, grey);
}

// ---- style sheet ----

void CPPHtmlDrawer::UseDefaultStyleSheet() {
    static const char* const kRules[] = {
        "body {font-size: 10pt; color:black; font-family:Verdana}",
        "p {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}",
        "h1 {font-size: 14pt; color:black; font-family:Verdana; font-weight:bold}",
        "h2 {font-size: 13pt; color:#ff9900; font-family:Verdana; font-weight:bold}",
        "h3 {font-size: 12pt; color:#ff9900; font-family:Arial; font-weight:bold}",
        "h4 {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}",
        "h5 {font-size: 9pt; color:#ff9900; font-family:Verdana; font-weight:bold}",
        "h6 {font-size: 65%; color:#626262; font-family:Verdana; font-weight:normal}",
        "pre {font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb}",
        "code {color:#990000; font-family:Arial}",
        "a:link {text-decoration:none; color:blue}",
        "a:hover {text-decoration:underline; color:blue}",
        "sub {font-size:65%; vertical-align:bottom}",
        "sup {font-size:65%; vertical-align:top}",
        "big {font-size:125%}",
        "small {font-size:75%}",
        ".cpp-comment {color:green; font-style:italic}",
    };
    QString text;
    for (const char* rule : kRules) {
        text += QString::fromLatin1(rule);
        text += QStringLiteral("\r\n");
    }
    LoadStyleSheet(text);
}

void CPPHtmlDrawer::LoadStyleSheet(const QString& text) {
    m_styleSheet.clear();
    if (text.isNull()) {
        UseDefaultStyleSheet();
        return;
    }
    m_styleSheetText = text;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        const QStringView selector = nextWord(text, pos, u'{');
        if (selector.isEmpty())
            break;
        const qsizetype open = text.indexOf(u'{', pos);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(u'}', open + 1);
        if (close < 0)
            break;
        const QString declarations = text.mid(open + 1, close - open - 1);
        if (!declarations.isEmpty())
            AddStyleRule(selector.toString(), declarations);
        pos = close + 1;
    }
}

void CPPHtmlDrawer::AddStyleRule(const QString& selector, const QString& declarations) {
    // Declarations are read lower-cased; they are kept so, so applying a rule copies nothing.
    m_styleSheet.insert(selector.toLower(), declarations.toLower());
}

// ---- styles ----

void CPPHtmlDrawer::ApplyDefaultStyle(HtmlStyle& style) const {
    const int width = style.width;
    const int height = style.height;
    style = HtmlStyle{};
    style.width = width;
    style.height = height;
}

void CPPHtmlDrawer::ApplyStyleClass(const QString& selector, HtmlStyle& style) {
    // The selectors the layout passes are lower case already; only others are lowered.
    const auto rule = m_styleSheet.constFind(selector.isLower() ? selector : selector.toLower());
    if (rule != m_styleSheet.cend())
        ParseDeclarations(rule.value(), style);
}

void CPPHtmlDrawer::applyFontWeight(QStringView value, HtmlStyle& style) const {
    if (value.isEmpty() || value == u"normal")
        style.fontWeight = 400;
    else if (value == u"bold")
        style.fontWeight = 700;
    else if (value == u"bolder")
        style.fontWeight = 900;
    else if (value == u"lighter")
        style.fontWeight = 100;
    else
        style.fontWeight = leadingInt(value);
}

void CPPHtmlDrawer::applyBackgroundColour(QStringView value, HtmlStyle& style) const {
    if (value.isEmpty() || value == u"transparent") {
        style.backMode = kHtmlBackTransparent;
    } else if (m_coloursEnabled) {
        style.backMode = kHtmlBackOpaque;
        style.backColour = ParseColour(value, style.backColour);
    } else {
        style.backMode = kHtmlBackTransparent;
    }
}

int CPPHtmlDrawer::verticalAlignKeyword(QStringView value, int current) {
    if (value.isEmpty() || value == u"baseline")
        return kHtmlValignBaseline;
    if (value == u"middle" || value == u"vcenter")
        return kHtmlValignMiddle;
    if (value == u"top")
        return kHtmlValignTop;
    if (value == u"bottom")
        return kHtmlValignBottom;
    return current;
}

int CPPHtmlDrawer::borderStyleKeyword(QStringView value, int current) {
    if (value.isEmpty() || value == u"none")
        return kHtmlBorderNone;
    if (value == u"solid")
        return kHtmlBorderSolid;
    if (value == u"dotted")
        return kHtmlBorderDotted;
    if (value == u"dashed")
        return kHtmlBorderDashed;
    if (value == u"double")
        return kHtmlBorderDouble;
    return current;
}

// A border of width 0 has no style; a border given a width but no style is solid.
void CPPHtmlDrawer::setBorderWidth(HtmlStyle& style, int width) {
    width = clampLength(width);
    style.borderWidth = width;
    if (width == 0)
        style.borderStyle = kHtmlBorderNone;
    else if (style.borderStyle == kHtmlBorderNone)
        style.borderStyle = kHtmlBorderSolid;
}

// A border given a style but no width is 1 pixel wide.
void CPPHtmlDrawer::setBorderStyle(HtmlStyle& style, int borderStyle) {
    style.borderStyle = borderStyle;
    if (borderStyle != kHtmlBorderNone && style.borderWidth == 0)
        style.borderWidth = 1;
}

void CPPHtmlDrawer::ParseDeclarations(const QString& declarations, HtmlStyle& style) {
    const QString text = declarations.isLower() ? declarations : declarations.toLower();
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        const QStringView property = nextWord(text, pos, u':');
        if (property.isEmpty())
            break;
        skipBlanks(text, pos);
        QStringView value;
        if (pos < n && text[pos] == u':') {
            ++pos;
            skipBlanks(text, pos);
            if (pos < n && text[pos] == u'"') {
                qsizetype end = text.indexOf(u'"', pos + 1);
                if (end < 0)
                    end = n;
                value = QStringView(text).mid(pos + 1, end - pos - 1);
                pos = std::min(end + 1, n);
            } else {
                qsizetype end = text.indexOf(u';', pos);
                if (end < 0)
                    end = n;
                value = QStringView(text).mid(pos, end - pos);
                pos = end;
            }
        }

        if (property == u"font-size") {
            style.fontHeight = ParseLength(value, style.fontHeight, true);
        } else if (property == u"font-family") {
            if (!value.isEmpty())
                style.fontFace = value.toString();
        } else if (property == u"font-style") {
            if (value.isEmpty() || value == u"normal")
                style.italic = 0;
            else if (value == u"italic" || value == u"oblique")
                style.italic = 1;
        } else if (property == u"font-weight") {
            applyFontWeight(value, style);
        } else if (property == u"text-align") {
            if (value.isEmpty() || value == u"left")
                style.textAlign = kHtmlAlignLeft;
            else if (value == u"center")
                style.textAlign = kHtmlAlignCenter;
            else if (value == u"right")
                style.textAlign = kHtmlAlignRight;
        } else if (property == u"text-transform") {
            if (value.isEmpty() || value == u"none")
                style.textTransform = 0;
            else if (value == u"uppercase")
                style.textTransform = 1;
            else if (value == u"lowercase")
                style.textTransform = 2;
            else if (value == u"capitalize")
                style.textTransform = 3;
        } else if (property == u"color") {
            style.textColour = enabledOrDisabled(ParseColour(value, style.textColour));
        } else if (property == u"background-color") {
            applyBackgroundColour(value, style);
        } else if (property == u"text-decoration") {
            const QStringView words = value.isEmpty() ? QStringView(u"none") : value;
            qsizetype i = 0;
            while (i < words.size()) {
                while (i < words.size() && (words[i] == u' ' || words[i] == u','))
                    ++i;
                const qsizetype wordStart = i;
                while (i < words.size() && words[i] != u' ' && words[i] != u',')
                    ++i;
                const QStringView word = words.mid(wordStart, i - wordStart);
                if (word == u"none") {
                    style.underline = 0;
                    style.strikeout = 0;
                    style.overline = 0;
                } else if (word == u"underline") {
                    style.underline = 1;
                } else if (word == u"line-through") {
                    style.strikeout = 1;
                } else if (word == u"overline") {
                    style.overline = 1;
                }
            }
        } else if (property == u"vertical-align") {
            style.verticalAlign = verticalAlignKeyword(value, style.verticalAlign);
        } else if (property == u"border-color") {
            const QRgb colour = enabledOrDisabled(ParseColour(value, style.borderColourLight));
            style.borderColourLight = colour;
            style.borderColourDark = colour;
        } else if (property == u"border-width" || property == u"size") {
            if (value == u"thin")
                setBorderWidth(style, MulDiv(style.borderWidth, 75, 100));
            else if (value == u"medium")
                setBorderWidth(style, style.borderWidth);
            else if (value == u"thick")
                setBorderWidth(style, MulDiv(style.borderWidth, 125, 100));
            else
                setBorderWidth(style, ParseLength(value, style.borderWidth, false));
        } else if (property == u"border-style") {
            setBorderStyle(style, borderStyleKeyword(value, style.borderStyle));
        } else if (property == u"margin") {
            style.margin = clampLength(ParseLength(value, style.margin, false));
        } else if (property == u"padding") {
            style.padding = clampLength(ParseLength(value, style.padding, false));
        }
    }
}

int CPPHtmlDrawer::ParseLength(QStringView value, int current, bool htmlSizes) const {
    if (value.isEmpty())
        return current;
    if (value.endsWith(u'%'))
        return clampCoord(MulDiv(current, leadingInt(value), 100));
    if (value.front() == u'+' || value.front() == u'-')
        value = value.mid(1);
    const long long number = leadingInt(value);
    const long long dpi = m_measurer ? m_measurer->dpiY() : 96;
    if (value.size() > 1) {
        const QStringView unit = value.right(2);
        if (unit == u"px")
            return clampCoord(number);
        if (unit == u"ex")
            return clampCoord(number * m_fontXHeight);
        if (unit == u"em")
            return clampCoord(number * (m_fontAscent + m_fontDescent));
        if (unit == u"in")
            return clampCoord(number * dpi);
        if (unit == u"cm")
            return clampCoord(static_cast<long long>(static_cast<double>(number * dpi) / 2.54));
        if (unit == u"mm")
            return clampCoord(static_cast<long long>(static_cast<double>(number * dpi) / 25.4));
        if (unit == u"pt")
            return clampCoord(number * dpi / 72);
        if (unit == u"pc")
            return clampCoord(number * dpi / 6);
    }
    const int whole = clampCoord(autoBaseInt(value));
    if (htmlSizes && whole >= 1 && whole <= 7) {
        static constexpr int kHtmlSizes[] = {8, 10, 12, 14, 18, 24, 36};
        return kHtmlSizes[whole - 1];
    }
    return whole;
}

QRgb CPPHtmlDrawer::ParseColour(QStringView value, QRgb current) const {
    if (value.isEmpty())
        return current;
    if (value.front() == u'#') {
        if (value.size() != 7)
            return current;
        // Two hexadecimal digits each, read up to the first character that is none.
        auto hexPair = [&](qsizetype at) {
            const int high = hexDigit(value[at]);
            if (high < 0)
                return 0;
            const int low = hexDigit(value[at + 1]);
            return low < 0 ? high : high * 16 + low;
        };
        return qRgb(hexPair(1), hexPair(3), hexPair(5));
    }
    if (value.front().isDigit() && value.front().unicode() < 128)
        return rgbOf(static_cast<COLORREF>(autoBaseInt(value)) & 0xFFFFFFu);
    return LookupColourName(value, current);
}

QRgb CPPHtmlDrawer::LookupColourName(QStringView name, QRgb fallback) const {
    if (!m_coloursEnabled)
        return m_disabledColour;
    const auto found = m_colourNames.constFind(name.toString());
    return found != m_colourNames.cend() ? found.value() : fallback;
}

void CPPHtmlDrawer::PushStyle() {
    m_styleStack.push_back(m_style);
}

bool CPPHtmlDrawer::PopStyle() {
    bool popped = false;
    if (!m_styleStack.empty() && m_styleStack.back().name == m_style.name) {
        m_style = std::move(m_styleStack.back());
        m_styleStack.pop_back();
        popped = true;
    }
    m_style.name.clear();
    return popped;
}

void CPPHtmlDrawer::SelectStyleFont() {
    HtmlFont font;
    font.face = m_style.fontFace;
    font.height = m_style.fontHeight;
    font.weight = m_style.fontWeight;
    font.italic = m_style.italic != 0;
    font.underline = m_style.underline != 0;
    font.strikeout = m_style.strikeout != 0;
    if (!m_fontSelected || !(font == m_font)) {
        m_font = std::move(font);
        m_fontSelected = true;
        m_measurer->setFont(m_font);
        m_advances = m_cacheAdvances ? &m_advanceCache[m_font] : nullptr;
        m_fontAscent = m_measurer->ascent();
        m_fontDescent = m_measurer->descent();
        m_fontXHeight = m_measurer->xHeight();
    }
    m_textColour = m_style.textColour;
    m_backMode = m_style.backMode;
    m_backColour = m_style.backColour;
}

std::vector<CPPHtmlDrawer::Attribute> CPPHtmlDrawer::readAttributes(QStringView parameters) {
    std::vector<Attribute> attributes;
    const qsizetype n = parameters.size();
    qsizetype pos = 0;
    while (pos < n) {
        const QStringView name = nextWord(parameters, pos, u'=');
        if (name.isEmpty())
            break;
        Attribute attribute;
        attribute.name = name.toString();
        skipBlanks(parameters, pos);
        if (pos < n && parameters[pos] == u'=') {
            while (pos < n && (parameters[pos] == u' ' || parameters[pos] == u'='))
                ++pos;
            if (pos < n && (parameters[pos] == u'"' || parameters[pos] == u'\'')) {
                const QChar quote = parameters[pos];
                qsizetype end = parameters.indexOf(quote, pos + 1);
                if (end < 0)
                    end = n;
                attribute.value = parameters.mid(pos + 1, end - pos - 1).toString();
                pos = end + 1;
            } else {
                qsizetype end = parameters.indexOf(u' ', pos);
                if (end < 0)
                    end = n;
                attribute.value = parameters.mid(pos, end - pos).toString();
                pos = end + 1;
            }
        }
        attributes.push_back(std::move(attribute));
    }
    return attributes;
}
