#include "paint/painterchartsurface.h"

#include "chart/chart.h"
#include "paint/twips.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QRect>

#include <algorithm>
#include <cmath>

namespace bbt {

namespace {

static_assert(PainterChartSurface::LineTwips == TwipsPerPixel, "a chart line is one screen pixel wide");

QColor ToQColor(RgbColour colour)
{
    return QColor(colour.red, colour.green, colour.blue);
}

int RoundToPixel(qreal devicePixels)
{
    return static_cast<int>(std::floor(devicePixels + 0.5));
}

} // namespace

PainterChartSurface::PainterChartSurface(QPainter &painter, qreal devicePixelsPerTwip, qreal curveTwips)
    : m_painter(painter)
    , m_devicePixelsPerTwip(devicePixelsPerTwip)
    , m_curveTwips(curveTwips)
    , m_lineWidth(std::max(1, RoundToPixel(LineTwips * devicePixelsPerTwip)))
    , m_twips(QTransform::fromScale(devicePixelsPerTwip, devicePixelsPerTwip))
{
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setTransform(m_twips);
}

int PainterChartSurface::LineStart(float twips) const
{
    return RoundToPixel(twips * m_devicePixelsPerTwip - m_lineWidth / 2.0);
}

int PainterChartSurface::Edge(float twips) const
{
    return RoundToPixel(twips * m_devicePixelsPerTwip);
}

void PainterChartSurface::Fill(const QRect &devicePixels, const QColor &colour)
{
    m_painter.setTransform(QTransform());
    m_painter.fillRect(devicePixels, colour);
    m_painter.setTransform(m_twips);
}

// A line along an axis covers whole device pixels, its square ends included, so that lines
// of the grid meet exactly; any other line, a slope of the curve, is left to the painter, as
// is all of a curve heavier than the grid.
void PainterChartSurface::DrawLine(float x1, float y1, float x2, float y2, RgbColour colour)
{
    if (colour == CurveColour && m_curveTwips != LineTwips) {
        m_painter.setPen(QPen(ToQColor(colour), m_curveTwips, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        m_painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
        return;
    }
    if (x1 == x2 || y1 == y2) {
        const auto [left, right] = std::minmax(x1, x2);
        const auto [top, bottom] = std::minmax(y1, y2);
        Fill(QRect(QPoint(LineStart(left), LineStart(top)),
                   QPoint(LineStart(right) + m_lineWidth - 1, LineStart(bottom) + m_lineWidth - 1)),
             ToQColor(colour));
        return;
    }
    m_painter.setPen(QPen(ToQColor(colour), LineTwips, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    m_painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void PainterChartSurface::DrawBox(float x1, float y1, float x2, float y2, RgbColour colour)
{
    const auto [left, right] = std::minmax(x1, x2);
    const auto [top, bottom] = std::minmax(y1, y2);
    Fill(QRect(QPoint(Edge(left), Edge(top)), QPoint(Edge(right) - 1, Edge(bottom) - 1)), ToQColor(colour));
}

} // namespace bbt
