#pragma once

#include "chart/chartsurface.h"

#include <QtGlobal>

class QPainter;

namespace bbt {

// On screen 15 twips are one device-independent pixel: 1440 twips an inch at 96 dpi.
inline constexpr qreal TwipsPerPixel = 15.0;

// Maps the painter's coordinates to twips at `devicePixelsPerTwip` and switches off
// antialiasing, so that chart lines fall on whole device pixels like ruled paper.
void BeginTwips(QPainter &painter, qreal devicePixelsPerTwip);

// Draws the chart on a painter prepared by BeginTwips. Lines are one screen pixel wide at
// real size, on screen and on paper alike.
class PainterChartSurface final : public ChartSurface {
public:
    explicit PainterChartSurface(QPainter &painter);

    void DrawLine(float x1, float y1, float x2, float y2, RgbColour colour) override;
    void DrawBox(float x1, float y1, float x2, float y2, RgbColour colour) override;

private:
    QPainter &m_painter;
};

} // namespace bbt
