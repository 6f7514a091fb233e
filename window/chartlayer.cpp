#include "window/chartlayer.h"

#include "window/imagechartsurface.h"

#include <bit>
#include <cmath>

namespace bbt {

namespace {

void Draw(ChartSurface &surface, const ChartPrimitive &primitive)
{
    const auto &p = primitive;
    switch (p.kind) {
    case ChartPrimitive::Kind::Line:
        surface.DrawLine(p.x1, p.y1, p.x2, p.y2, p.colour);
        return;
    case ChartPrimitive::Kind::Box:
        surface.DrawBox(p.x1, p.y1, p.x2, p.y2, p.colour);
        return;
    }
}

std::size_t Combine(std::size_t seed, std::size_t value)
{
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

// Equal floats must hash alike: 0.0 and -0.0 compare equal but differ in their bits.
std::size_t HashCoordinate(float value)
{
    return std::bit_cast<std::uint32_t>(value == 0.0f ? 0.0f : value);
}

} // namespace

std::size_t ChartPrimitiveHash::operator()(const ChartPrimitive &p) const noexcept
{
    std::size_t hash = static_cast<std::size_t>(p.kind);
    for (float coordinate : {p.x1, p.y1, p.x2, p.y2})
        hash = Combine(hash, HashCoordinate(coordinate));
    const std::uint32_t colour = p.colour.red << 16 | p.colour.green << 8 | p.colour.blue;
    return Combine(hash, colour);
}

ChartLayer::ChartLayer(QSize sizeInPixels)
    : m_sizeInPixels(sizeInPixels)
{
}

void ChartLayer::Add(const ChartPrimitive &primitive)
{
    if (const auto found = m_index.find(primitive); found != m_index.end()) {
        m_primitives.splice(m_primitives.end(), m_primitives, found->second);
    } else {
        m_primitives.push_back(primitive);
        m_index.emplace(primitive, std::prev(m_primitives.end()));
    }
    if (m_picture.isNull())
        return;
    if (m_unpainted.size() < m_primitives.size()) {
        m_unpainted.push_back(primitive);
    } else {
        // Painting everything afresh is cheaper now than catching up.
        m_picture = QImage();
        m_unpainted.clear();
    }
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
    for (const ChartPrimitive &primitive : m_primitives)
        Draw(surface, primitive);
}

const QImage &ChartLayer::Picture(qreal devicePixelRatio)
{
    if (m_picture.isNull() || m_pictureRatio != devicePixelRatio) {
        const QSize size(std::ceil(m_sizeInPixels.width() * devicePixelRatio),
                         std::ceil(m_sizeInPixels.height() * devicePixelRatio));
        m_picture = QImage(size, QImage::Format_RGB32);
        m_picture.fill(Qt::white);
        m_pictureRatio = devicePixelRatio;
        ImageChartSurface surface(m_picture, m_pictureRatio);
        Replay(surface);
        m_unpainted.clear();
    } else if (!m_unpainted.empty()) {
        ImageChartSurface surface(m_picture, m_pictureRatio);
        for (const ChartPrimitive &primitive : m_unpainted)
            Draw(surface, primitive);
        m_unpainted.clear();
    }
    return m_picture;
}

} // namespace bbt
