// The drawer's two passes: pre-processing, the tokenizer, inline tags, text runs with wrapping and
// justification, lines, tabs and rules. Tables are cut out here and laid out in
// HtmlDrawerTable.cpp; pictures, strings and links are in HtmlDrawerPicture.cpp.

#include "controls/HtmlDrawer.h"
#include "controls/HtmlDrawerMarkup.h"
#include "controls/HtmlDrawerMath.h"

#include <algorithm>

using namespace htmldrawer;

namespace {

// Line breaks and tabs counted by one tag; more is markup gone wrong.
constexpr int kMaxBreakCount = 1000;
// Advances kept for one text at most.
constexpr qsizetype kMaxCachedAdvances = 1 << 20;

int countBlanks(QStringView text) {
    return static_cast<int>(text.count(u' '));
}

// Capitalise: lower case, then each letter a to z at the start or after a blank in upper case.
QString capitalise(const QString& run) {
    QString result = run.toLower();
    for (qsizetype i = 0; i < result.size(); ++i) {
        const char16_t c = result[i].unicode();
        if (c >= u'a' && c <= u'z' && (i == 0 || result[i - 1] == u' '))
            result[i] = QChar(c - u'a' + u'A');
    }
    return result;
}

} // namespace

// ---- passes ----

QString CPPHtmlDrawer::preprocess(const QString& markup) const {
    QString text = markup;
    for (const auto& [entity, replacement] : m_entities)
        text.replace(entity, replacement);
    text.remove(u'\r');
    if (m_translateControlChars) {
        text.replace(u'\n', QStringLiteral("<br>"));
        text.replace(u'\t', QStringLiteral("<t>"));
    } else {
        text.remove(u'\n');
        text.remove(u'\t');
    }
    return text;
}

QSize CPPHtmlDrawer::MeasureMarkup(HtmlTextMeasurer& measurer, const QString& markup) {
    m_measurer = &measurer;
    m_canvas = nullptr;
    m_fontSelected = false;
    setJustification(0, 0);
    // Tables deeper than the layout goes are laid out as nothing: their content is not kept, so
    // markup nested without end costs no more than markup nested to the limit.
    m_markup = cutTablesPastDepth(preprocess(markup), kMaxTableDepth);
    m_advanceCache.clear();
    m_cachedAdvanceCount = 0;
    m_advances = nullptr;
    m_cacheAdvances = true;
    m_measuredFamily = measurer.metricsFamily();
    QSize size(0, 0);
    if (m_markup.isEmpty()) {
        m_measurer = nullptr;
        return size;
    }
    m_tableLayouts.clear();
    m_gridCellsLeft = kMaxGridCellsPerText;
    RenderBlock(size, Rect{0, 0, m_maxWidth, 0});
    m_measurer = nullptr;
    if (size.width() == 0 && size.height() == 0)
        m_markup.clear();
    size.setHeight(size.height() + 1);
    if (m_maxWidth != 0 && m_maxWidth < size.width())
        size.setWidth(m_maxWidth);
    size.setWidth(size.width() + 1);
    return size;
}

void CPPHtmlDrawer::RenderMarkup(HtmlCanvas& canvas, const QRect& rect) {
    if (m_markup.isEmpty())
        return;
    m_measurer = &canvas;
    m_canvas = &canvas;
    m_fontSelected = false;
    m_advances = nullptr;
    m_cacheAdvances = m_measuredFamily != 0 && canvas.metricsFamily() == m_measuredFamily;
    QSize size(0, 0);
    RenderBlock(size, Rect{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()});
    m_canvas = nullptr;
    m_measurer = nullptr;
}

void CPPHtmlDrawer::RenderBlock(QSize& size, Rect rect) {
    if (measuring()) {
        m_lines.clear();
        m_animations.clear();
    }
    // Every painting pass records the hot areas afresh; those of the last pass are the ones the
    // mouse meets.
    m_hotAreas.clear();
    m_lineIndex = 0;
    m_tableIndex = -1;
    m_tableDepth = 0;
    m_linkCounter = -1;
    m_animationCounter = -1;
    m_styleStack.clear();

    ApplyDefaultStyle(m_style);
    SelectStyleFont(); // the metrics that lengths of the "body" rule refer to
    ApplyStyleClass(QStringLiteral("body"), m_style);
    SelectStyleFont();

    size = layoutFlow(m_markup, 0, rect, QStringView());
    m_styleStack.clear();
}

// Lays out the markup from pos: inline runs and the tables cut out between them, one below the
// other, up to the end or up to `stop` (a tag start) where it comes before the next table. The
// size is the widest part by the parts' heights together.
QSize CPPHtmlDrawer::layoutFlow(const QString& markup, qsizetype pos, Rect rect, QStringView stop) {
    QSize size(0, 0);
    auto addPart = [&](QSize part) {
        size.setWidth(std::max(size.width(), part.width()));
        size.setHeight(clampCoord(static_cast<long long>(size.height()) + part.height()));
        rect.top = clampCoord(static_cast<long long>(rect.top) + part.height());
    };
    const qsizetype end = markup.size();
    while (pos < end) {
        qsizetype tablePos = pos;
        const bool table = FindTag(markup, tablePos, u"<table");
        qsizetype stopPos = end;
        if (!stop.isEmpty()) {
            stopPos = pos;
            FindTag(markup, stopPos, stop);
        }
        const qsizetype partEnd = std::min(tablePos, stopPos);
        if (partEnd > pos)
            addPart(RenderInline(markup.mid(pos, partEnd - pos), rect));
        if (!table || tablePos > stopPos)
            break;
        // The table runs to the "</table" that closes it, where the next inline run starts (as a
        // tag without effect).
        qsizetype tableEnd = tablePos + 6;
        FindTableEnd(markup, tableEnd);
        QSize tableSize;
        RenderTable(tableSize, markup.mid(tablePos, tableEnd - tablePos), rect);
        addPart(tableSize);
        pos = tableEnd;
    }
    return size;
}

// ---- inline layout ----

QSize CPPHtmlDrawer::RenderInline(const QString& markup, Rect rect) {
    const QString text = QStringLiteral("<body>") + markup + QStringLiteral("</body>");
    m_rect = rect;
    m_x = rect.left;
    m_y = rect.top;
    m_inlineSize = QSize(0, 0);
    const int firstLine = m_lineIndex;
    m_x = BeginLine(rect.left);

    const qsizetype length = text.size();
    qsizetype pos = 0;
    QString run;
    QString tag;
    while (pos < length) {
        nextToken(text, pos, run, tag);
        if (!run.isEmpty())
            layoutTextRun(run);
        if (!tag.isEmpty())
            handleTag(tag);
    }
    if (m_x != m_lineStartX) {
        m_line.wrapped = 0;
        BreakLine(1);
    }
    setJustification(0, 0);

    QSize size = m_inlineSize;
    size.setHeight(m_y - rect.top);
    if (measuring()) {
        for (int i = firstLine; i < m_lineIndex && i < static_cast<int>(m_lines.size()); ++i) {
            const HtmlLine& line = m_lines[static_cast<size_t>(i)];
            if (line.percentWidth != 0)
                size.setWidth(std::max(
                    size.width(), clampCoord(static_cast<long long>(line.width) +
                                             clampLength(clampCoord(MulDiv(size.width(), line.percentWidth, 100))))));
        }
    }
    return size;
}

int CPPHtmlDrawer::BeginLine(int x) {
    m_lineStartX = x;
    const int lineWidth = m_rect.width();
    if (measuring()) {
        m_line = HtmlLine{};
        m_line.align = m_style.textAlign;
        if (static_cast<size_t>(m_lineIndex) < m_lines.size())
            m_lines[static_cast<size_t>(m_lineIndex)] = m_line;
        else
            m_lines.push_back(m_line);
        return x;
    }
    // A line the measuring pass did not record (the painting rectangle wraps differently) is a
    // default one.
    m_line = static_cast<size_t>(m_lineIndex) < m_lines.size() ? m_lines[static_cast<size_t>(m_lineIndex)] : HtmlLine{};
    if (m_line.percentWidth != 0)
        m_line.width = clampCoord(static_cast<long long>(m_line.width) +
                                  clampLength(clampCoord(MulDiv(lineWidth, m_line.percentWidth, 100))));
    m_lineContentLeft = m_line.width;
    m_lineBlanksLeft = m_line.blankCount;
    if (m_line.align == kHtmlAlignJustify && m_line.wrapped)
        setJustification(lineWidth - m_line.width, m_line.blankCount);
    else
        setJustification(0, 0);
    if (m_line.align == kHtmlAlignCenter)
        x = m_rect.left + (lineWidth - m_line.width) / 2;
    else if (m_line.align == kHtmlAlignRight)
        x = m_rect.left + lineWidth - m_line.width;
    m_lineStartX = x;
    return x;
}

void CPPHtmlDrawer::BreakLine(int count) {
    if (measuring()) {
        if (m_line.height == 0)
            m_line.height = m_fontAscent + m_fontDescent;
        m_inlineSize.setWidth(std::max(m_inlineSize.width(), m_x - m_rect.left));
        m_line.width = m_x - m_rect.left;
        m_line.height += m_line.descent;
        m_lines[static_cast<size_t>(m_lineIndex)] = m_line;
    }
    ++m_lineIndex;
    m_y = clampCoord(static_cast<long long>(m_y) + static_cast<long long>(std::max(count, 1)) * m_line.height);
    m_x = BeginLine(m_rect.left);
}

void CPPHtmlDrawer::AdvanceTab(int count) {
    if (count == 0)
        count = 1;
    const int offset = ((m_x - m_rect.left) % m_tabWidth + m_tabWidth) % m_tabWidth;
    long long x = m_x;
    if (offset != 0) {
        x += m_tabWidth - offset;
        x += static_cast<long long>(count - 1) * m_tabWidth;
    } else {
        x += static_cast<long long>(count) * m_tabWidth;
    }
    const int advanced = clampCoord(x);
    if (!measuring())
        m_lineContentLeft -= advanced - m_x;
    m_x = advanced;
}

int CPPHtmlDrawer::PlaceText(int lineTop, int textHeight) {
    if (measuring()) {
        m_line.descent = std::max(m_line.descent, textHeight - m_fontAscent);
        m_line.height = std::max(m_line.height, m_fontAscent);
        return lineTop;
    }
    switch (m_style.verticalAlign) {
    case kHtmlValignMiddle:
        return lineTop + (m_line.height - (m_fontAscent + m_fontDescent)) / 2;
    case kHtmlValignBottom:
        return lineTop + m_line.height - m_fontAscent;
    case kHtmlValignBaseline:
        return lineTop + m_line.height - m_fontAscent - m_line.descent;
    default:
        return lineTop;
    }
}

int CPPHtmlDrawer::PlaceObject(int lineTop, int objectHeight) {
    if (measuring()) {
        m_line.height = std::max(m_line.height, objectHeight);
        return lineTop;
    }
    switch (m_style.verticalAlign) {
    case kHtmlValignMiddle:
        return lineTop + (m_line.height - objectHeight) / 2;
    case kHtmlValignBottom:
        return lineTop + m_line.height - objectHeight;
    case kHtmlValignBaseline:
        return lineTop + m_line.height - m_line.descent - objectHeight;
    default:
        return lineTop;
    }
}

// ---- text ----

void CPPHtmlDrawer::setJustification(int extra, int blanks) {
    if (extra <= 0 || blanks <= 0) {
        m_justifyExtra = 0;
        m_justifyBlanks = 0;
    } else {
        m_justifyExtra = extra;
        m_justifyBlanks = blanks;
    }
}

int CPPHtmlDrawer::advanceOf(const QString& text) {
    if (!m_advances)
        return m_measurer->advance(text);
    const auto found = m_advances->constFind(text);
    if (found != m_advances->cend())
        return found.value();
    const int width = m_measurer->advance(text);
    if (m_cachedAdvanceCount < kMaxCachedAdvances) {
        m_advances->insert(text, width);
        ++m_cachedAdvanceCount;
    }
    return width;
}

// The advance of the text, the justification's extra pixels over its blanks included: each of
// the blanks gets extra / blanks pixels, the first extra % blanks one more.
int CPPHtmlDrawer::measureText(const QString& text) {
    long long width = advanceOf(text);
    if (m_justifyBlanks > 0) {
        const int blanks = std::min(countBlanks(text), m_justifyBlanks);
        width += static_cast<long long>(blanks) * (m_justifyExtra / m_justifyBlanks) +
                 std::min(blanks, m_justifyExtra % m_justifyBlanks);
    }
    return clampCoord(width);
}

void CPPHtmlDrawer::drawText(const QString& text, int x, int y, int width) {
    if (m_backMode == kHtmlBackOpaque)
        m_canvas->fill(QRect(x, y, width, m_fontAscent + m_fontDescent),
                       HtmlFill{0, m_backColour, m_backColour, m_backColour, 5, 0});
    if (m_justifyBlanks == 0) {
        m_canvas->text(x, y, text, m_textColour);
        return;
    }
    // Justified: word by word, each blank followed by its share of the extra pixels.
    const int share = m_justifyExtra / m_justifyBlanks;
    int more = m_justifyExtra % m_justifyBlanks;
    int blanksLeft = m_justifyBlanks;
    long long at = x;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u' ', start);
        end = end < 0 ? text.size() : end + 1;
        const QString piece = text.mid(start, end - start);
        m_canvas->text(clampCoord(at), y, piece, m_textColour);
        at += advanceOf(piece);
        if (piece.endsWith(u' ') && blanksLeft > 0) {
            at += share + (more > 0 ? 1 : 0);
            --blanksLeft;
            if (more > 0)
                --more;
        }
        start = end;
    }
}

void CPPHtmlDrawer::layoutTextRun(QString run) {
    switch (m_style.textTransform) {
    case 1:
        run = run.toUpper();
        break;
    case 2:
        run = run.toLower();
        break;
    case 3:
        run = capitalise(run);
        break;
    default:
        break;
    }
    const int lineWidth = m_rect.width();
    const bool wraps = m_maxWidth != 0 && lineWidth != 0;
    while (!run.isEmpty()) {
        setJustification(0, 0);
        const int textHeight = m_fontAscent + m_fontDescent;
        const int y = PlaceText(m_y, textHeight);
        int available = m_rect.left + lineWidth - m_x;
        // Wrapping needs to know whether the run fits; else only the measuring pass needs its
        // width (the painting pass measures what it paints).
        int runWidth = 0;
        if (wraps)
            runWidth = widthWithin(run, available);
        else if (measuring())
            runWidth = measureText(run);
        QString part;
        if (wraps && runWidth < 0) {
            part = FitWords(run, available, m_x == m_lineStartX);
        } else {
            part = std::move(run);
            run.clear();
            available = runWidth;
        }
        int partWidth = available;

        if (measuring()) {
            m_line.align = m_style.textAlign;
            m_line.blankCount += countBlanks(part);
        } else if (!part.isEmpty()) {
            const bool justified = m_line.align == kHtmlAlignJustify && m_line.wrapped;
            if (justified) {
                // The last piece of the line ends without its trailing blanks.
                if (advanceOf(part) >= m_lineContentLeft) {
                    qsizetype kept = part.size();
                    while (kept > 0 && part[kept - 1] == u' ')
                        --kept;
                    if (kept < part.size()) {
                        const QString trimmed = part.left(kept);
                        m_lineContentLeft -= advanceOf(part) - advanceOf(trimmed);
                        m_lineBlanksLeft -= static_cast<int>(part.size() - kept);
                        part = trimmed;
                    }
                }
                setJustification(m_rect.left + lineWidth - m_x - m_lineContentLeft, m_lineBlanksLeft);
            }
            partWidth = measureText(part);
            AddHotArea(m_x, y, m_x + partWidth, y + textHeight);
            drawText(part, m_x, y, partWidth);
            if (justified) {
                m_lineBlanksLeft -= countBlanks(part);
                m_lineContentLeft -= advanceOf(part);
            }
            if (m_style.overline)
                m_canvas->line(QPoint(m_x, y), QPoint(m_x + partWidth, y), m_textColour, kHtmlBorderSolid,
                               m_style.fontWeight >= 700 ? 2 : 1);
        }
        if (part.isEmpty())
            partWidth = 0;
        m_x = clampCoord(static_cast<long long>(m_x) + partWidth);
        if (!run.isEmpty()) {
            m_line.wrapped = 1;
            BreakLine(1);
        }
    }
}

// The run's width, or -1 as soon as a prefix shows that it is wider than `available`: a long run
// is not measured whole on every line it wraps to only to learn that it does not fit.
int CPPHtmlDrawer::widthWithin(const QString& run, int available) {
    for (qsizetype length = 64; length < run.size(); length *= 4)
        if (advanceOf(run.left(length)) > available)
            return -1;
    const int width = clampCoord(advanceOf(run));
    return width > available ? -1 : width;
}

// Cuts from the run the words that fit into the available width, which becomes the width of
// the part cut. A word that fits nowhere is cut between characters, but only on an empty line;
// on a line that holds something the part is empty and the run goes to the next line.
QString CPPHtmlDrawer::FitWords(QString& run, int& available, bool lineEmpty) {
    static const QString kBreakCharacters = QStringLiteral(" -.,!:;)}]?");
    auto isBreak = [&](qsizetype i) { return kBreakCharacters.contains(run[i]); };
    auto fits = [&](qsizetype length) { return advanceOf(run.left(length)) <= available; };

    // The widths up to the break points (from the second character on) are summed from the pieces
    // between them, so a line costs about one measuring of its text; the sum may differ from the
    // whole by a pixel (kerning, rounding), so the whole prefix's width decides at the end, one
    // break point back or forth.
    std::vector<qsizetype> breaks;
    int estimatedFits = 0;
    long long sum = 0;
    qsizetype from = 0;
    for (qsizetype i = 1; i < run.size(); ++i) {
        if (!isBreak(i))
            continue;
        sum += advanceOf(run.mid(from, i - from));
        from = i;
        breaks.push_back(i);
        if (sum > available)
            break;
        ++estimatedFits;
    }
    int k = estimatedFits - 1;
    while (k >= 0 && !fits(breaks[static_cast<size_t>(k)]))
        --k;
    qsizetype lastFit = k >= 0 ? breaks[static_cast<size_t>(k)] : -1;
    if (k == estimatedFits - 1 && static_cast<size_t>(estimatedFits) < breaks.size()) {
        for (qsizetype i = breaks[static_cast<size_t>(estimatedFits)]; i < run.size(); ++i) {
            if (!isBreak(i))
                continue;
            if (!fits(i))
                break;
            lastFit = i;
        }
    }

    QString part;
    if (lastFit >= 0) {
        qsizetype end = lastFit + 1;
        while (end > 0 && run[end - 1] == u' ')
            --end;
        part = run.left(end);
        qsizetype rest = lastFit + 1;
        while (rest < run.size() && run[rest] == u' ')
            ++rest;
        run = run.mid(rest);
        available = advanceOf(part);
        return part;
    }
    if (lineEmpty) {
        // The longest prefix of at least one character that fits: doubling, then halving the gap.
        qsizetype good = 1;
        qsizetype bad = run.size() + 1;
        for (qsizetype probe = 2; probe <= run.size(); probe *= 2) {
            if (!fits(probe)) {
                bad = probe;
                break;
            }
            good = probe;
        }
        while (bad - good > 1) {
            const qsizetype middle = good + (bad - good) / 2;
            if (middle <= run.size() && fits(middle))
                good = middle;
            else
                bad = middle;
        }
        part = run.left(good);
        run = run.mid(good);
        available = advanceOf(part);
        return part;
    }
    available = 0;
    return part;
}

// ---- tags ----

int CPPHtmlDrawer::breakCount(QStringView parameters) const {
    // The count follows the parameters' first character: "br=3" counts 3, while "br 3" counts 1
    // (its blank went with the leading blanks, and the 3 goes as the first character).
    const int count = ParseLength(parameters.isEmpty() ? parameters : parameters.mid(1), 1, false);
    return std::clamp(count, 0, kMaxBreakCount);
}

void CPPHtmlDrawer::applyStyleLetters(QStringView letters, HtmlStyle& style) const {
    bool on = true;
    for (const QChar c : letters) {
        switch (c.unicode()) {
        case u'-':
            on = false;
            continue;
        case u'+':
            on = true;
            continue;
        case u'b':
            style.fontWeight = on ? 700 : 400;
            break;
        case u'i':
            style.italic = on;
            break;
        case u'u':
            style.underline = on;
            break;
        case u's':
            style.strikeout = on;
            break;
        case u'o':
            style.overline = on;
            break;
        default:
            break;
        }
        if (c.isLetter())
            on = true;
    }
}

void CPPHtmlDrawer::horizontalRule(const std::vector<Attribute>& attributes) {
    HtmlStyle rule = m_style;
    rule.borderWidth = 1;
    ApplyStyleClass(QStringLiteral("hr"), rule);
    int width = 100;
    bool percent = true;
    for (const Attribute& attribute : attributes) {
        if (attribute.name == u"width") {
            percent = attribute.value.endsWith(u'%');
            width = ParseLength(attribute.value, 100, false);
            if (!percent)
                width = clampLength(width);
        } else if (attribute.name == u"size") {
            rule.borderWidth = clampLength(ParseLength(attribute.value, rule.borderWidth, false));
        } else if (attribute.name == u"color") {
            rule.textColour = enabledOrDisabled(ParseColour(attribute.value, rule.textColour));
        }
    }
    if (percent) {
        if (measuring()) {
            m_line.percentWidth = clampCoord(static_cast<long long>(m_line.percentWidth) + width);
            width = 1;
        } else {
            width = clampLength(clampCoord(MulDiv(m_rect.width(), width, 100)));
        }
    }
    if (measuring()) {
        m_line.height = std::max(m_line.height, clampCoord(static_cast<long long>(rule.borderWidth) + 8));
        m_line.align = m_style.textAlign;
    } else {
        const int y = m_y + m_line.height / 2;
        m_canvas->line(QPoint(m_x, y), QPoint(clampCoord(static_cast<long long>(m_x) + width), y), rule.textColour,
                       kHtmlBorderSolid, rule.borderWidth);
        m_lineContentLeft -= width;
    }
    m_x = clampCoord(static_cast<long long>(m_x) + width);
}

void CPPHtmlDrawer::handleTag(const QString& tagText) {
    QStringView name;
    QStringView parameters;
    splitTag(tagText, name, parameters);
    const bool closing = name.startsWith(u'/');
    if (closing)
        name = name.mid(1);
    const auto found = m_tags.constFind(name.toString());
    if (found == m_tags.cend())
        return;
    const TagInfo& info = found.value();
    m_style.name = info.styleName;

    if (info.styleName.isEmpty()) {
        switch (info.number) {
        case kTagRule:
            horizontalRule(readAttributes(parameters));
            break;
        case kTagBreak:
            m_line.wrapped = 0;
            BreakLine(breakCount(parameters));
            break;
        case kTagTab:
            AdvanceTab(breakCount(parameters));
            break;
        case kTagBitmap:
        case kTagIcon:
        case kTagImageList:
            pictureElement(info.number, readAttributes(parameters));
            break;
        case kTagString:
            stringElement(readAttributes(parameters));
            break;
        default:
            break;
        }
        return;
    }

    if (closing) {
        if (PopStyle())
            SelectStyleFont();
        return;
    }

    PushStyle();
    switch (info.number) {
    case kTagBold:
        m_style.fontWeight = std::min(m_style.fontWeight * 2, 900);
        break;
    case kTagItalic:
        m_style.italic = !m_style.italic;
        break;
    case kTagUnderline:
        m_style.underline = !m_style.underline;
        break;
    case kTagStrikeout:
        m_style.strikeout = !m_style.strikeout;
        break;
    case kTagFont:
        for (const Attribute& attribute : readAttributes(parameters)) {
            if (attribute.name == u"face") {
                if (!attribute.value.isEmpty())
                    m_style.fontFace = attribute.value;
            } else if (attribute.name == u"size") {
                m_style.fontHeight = ParseLength(attribute.value, m_style.fontHeight, true);
            } else if (attribute.name == u"color") {
                m_style.textColour = enabledOrDisabled(ParseColour(attribute.value, m_style.textColour));
            } else if (attribute.name == u"style") {
                applyStyleLetters(attribute.value, m_style);
            } else if (attribute.name == u"weight") {
                applyFontWeight(attribute.value, m_style);
            } else if (attribute.name == u"bkgnd") {
                applyBackgroundColour(attribute.value, m_style);
            }
        }
        break;
    case kTagLeft:
    case kTagCenter:
    case kTagRight:
    case kTagJustify:
        m_style.textAlign = info.number - kTagLeft;
        break;
    case kTagBaseline:
        m_style.verticalAlign = kHtmlValignBaseline;
        break;
    case kTagTop:
        m_style.verticalAlign = kHtmlValignTop;
        break;
    case kTagMiddle:
        m_style.verticalAlign = kHtmlValignMiddle;
        break;
    case kTagBottom:
        m_style.verticalAlign = kHtmlValignBottom;
        break;
    case kTagStyleClass:
        ApplyStyleClass(name.toString(), m_style);
        break;
    case kTagSpan:
        for (const Attribute& attribute : readAttributes(parameters))
            if (attribute.name == u"class")
                ApplyStyleClass(QLatin1Char('.') + attribute.value, m_style);
        break;
    case kTagLink:
        openLink(readAttributes(parameters));
        break;
    default:
        break;
    }
    SelectStyleFont();
}
