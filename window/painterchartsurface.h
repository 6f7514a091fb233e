#pragma once

#include "chart/chartsurface.h"

#include <QTransform>
#include <QtGlobal>

class QColor;
class QPainter;
class QRect;

namespace bbt {

// Draws the chart with a painter, on screen and on paper alike. The painter is mapped to
// twips at `devicePixelsPerTwip`, without antialiasing. Lines are one screen pixel wide at
// real size. Lines along the axes, the grid's, are that width rounded to whole device pixels
// and laid on whole device pixels, so that at any scale every grid line is as wide as every
// other, like ruled paper, and lies within a device pixel of its twips.
class PainterChartSurface final : public ChartSurface {
public:
    PainterChartSurface(QPainter &painter, qreal devicePixelsPerTwip);

    void DrawLine(float x1, float y1, float x2, float y2, RgbColour colour) override;
    void DrawBox(float x1, float y1, float x2, float y2, RgbColour colour) override;

private:
    // The first device pixel of a line `m_lineWidth` wide whose middle lies at `twips`.
    int LineStart(float twips) const;
    // The device pixel edge nearest to `twips`.
    int Edge(float twips) const;
    void Fill(const QRect &devicePixels, const QColor &colour);

    QPainter &m_painter;
    qreal m_devicePixelsPerTwip;
    int m_lineWidth; // in device pixels
    QTransform m_twips;
};

} // namespace bbt
