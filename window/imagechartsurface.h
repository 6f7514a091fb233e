#pragma once

#include "chart/chartsurface.h"
#include "window/twipspainting.h"

#include <QPainter>

class QImage;

namespace bbt {

// Draws the chart onto an image, one device pixel being TwipsPerPixel / `scale` twips:
// 15 twips a pixel at scale 1 (100 %), 7.5 at scale 2. The image is painted on for as
// long as the surface lives.
class ImageChartSurface final : public ChartSurface {
public:
    ImageChartSurface(QImage &image, qreal scale);

    void DrawLine(float x1, float y1, float x2, float y2, RgbColour colour) override;
    void DrawBox(float x1, float y1, float x2, float y2, RgbColour colour) override;

private:
    QPainter m_painter;
    PainterChartSurface m_twips{m_painter};
};

} // namespace bbt
