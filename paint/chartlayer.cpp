#include "paint/chartlayer.h"

#include "paint/painterchartsurface.h"
#include "paint/twips.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace bbt {

ChartLayer::ChartLayer(QSize sizeInPixels)
    : m_sizeInPixels(sizeInPixels)
{
}

void ChartLayer::DrawLine(float x1, float y1, float x2, float y2, RgbColour colour)
{
    Add({Primitive::Kind::Line, x1, y1, x2, y2, colour});
}

void ChartLayer::DrawBox(float x1, float y1, float x2, float y2, RgbColour colour)
{
    Add({Primitive::Kind::Box, x1, y1, x2, y2, colour});
}

void ChartLayer::Add(const Primitive &primitive)
{
    const auto found = std::find(m_primitives.begin(), m_primitives.end(), primitive);
    const auto lastDrawing = m_primitives.end() - static_cast<std::ptrdiff_t>(m_lastDrawingSize);
    const bool alreadyInLastDrawing = found != m_primitives.end() && found >= lastDrawing;
    if (!alreadyInLastDrawing)
        ++m_lastDrawingSize;
    if (found == m_primitives.end())
        m_primitives.push_back(primitive);
    else
        std::rotate(found, found + 1, m_primitives.end());
    m_imageIsStale = true;
}

void ChartLayer::BeginDrawing()
{
    m_lastDrawingSize = 0;
}

bool ChartLayer::HoldsEarlierDrawings() const
{
    return m_primitives.size() > m_lastDrawingSize;
}

bool ChartLayer::IsEmpty() const
{
    return m_primitives.empty();
}

std::size_t ChartLayer::PrimitiveCount() const
{
    return m_primitives.size();
}

void ChartLayer::Replay(ChartSurface &surface) const
{
    for (const Primitive &p : m_primitives) {
        switch (p.kind) {
        case Primitive::Kind::Line:
            surface.DrawLine(p.x1, p.y1, p.x2, p.y2, p.colour);
            break;
        case Primitive::Kind::Box:
            surface.DrawBox(p.x1, p.y1, p.x2, p.y2, p.colour);
            break;
        }
    }
}

const QImage &ChartLayer::Image(qreal devicePixelRatio)
{
    if (!m_imageIsStale && m_imageRatio == devicePixelRatio)
        return m_image;
    const QSize size(std::ceil(m_sizeInPixels.width() * devicePixelRatio),
                     std::ceil(m_sizeInPixels.height() * devicePixelRatio));
    if (m_image.size() != size)
        m_image = QImage(size, QImage::Format_RGB32);
    m_image.fill(Qt::white);
    QPainter painter(&m_image);
    PainterChartSurface surface(painter, devicePixelRatio / TwipsPerPixel);
    Replay(surface);
    m_imageRatio = devicePixelRatio;
    m_imageIsStale = false;
    return m_image;
}

} // namespace bbt
