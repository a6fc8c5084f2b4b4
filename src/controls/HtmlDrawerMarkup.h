#pragma once
// Reading the drawer's markup: the tokenizer, tag texts, and the searches that cut tables, rows
// and cells out of it. Positions are indexes into the text; a search that finds nothing gives the
// end of the text.

#include <QString>
#include <QStringView>

#include <algorithm>
#include <vector>

namespace htmldrawer {

// The tag numbers of the drawer's vocabulary.
enum HtmlTagNumber {
    kTagBold = 1,
    kTagItalic = 2,
    kTagUnderline = 3,
    kTagStrikeout = 4,
    kTagFont = 5,
    kTagRule = 6,
    kTagBreak = 7,
    kTagTab = 8,
    kTagLeft = 9,
    kTagCenter = 10,
    kTagRight = 11,
    kTagJustify = 12,
    kTagBaseline = 13,
    kTagTop = 14,
    kTagMiddle = 15,
    kTagBottom = 16,
    kTagBitmap = 17,
    kTagIcon = 18,
    kTagImageList = 19,
    kTagString = 20,
    kTagStyleClass = 21, // "body", the headings and the others that apply the rule of their name
    kTagSpan = 22,
    kTagLink = 23,
};

// Bounds on what hostile markup can make the layout allocate or recurse into.
inline constexpr int kMaxTableDepth = 32;
inline constexpr int kMaxSpan = 1000;
inline constexpr int kMaxGridRows = 1000;
inline constexpr int kMaxGridColumns = 1000;
inline constexpr long long kMaxGridCellsPerText = 1 << 20;

// From pos, the next occurrence of the tag start `needle` ("<table", "</td"), whatever follows
// it; an occurrence right after another "<" is escaped text and skipped. Sets pos to it, or to
// the end of the markup (false).
inline bool FindTag(QStringView markup, qsizetype& pos, QStringView needle) {
    qsizetype from = pos;
    while (from < markup.size()) {
        const qsizetype at = markup.indexOf(needle, from);
        if (at < 0)
            break;
        if (at > 0 && markup[at - 1] == u'<') {
            from = at + 1;
            continue;
        }
        pos = at;
        return true;
    }
    pos = markup.size();
    return false;
}

// The next occurrence of needle at or after pos, remembered, so searches that walk forward find
// each occurrence once.
class TagCursor {
public:
    TagCursor(QStringView markup, QStringView needle) : m_markup(markup), m_needle(needle) {}
    // The first occurrence at or after pos; the end of the markup when there is none.
    qsizetype nextFrom(qsizetype pos) {
        // The remembered occurrence answers every pos from the one it was searched from up to it.
        if (pos < m_from || pos > m_found) {
            m_from = pos;
            m_found = pos;
            FindTag(m_markup, m_found, m_needle);
        }
        return m_found;
    }

private:
    QStringView m_markup;
    QStringView m_needle;
    qsizetype m_from = -1;
    qsizetype m_found = -2;
};

// pos is 6 characters after a table's "<"; searching from 7 characters further, sets pos to the
// "</table" that closes it ("<table" met on the way opens one more level), or to the end.
inline void FindTableEnd(QStringView markup, qsizetype& pos) {
    TagCursor opens(markup, u"<table");
    TagCursor closes(markup, u"</table");
    const qsizetype end = markup.size();
    qsizetype from = std::min(pos + 7, end);
    int level = 1;
    while (true) {
        const qsizetype close = closes.nextFrom(from);
        if (close >= end) {
            pos = end;
            return;
        }
        const qsizetype open = opens.nextFrom(from);
        if (open < close) {
            ++level;
            from = open + 6;
            continue;
        }
        if (--level == 0) {
            pos = close;
            return;
        }
        from = close + 7;
    }
}

// The text with the content of every table that lies more than maxDepth tables deep taken out:
// the layout goes no deeper than that and lays such a table out as nothing, so what is inside it
// is not read again by every table around it. The table keeps its "<table", blanks in the place of
// its content (as much as FindTableEnd passes over) and its "</table", so the text around it is
// cut into tables as before. The ends of tables are those FindTableEnd finds, found here on the
// positions of the table tags, which are searched for once.
class TableCutter {
public:
    TableCutter(QStringView text, int maxDepth) : m_text(text), m_maxDepth(maxDepth) {
        collect(u"<table", m_opens);
        collect(u"</table", m_closes);
    }

    QString cut() {
        QString out;
        out.reserve(m_text.size());
        keep(0, m_text.size(), 0, out);
        return out;
    }

private:
    void collect(QStringView needle, std::vector<qsizetype>& positions) const {
        for (qsizetype pos = 0; FindTag(m_text, pos, needle); pos += needle.size())
            positions.push_back(pos);
    }
    static qsizetype firstFrom(const std::vector<qsizetype>& positions, qsizetype from, size_t& index) {
        index = static_cast<size_t>(std::lower_bound(positions.begin(), positions.end(), from) - positions.begin());
        return index < positions.size() ? positions[index] : -1;
    }
    // FindTableEnd for the table whose "<" is at `open`.
    qsizetype tableEnd(qsizetype open) const {
        const qsizetype from = std::min(open + 13, m_text.size());
        size_t o = 0;
        size_t c = 0;
        firstFrom(m_opens, from, o);
        firstFrom(m_closes, from, c);
        int level = 1;
        while (c < m_closes.size()) {
            if (o < m_opens.size() && m_opens[o] < m_closes[c]) {
                ++level;
                ++o;
                continue;
            }
            if (--level == 0)
                return m_closes[c];
            ++c;
        }
        return m_text.size();
    }
    // Appends the text from `from` to `to`, in which the tables lie depth + 1 deep.
    void keep(qsizetype from, qsizetype to, int depth, QString& out) const {
        qsizetype pos = from;
        while (pos < to) {
            size_t index = 0;
            const qsizetype open = firstFrom(m_opens, pos, index);
            if (open < 0 || open >= to) {
                out += m_text.mid(pos, to - pos);
                return;
            }
            const qsizetype end = std::min(tableEnd(open), to);
            out += m_text.mid(pos, open - pos);
            if (depth >= m_maxDepth) {
                out += u"<table";
                out += QString(7, u' ');
            } else {
                const qsizetype inner = std::min(open + 13, end);
                out += m_text.mid(open, inner - open);
                keep(inner, end, depth + 1, out);
            }
            pos = end;
        }
    }

    QStringView m_text;
    int m_maxDepth;
    std::vector<qsizetype> m_opens;
    std::vector<qsizetype> m_closes;
};

inline QString cutTablesPastDepth(const QString& text, int maxDepth) {
    return TableCutter(text, maxDepth).cut();
}

// From a row's "<tr" (or a cell's "<td"), the "</tr" ("</td") that closes it, or the end: tables
// inside are skipped whole; for rows, a "<tr" before the "</tr" opens a nested level.
inline qsizetype findBlockEnd(QStringView markup, qsizetype start, QStringView open, QStringView close) {
    TagCursor tables(markup, u"<table");
    TagCursor opens(markup, open);
    TagCursor closes(markup, close);
    const qsizetype end = markup.size();
    qsizetype from = std::min(start + 4, end);
    int level = 1;
    while (true) {
        const qsizetype closeAt = closes.nextFrom(from);
        const qsizetype openAt = open.isEmpty() ? end : opens.nextFrom(from);
        const qsizetype tableAt = tables.nextFrom(from);
        if (tableAt < closeAt && tableAt < openAt) {
            qsizetype tableEnd = tableAt + 6;
            FindTableEnd(markup, tableEnd);
            if (tableEnd >= end)
                return end;
            from = tableEnd + 7;
            continue;
        }
        if (closeAt >= end && openAt >= end)
            return end;
        if (openAt < closeAt) {
            ++level;
            from = openAt + 3;
            continue;
        }
        if (--level == 0)
            return closeAt;
        from = closeAt + 4;
    }
}

inline qsizetype FindRowEnd(QStringView markup, qsizetype start) {
    return findBlockEnd(markup, start, u"<tr", u"</tr");
}

inline qsizetype FindCellEnd(QStringView markup, qsizetype start) {
    return findBlockEnd(markup, start, QStringView(), u"</td");
}

// The next token from pos: the text run up to the next "<" ("<<" adds one literal "<" to the run
// and ends it), then the tag text between "<" and ">". A "<" with no ">" after it, or with ">"
// right after it, gives an empty tag and is dropped.
inline void nextToken(const QString& text, qsizetype& pos, QString& run, QString& tag) {
    tag.clear();
    const qsizetype lt = text.indexOf(u'<', pos);
    if (lt < 0) {
        run = text.mid(pos);
        pos = text.size();
        return;
    }
    run = text.mid(pos, lt - pos);
    if (lt + 1 < text.size() && text[lt + 1] == u'<') {
        run += u'<';
        pos = lt + 2;
        return;
    }
    const qsizetype gt = text.indexOf(u'>', lt + 1);
    if (gt < 0 || gt == lt + 1) {
        pos = lt + 1;
        return;
    }
    tag = text.mid(lt + 1, gt - lt - 1);
    pos = gt + 1;
}

// A tag text split at its first blank or "=": the name before, the parameters from there on
// without leading blanks.
inline void splitTag(QStringView tag, QStringView& name, QStringView& parameters) {
    qsizetype split = 0;
    while (split < tag.size() && tag[split] != u' ' && tag[split] != u'=')
        ++split;
    name = tag.left(split);
    qsizetype rest = split;
    while (rest < tag.size() && tag[rest] == u' ')
        ++rest;
    parameters = tag.mid(rest);
}

// The parameters of the tag that starts at pos (the "<" of "<td ...>"); empty when it has no ">".
inline QStringView tagParametersAt(QStringView markup, qsizetype pos) {
    const qsizetype gt = markup.indexOf(u'>', pos);
    if (gt < 0)
        return {};
    QStringView name;
    QStringView parameters;
    splitTag(markup.mid(pos + 1, gt - pos - 1), name, parameters);
    return parameters;
}

} // namespace htmldrawer
