#pragma once
// The chart pane below the list: a view of the portfolio that, for now, paints its background only.

#include "framework/View.h"

class CGraphView : public View {
public:
    explicit CGraphView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
