#pragma once

#include <QtGlobal>

namespace bbt {

// Positions and sizes of the window and its chart are twips. On screen 15 twips are one
// device-independent pixel: 1440 twips an inch at Qt's 96 logical dots an inch.
inline constexpr qreal TwipsPerPixel = 15.0;
inline constexpr qreal TwipsPerInch = 1440.0;

inline int TwipsToPixels(int twips)
{
    return qRound(twips / TwipsPerPixel);
}

} // namespace bbt
