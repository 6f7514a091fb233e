#pragma once

#include "chart/chartsurface.h"

#include <QtGlobal>

class QPainter;

namespace bbt {

// Draws the chart with a painter, on screen and on paper alike. The painter is mapped to
// twips at `devicePixelsPerTwip` and antialiasing is off, so that chart lines fall on
// whole device pixels like ruled paper. Lines are one screen pixel wide at real size.
class PainterChartSurface final : public ChartSurface {
public:
    PainterChartSurface(QPainter &painter, qreal devicePixelsPerTwip);

    void DrawLine(float x1, float y1, float x2, float y2, RgbColour colour) override;
    void DrawBox(float x1, float y1, float x2, float y2, RgbColour colour) override;

private:
    QPainter &m_painter;
};

} // namespace bbt
