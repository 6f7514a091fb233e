#pragma once

#include "chart/chartsurface.h"

#include <QImage>
#include <QSize>

#include <cstddef>
#include <list>
#include <unordered_map>
#include <vector>

namespace bbt {

// One line or box of the chart as it was asked for, in twips.
struct ChartPrimitive {
    enum class Kind : std::uint8_t { Line, Box };

    Kind kind = Kind::Line;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    RgbColour colour;

    friend bool operator==(const ChartPrimitive &, const ChartPrimitive &) = default;
};

struct ChartPrimitiveHash {
    std::size_t operator()(const ChartPrimitive &primitive) const noexcept;
};

// Everything drawn on the window's chart so far, in drawing order, and its picture at the
// screen's resolution. Drawings only ever add: a later primitive lands on top of the
// earlier ones. Drawing a primitive that is already there moves it to the top instead of
// keeping a second copy; the picture is the same, since every primitive is opaque, and
// so redrawing the same month again and again does not grow the layer. The picture
// catches up with new primitives when it is next asked for, in one painting.
class ChartLayer final {
public:
    explicit ChartLayer(QSize sizeInPixels);

    void Add(const ChartPrimitive &primitive);

    bool IsEmpty() const;
    std::size_t PrimitiveCount() const;
    // Draws every primitive, oldest first.
    void Replay(ChartSurface &surface) const;
    // The picture on white at `devicePixelRatio` device pixels per pixel.
    const QImage &Picture(qreal devicePixelRatio);

private:
    using Primitives = std::list<ChartPrimitive>;

    QSize m_sizeInPixels;
    Primitives m_primitives;
    std::unordered_map<ChartPrimitive, Primitives::iterator, ChartPrimitiveHash> m_index;
    QImage m_picture;
    qreal m_pictureRatio = 0;
    std::vector<ChartPrimitive> m_unpainted; // added since the picture was last asked for
};

} // namespace bbt
