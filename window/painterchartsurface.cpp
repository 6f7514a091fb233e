#include "window/painterchartsurface.h"

#include "window/twips.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QRectF>

namespace bbt {

namespace {

constexpr qreal ChartLineWidth = TwipsPerPixel;

QColor ToQColor(RgbColour colour)
{
    return QColor(colour.red, colour.green, colour.blue);
}

} // namespace

PainterChartSurface::PainterChartSurface(QPainter &painter, qreal devicePixelsPerTwip)
    : m_painter(painter)
{
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setTransform(QTransform::fromScale(devicePixelsPerTwip, devicePixelsPerTwip));
}

void PainterChartSurface::DrawLine(float x1, float y1, float x2, float y2, RgbColour colour)
{
    m_painter.setPen(QPen(ToQColor(colour), ChartLineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    m_painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void PainterChartSurface::DrawBox(float x1, float y1, float x2, float y2, RgbColour colour)
{
    m_painter.fillRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized(), ToQColor(colour));
}

} // namespace bbt
