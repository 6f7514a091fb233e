#include "window/imagechartsurface.h"

#include <QImage>

namespace bbt {

ImageChartSurface::ImageChartSurface(QImage &image, qreal scale)
    : m_painter(&image)
{
    BeginTwips(m_painter, scale / TwipsPerPixel);
}

void ImageChartSurface::DrawLine(float x1, float y1, float x2, float y2, RgbColour colour)
{
    m_twips.DrawLine(x1, y1, x2, y2, colour);
}

void ImageChartSurface::DrawBox(float x1, float y1, float x2, float y2, RgbColour colour)
{
    m_twips.DrawBox(x1, y1, x2, y2, colour);
}

} // namespace bbt
