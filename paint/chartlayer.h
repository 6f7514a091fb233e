#pragma once

#include "chart/chartsurface.h"

#include <QImage>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bbt {

// The window's chart: every line and box drawn on the client area so far, in drawing
// order, and its image at the screen's resolution. Drawings only ever add: a later
// primitive lands on top of the earlier ones. Drawing a primitive that is already there
// moves it to the top instead of keeping a second copy; the image is the same, since
// every primitive is opaque, and so redrawing the same month again and again does not
// grow the layer. The image is painted afresh when it is next asked for after a change.
class ChartLayer final : public ChartSurface {
public:
    explicit ChartLayer(QSize sizeInPixels);

    void DrawLine(float x1, float y1, float x2, float y2, RgbColour colour) override;
    void DrawBox(float x1, float y1, float x2, float y2, RgbColour colour) override;

    bool IsEmpty() const;
    std::size_t PrimitiveCount() const;
    // Starts a new drawing: the primitives drawn from now on are the last drawing's.
    void BeginDrawing();
    // Whether primitives of earlier drawings lie beneath the last one: they show wherever
    // it does not cover them.
    bool HoldsEarlierDrawings() const;
    // Draws every primitive again, oldest first: the printer's copy, at its resolution.
    void Replay(ChartSurface &surface) const;
    // The chart's image on white at `devicePixelRatio` device pixels per pixel.
    const QImage &Image(qreal devicePixelRatio);

private:
    struct Primitive {
        enum class Kind : std::uint8_t { Line, Box };

        Kind kind = Kind::Line;
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        RgbColour colour;

        friend bool operator==(const Primitive &, const Primitive &) = default;
    };

    void Add(const Primitive &primitive);

    QSize m_sizeInPixels;
    std::vector<Primitive> m_primitives;
    std::size_t m_lastDrawingSize = 0; // the last drawing's primitives, at the top
    QImage m_image;
    qreal m_imageRatio = 0;
    bool m_imageIsStale = true;
};

} // namespace bbt
