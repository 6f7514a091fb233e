#pragma once

#include <cstdint>

namespace bbt {

struct RgbColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const RgbColour &, const RgbColour &) = default;
};

// Where the chart is drawn. Coordinates are twips (1/1440 inch) from the top left corner
// of the window's client area, y downward. A surface only ever adds to what it shows.
class ChartSurface {
public:
    virtual ~ChartSurface() = default;

    // A straight line from the first point to the second.
    virtual void DrawLine(float x1, float y1, float x2, float y2, RgbColour colour) = 0;
    // An axis-parallel rectangle with the two points as opposite corners.
    virtual void DrawBox(float x1, float y1, float x2, float y2, RgbColour colour) = 0;
};

} // namespace bbt
