#pragma once
// A property page that keeps its children in place by anchors (ResizableLayout.h): it lays them
// out whenever it is resized and paints its own background where no opaque child lies. A page
// that adds no anchors moves nothing and fills its whole area with its background.

#include "controls/ResizableLayout.h"
#include "framework/PropertyPage.h"

class CResizablePage : public PropertyPage, public CResizableLayout {
public:
    CResizablePage(unsigned templateId, Services services, unsigned captionId = 0);

    QWidget* GetLayoutWindow() const override { return const_cast<CResizablePage*>(this); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
