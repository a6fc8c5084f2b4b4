#pragma once
// Paints a laid-out chart (GraphViewLayout.h) with a QPainter: the pane paints it into its cached
// image, the printed report onto the page. The fonts are the medium's, sized in device pixels for
// the device's resolution, and the same fonts measure the texts the layout asks about.

#include "views/GraphViewLayout.h"

#include <QFont>

#include <array>
#include <span>

class QPaintDevice;
class QPainter;

// The chart's colours (COLORREF values).
inline constexpr std::uint32_t kChartGridColor = 0x646464;       // RGB(100,100,100)
inline constexpr std::uint32_t kChartShadeColor = 0xE6E6E6;      // RGB(230,230,230)
inline constexpr std::uint32_t kChartMarkColor = 0xE0E0E0;       // RGB(224,224,224)
inline constexpr std::uint32_t kChartOutOfRangeColor = 0x969696; // RGB(150,150,150)

class ChartFonts {
public:
    // The medium's fonts for a device of `logPixelsY` dots per inch. The faces are asked for by
    // name; the system's font configuration substitutes a metric-compatible face.
    ChartFonts(ChartMedium medium, int logPixelsY);

    const QFont& font(ChartFont which) const { return m_fonts[static_cast<std::size_t>(which)]; }
    // Text extents as the layout wants them, measured for `device`.
    ChartTextExtent extentOn(const QPaintDevice* device) const;

private:
    std::array<QFont, 5> m_fonts;
};

// Paints everything the layout holds (for a history: along `points`). The device's area is not
// erased first. Draws nothing for ChartContent::Nothing and TooSmall.
void paintChart(QPainter& painter, const ChartLayout& layout, std::span<const ChartPoint> points,
                const ChartFonts& fonts, ChartMedium medium);
