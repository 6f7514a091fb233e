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
// other, like ruled paper, and lies within a device pixel of its twips. The curve, the lines
// in its colour, may be drawn heavier than the ruling, with round ends so that its bends
// stay clean.
class PainterChartSurface final : public ChartSurface {
public:
    static constexpr qreal LineTwips = 15;
    // On paper, where a grey printer prints the red curve nearly as light as the fine
    // ruling, the curve carries three times a grid line's width.
    static constexpr qreal PaperCurveTwips = 3 * LineTwips;

    PainterChartSurface(QPainter &painter, qreal devicePixelsPerTwip, qreal curveTwips = LineTwips);

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
    qreal m_curveTwips;
    int m_lineWidth; // in device pixels
    QTransform m_twips;
};

} // namespace bbt
