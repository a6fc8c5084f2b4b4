#pragma once
// What the program host asks of the portfolio's views, through interfaces the main frame registers
// with it: the list view's settings that the document's change columns read, and the chart's
// answers.

#include "platform/Document.h"
#include "portfolio/ItemPos.h"
#include "portfolio/PortfolioHost.h"

// The list view's settings, as the view holds them now.
class ListViewSettingsSource {
public:
    virtual ~ListViewSettingsSource() = default;
    virtual ListViewSettings listViewSettings() const = 0;
};

// The chart view's answers.
class ChartOracle {
public:
    virtual ~ChartOracle() = default;
    // The chart view as a view of the document.
    virtual DocumentObserver* chartView() const = 0;
    // Whether the chart shows the item at `pos`.
    virtual bool isItemShownInChart(ItemPos pos) const = 0;
};
