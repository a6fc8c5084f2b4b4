// Tables of the drawer's markup: the grid is counted and every cell laid out inline in the
// measuring pass, which derives column widths and row heights; the painting pass paints
// backgrounds, borders and cell contents at the recorded places. Tables nest inside cells.

#include "controls/HtmlDrawer.h"
#include "controls/HtmlDrawerMarkup.h"
#include "controls/HtmlDrawerMath.h"

#include <algorithm>
#include <numeric>

using namespace htmldrawer;

namespace {

QRect toQRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

// spacing + (count - 1) + the sum of (spacing + size) over the sizes: the extent of a run of
// columns or rows with one pixel between neighbours.
int gridExtent(const std::vector<int>& sizes, int spacing) {
    long long extent = spacing + std::max<long long>(0, static_cast<long long>(sizes.size()) - 1);
    for (const int size : sizes)
        extent += static_cast<long long>(spacing) + size;
    return clampCoord(extent);
}

// Starts of the columns (or rows) from origin: origin + spacing + the sum of (spacing + size + 1)
// over the ones before.
std::vector<int> gridStarts(const std::vector<int>& sizes, int origin, int spacing) {
    std::vector<int> starts(sizes.size());
    long long at = static_cast<long long>(origin) + spacing;
    for (size_t i = 0; i < sizes.size(); ++i) {
        starts[i] = clampCoord(at);
        at += static_cast<long long>(spacing) + sizes[i] + 1;
    }
    return starts;
}

// Widens the spanned sizes so that together they hold `total`: the missing pixels divided by the
// span go to each, the remainder to the first (rows) or the last (columns).
void widenSpan(std::vector<int>& sizes, int first, int span, int total, bool remainderFirst) {
    long long sum = 0;
    for (int i = first; i < first + span; ++i)
        sum += sizes[static_cast<size_t>(i)];
    if (sum >= total)
        return;
    const long long missing = total - sum;
    for (int i = first; i < first + span; ++i)
        sizes[static_cast<size_t>(i)] = clampCoord(sizes[static_cast<size_t>(i)] + missing / span);
    const size_t extra = static_cast<size_t>(remainderFirst ? first : first + span - 1);
    sizes[extra] = clampCoord(sizes[extra] + missing % span);
}

} // namespace

struct CPPHtmlDrawer::TableGeometry {
    int spacing = 0;
    std::vector<int> columnWidths; // stretched to the rectangle
    std::vector<int> columnLefts;
    std::vector<int> rowTops;
};

std::pair<int, int> CPPHtmlDrawer::ParseBoxAttributes(QStringView parameters, HtmlStyle& style, bool tableLevel) {
    int colspan = 1;
    int rowspan = 1;
    for (const Attribute& attribute : readAttributes(parameters)) {
        const QString& name = attribute.name;
        const QString& value = attribute.value;
        if (tableLevel && name == u"cellpadding") {
            style.margin = clampLength(ParseLength(value, style.margin, false));
        } else if (tableLevel && name == u"cellspacing") {
            style.padding = clampLength(ParseLength(value, style.padding, false));
        } else if (tableLevel && name == u"background") {
            style.backImage = value;
        } else if (name == u"rowspan") {
            rowspan = ParseLength(value, rowspan, false);
        } else if (name == u"colspan") {
            colspan = ParseLength(value, colspan, false);
        } else if (name == u"border") {
            setBorderWidth(style, ParseLength(value, style.borderWidth, false));
        } else if (name == u"borderstyle") {
            setBorderStyle(style, borderStyleKeyword(value, style.borderStyle));
        } else if (name == u"bordercolor") {
            const QRgb colour = enabledOrDisabled(ParseColour(value, style.borderColourLight));
            style.borderColourLight = colour;
            style.borderColourDark = colour;
        } else if (name == u"bordercolorlight") {
            style.borderColourLight = enabledOrDisabled(ParseColour(value, style.borderColourLight));
        } else if (name == u"bordercolordark") {
            style.borderColourDark = enabledOrDisabled(ParseColour(value, style.borderColourDark));
        } else if (name == u"bgcolor") {
            if (m_coloursEnabled) {
                style.backColour = ParseColour(value, style.backColour);
                if (style.fillEffect == -1)
                    style.fillEffect = 0;
            }
        } else if (name == u"bgmidcolor") {
            if (m_coloursEnabled)
                style.backMidColour = ParseColour(value, style.backMidColour);
        } else if (name == u"bgendcolor") {
            if (m_coloursEnabled)
                style.backEndColour = ParseColour(value, style.backEndColour);
        } else if (name == u"bgeffect") {
            if (m_coloursEnabled && !value.isEmpty()) {
                static const char* const kEffects[] = {
                    "transparent", "solid",      "hgradient", "vgradient", "hcgradient", "vcgradient",
                    "3hgradient",  "3vgradient", "noise",     "diagshade", "hshade",     "vshade",
                    "hbump",       "vbump",      "softbump",  "hardbump",  "metal"};
                const auto* found = std::find_if(std::begin(kEffects), std::end(kEffects), [&](const char* keyword) {
                    return value == QLatin1StringView(keyword);
                });
                style.fillEffect = found != std::end(kEffects) ? static_cast<int>(found - std::begin(kEffects)) - 1
                                                               : ParseLength(value, style.fillEffect, false);
            }
        } else if (name == u"align") {
            if (value == u"left")
                style.textAlign = kHtmlAlignLeft;
            else if (value == u"center")
                style.textAlign = kHtmlAlignCenter;
            else if (value == u"right")
                style.textAlign = kHtmlAlignRight;
        } else if (name == u"valign") {
            style.verticalAlign = verticalAlignKeyword(value, style.verticalAlign);
        } else if (name == u"width") {
            style.width = clampLength(ParseLength(value, style.width, false));
        } else if (name == u"height") {
            style.height = clampLength(ParseLength(value, style.height, false));
        }
    }
    // Only a table with a solid border has a border wider than one pixel.
    if (style.borderStyle == kHtmlBorderNone || style.borderWidth == 0) {
        style.borderStyle = kHtmlBorderNone;
        style.borderWidth = 0;
    } else if (style.borderStyle != kHtmlBorderSolid || !tableLevel) {
        style.borderWidth = 1;
    }
    // A span of 0 is one column; spans beyond any sensible grid are cut.
    return {std::clamp(colspan, 1, kMaxSpan), std::clamp(rowspan, 1, kMaxSpan)};
}

void CPPHtmlDrawer::CountTableGrid(const QString& markup, int& columns, int& rows) {
    columns = 0;
    rows = 0;
    HtmlStyle scratch = m_style;
    TagCursor rowStarts(markup, u"<tr");
    TagCursor rowEnds(markup, u"</tr");
    TagCursor cellStarts(markup, u"<td");
    const qsizetype end = markup.size();
    qsizetype pos = 0;
    // Every "<tr" counts as a row, those of nested tables included.
    while (rows < kMaxGridRows) {
        const qsizetype row = rowStarts.nextFrom(pos);
        if (row >= end)
            break;
        ++rows;
        const qsizetype rowEnd = rowEnds.nextFrom(row);
        long long sum = 0;
        qsizetype at = row;
        while (at < end) {
            const qsizetype cell = cellStarts.nextFrom(at);
            if (cell >= rowEnd)
                break;
            sum += ParseBoxAttributes(tagParametersAt(markup, cell), scratch, false).first;
            at = FindCellEnd(markup, cell);
        }
        columns = static_cast<int>(std::max<long long>(columns, std::min<long long>(sum, kMaxGridColumns)));
        pos = row + 3;
    }
}

void CPPHtmlDrawer::RenderTable(QSize& size, const QString& markup, Rect rect) {
    size = QSize(0, 0);
    if (m_tableDepth >= kMaxTableDepth)
        return;
    const int index = ++m_tableIndex;
    TableLayout measured;
    TableLayout* layout = &measured;
    if (measuring()) {
        int columns = 0;
        int rows = 0;
        CountTableGrid(markup, columns, rows);
        const long long cells = static_cast<long long>(rows) * columns;
        if (cells > m_gridCellsLeft) {
            rows = 0;
            columns = 0;
        }
        m_gridCellsLeft -= static_cast<long long>(rows) * columns;
        measured.rows = rows;
        measured.columns = columns;
        measured.cells.assign(static_cast<size_t>(rows) * columns, TableCell{});
        measured.columnWidths.assign(static_cast<size_t>(columns), 0);
        measured.fixedColumns.assign(static_cast<size_t>(columns), 0);
        measured.rowHeights.assign(static_cast<size_t>(rows), 0);
        if (m_tableLayouts.size() <= static_cast<size_t>(index))
            m_tableLayouts.resize(static_cast<size_t>(index) + 1);
    } else {
        // A table the measuring pass did not record is not painted.
        if (static_cast<size_t>(index) >= m_tableLayouts.size())
            return;
        layout = &m_tableLayouts[static_cast<size_t>(index)];
    }
    ++m_tableDepth;

    m_style.name = QStringLiteral("table");
    PushStyle();
    ApplyStyleClass(QStringLiteral("table"), m_style);
    ParseBoxAttributes(tagParametersAt(markup, 0), m_style, true);
    SelectStyleFont();

    const int spacing = m_style.padding;
    const int border = m_style.borderStyle == kHtmlBorderDouble ? 6 : clampCoord(2LL * m_style.borderWidth);
    TableGeometry geometry;
    if (!measuring()) {
        geometry.spacing = spacing;
        geometry.columnWidths = layout->columnWidths;
        int width = clampCoord(static_cast<long long>(gridExtent(geometry.columnWidths, spacing)) + border);
        const int height = clampCoord(static_cast<long long>(gridExtent(layout->rowHeights, spacing)) + border);
        // The missing width goes to the columns without a width of their own.
        if (width < rect.width()) {
            int missing = rect.width() - width;
            int flexible = 0;
            for (const int fixed : layout->fixedColumns)
                flexible += fixed ? 0 : 1;
            for (size_t c = 0; c < geometry.columnWidths.size() && flexible > 0; ++c) {
                if (layout->fixedColumns[c])
                    continue;
                const int share = missing / flexible;
                geometry.columnWidths[c] += share;
                width += share;
                missing -= share;
                --flexible;
            }
        }
        int left = rect.left;
        if (width < rect.width()) {
            if (m_style.textAlign == kHtmlAlignCenter)
                left = rect.left + (rect.width() - width) / 2;
            else if (m_style.textAlign == kHtmlAlignRight)
                left = rect.right - width;
        }
        const Rect outer{left, rect.top, clampCoord(static_cast<long long>(left) + width),
                         clampCoord(static_cast<long long>(rect.top) + height)};
        if (m_style.fillEffect == -1) {
            if (!m_style.backImage.isEmpty() && m_coloursEnabled)
                DrawBackgroundImage(outer, m_style.backImage);
        } else {
            m_canvas->fill(
                toQRect(outer.left, outer.top, outer.right, outer.bottom),
                HtmlFill{m_style.fillEffect, m_style.backColour, m_style.backMidColour, m_style.backEndColour, 5, 0});
        }
        if (m_style.borderWidth > 0)
            m_canvas->frame(toQRect(outer.left, outer.top, outer.right, outer.bottom),
                            enabledOrDisabled(m_style.borderColourLight), enabledOrDisabled(m_style.borderColourDark),
                            m_style.borderStyle, m_style.borderWidth);
        const int inset = m_style.borderStyle == kHtmlBorderDouble ? 3 : m_style.borderWidth;
        geometry.columnLefts = gridStarts(geometry.columnWidths, outer.left + inset, spacing);
        geometry.rowTops = gridStarts(layout->rowHeights, outer.top + inset, spacing);
        size = QSize(width, height);
    }

    qsizetype pos = 0;
    for (int row = 0; row < layout->rows; ++row) {
        if (!FindTag(markup, pos, u"<tr"))
            break;
        const qsizetype rowEnd = FindRowEnd(markup, pos);
        RenderTableRow(markup.mid(pos, rowEnd - pos), *layout, measuring() ? nullptr : &geometry, row);
        pos = rowEnd + 5;
    }

    if (measuring()) {
        // Single-span cells first, then wider spans, each in row order.
        struct Placed {
            int row;
            int column;
        };
        std::vector<Placed> placed;
        for (int r = 0; r < measured.rows; ++r)
            for (int c = 0; c < measured.columns; ++c)
                if (measured.at(r, c).colspan >= 1)
                    placed.push_back({r, c});
        std::stable_sort(placed.begin(), placed.end(), [&](const Placed& a, const Placed& b) {
            return measured.at(a.row, a.column).colspan < measured.at(b.row, b.column).colspan;
        });
        for (const Placed& p : placed) {
            const TableCell& cell = measured.at(p.row, p.column);
            for (int c = p.column; c < p.column + cell.colspan; ++c)
                if (cell.fixedWidth)
                    measured.fixedColumns[static_cast<size_t>(c)] = 1;
            widenSpan(measured.columnWidths, p.column, cell.colspan, cell.totalWidth, false);
        }
        std::stable_sort(placed.begin(), placed.end(), [&](const Placed& a, const Placed& b) {
            const TableCell& ca = measured.at(a.row, a.column);
            const TableCell& cb = measured.at(b.row, b.column);
            return ca.rowspan < cb.rowspan ||
                   (ca.rowspan == cb.rowspan && (a.row < b.row || (a.row == b.row && a.column < b.column)));
        });
        for (const Placed& p : placed) {
            const TableCell& cell = measured.at(p.row, p.column);
            widenSpan(measured.rowHeights, p.row, cell.rowspan, cell.totalHeight, true);
        }
        size = QSize(clampCoord(static_cast<long long>(gridExtent(measured.columnWidths, spacing)) + border),
                     clampCoord(static_cast<long long>(gridExtent(measured.rowHeights, spacing)) + border));
        m_tableLayouts[static_cast<size_t>(index)] = std::move(measured);
    }

    --m_tableDepth;
    m_style.name = QStringLiteral("table");
    if (PopStyle())
        SelectStyleFont();
}

void CPPHtmlDrawer::RenderTableRow(const QString& markup, TableLayout& layout, const TableGeometry* geometry, int row) {
    m_style.name = QStringLiteral("tr");
    PushStyle();
    ApplyStyleClass(QStringLiteral("tr"), m_style);
    ParseBoxAttributes(tagParametersAt(markup, 0), m_style, false);
    SelectStyleFont();

    TagCursor cellStarts(markup, u"<td");
    TagCursor rowEnds(markup, u"</tr");
    const qsizetype end = markup.size();
    qsizetype pos = 0;
    int column = 0;
    while (pos < end) {
        const qsizetype cellStart = cellStarts.nextFrom(pos);
        if (cellStart >= end || cellStart > rowEnds.nextFrom(pos))
            break;
        const qsizetype cellEnd = FindCellEnd(markup, cellStart);
        while (column < layout.columns && layout.at(row, column).colspan == -1)
            ++column;
        // Cells beyond the counted grid are left out.
        if (column < layout.columns) {
            TableCell& cell = layout.at(row, column);
            Rect cellRect;
            if (geometry) {
                const int colspan = std::clamp(cell.colspan, 1, layout.columns - column);
                const int rowspan = std::clamp(cell.rowspan, 1, layout.rows - row);
                const int spacing = geometry->spacing;
                long long width = static_cast<long long>(spacing + 1) * (colspan - 1);
                for (int c = column; c < column + colspan; ++c)
                    width += geometry->columnWidths[static_cast<size_t>(c)];
                long long height = static_cast<long long>(spacing + 1) * (rowspan - 1);
                for (int r = row; r < row + rowspan; ++r)
                    height += layout.rowHeights[static_cast<size_t>(r)];
                cellRect.left = geometry->columnLefts[static_cast<size_t>(column)];
                cellRect.top = geometry->rowTops[static_cast<size_t>(row)];
                cellRect.right = clampCoord(cellRect.left + width);
                cellRect.bottom = clampCoord(cellRect.top + height);
            }
            RenderTableCell(markup.mid(cellStart, cellEnd - cellStart), cellRect, cell, layout.columns - column,
                            layout.rows - row);
            if (measuring()) {
                // The whole block the cell spans is covered, so no later cell lands under it.
                for (int r = row; r < row + cell.rowspan; ++r) {
                    for (int c = column; c < column + cell.colspan; ++c) {
                        if (r == row && c == column)
                            continue;
                        TableCell& covered = layout.at(r, c);
                        covered.colspan = -1;
                        covered.rowspan = -1;
                    }
                }
            }
            column += std::max(cell.colspan, 1);
        }
        pos = cellEnd;
    }

    m_style.name = QStringLiteral("tr");
    if (PopStyle())
        SelectStyleFont();
}

void CPPHtmlDrawer::RenderTableCell(const QString& markup, Rect rect, TableCell& cell, int maxColspan, int maxRowspan) {
    m_style.name = QStringLiteral("td");
    PushStyle();
    ApplyStyleClass(QStringLiteral("td"), m_style);
    m_style.width = 0;
    m_style.height = 0;
    const auto [colspan, rowspan] = ParseBoxAttributes(tagParametersAt(markup, 0), m_style, false);

    Rect content;
    if (measuring()) {
        // Spans stop at the grid's edges.
        cell.colspan = std::min(colspan, maxColspan);
        cell.rowspan = std::min(rowspan, maxRowspan);
        cell.fixedWidth = m_style.width >= 1 ? 1 : 0;
        // Without a width of its own the content has no width to wrap at.
        content = rect;
        content.right = clampCoord(static_cast<long long>(rect.left) + m_style.width);
    } else {
        const QRect area = toQRect(rect.left, rect.top, rect.right, rect.bottom);
        if (m_style.fillEffect >= 0)
            m_canvas->fill(area, HtmlFill{m_style.fillEffect, m_style.backColour, m_style.backMidColour,
                                          m_style.backEndColour, 5, 0});
        if (m_style.borderStyle != kHtmlBorderNone)
            m_canvas->frame(area, enabledOrDisabled(m_style.borderColourDark),
                            enabledOrDisabled(m_style.borderColourLight), m_style.borderStyle, 1);
        const int inset = clampCoord(static_cast<long long>(m_style.margin) + m_style.borderWidth);
        content = Rect{clampCoord(static_cast<long long>(rect.left) + inset),
                       clampCoord(static_cast<long long>(rect.top) + inset),
                       clampCoord(static_cast<long long>(rect.right) - inset),
                       clampCoord(static_cast<long long>(rect.bottom) - inset)};
        if (m_style.verticalAlign == kHtmlValignMiddle)
            content.top += (content.height() - cell.contentHeight) / 2;
        else if (m_style.verticalAlign == kHtmlValignBottom)
            content.top = content.bottom - cell.contentHeight;
    }

    // The content after the td tag, up to a "</td" outside the tables in it.
    const qsizetype tagEnd = markup.indexOf(u'>');
    const QSize flow = layoutFlow(markup, tagEnd < 0 ? markup.size() : tagEnd + 1, content, u"</td");
    if (measuring()) {
        // The widest part, at least the cell's own width; the parts' heights together.
        cell.contentWidth = std::max(m_style.width, flow.width());
        cell.contentHeight = flow.height();
        const long long frame = 2LL * m_style.margin + 2LL * m_style.borderWidth;
        cell.totalWidth = clampCoord(cell.contentWidth + frame);
        cell.totalHeight = clampCoord(std::max(cell.contentHeight, m_style.height) + frame);
    }
    m_style.name = QStringLiteral("td");
    if (PopStyle())
        SelectStyleFont();
}

void CPPHtmlDrawer::DrawBackgroundImage(const Rect& rect, const QString& background) {
    // "kind:value", the value up to ";" or in double quotation marks.
    if (background.size() <= 5 || !m_pictures)
        return;
    const qsizetype colon = background.indexOf(u':');
    if (colon < 0)
        return;
    const QStringView kind = QStringView(background).left(colon);
    QStringView value = QStringView(background).mid(colon + 1);
    if (value.startsWith(u'"')) {
        const qsizetype close = value.indexOf(u'"', 1);
        value = value.mid(1, close < 0 ? -1 : close - 1);
    } else {
        const qsizetype semicolon = value.indexOf(u';');
        if (semicolon >= 0)
            value = value.left(semicolon);
    }
    std::unique_ptr<HtmlPicture> picture;
    if (kind == u"idres")
        picture = m_pictures->bitmap(leadingInt(value));
    else if (kind == u"file")
        picture = m_pictures->bitmapFile(value.toString());
    // "iddll" names a picture of a library module, of which this program has none.
    if (picture)
        m_canvas->tile(*picture, toQRect(rect.left, rect.top, rect.right, rect.bottom));
}
