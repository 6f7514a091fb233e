#pragma once

#include "paint/windowpicture.h"

#include <QSizeF>

class QWidget;

namespace bbt {

class ChartLayer;

// Paints the picture of the client area of `window`, `clientArea` twips from its top left
// corner, with `chartLayer` on it; the client area keeps its size however the window is
// sized. It draws the controls itself rather than through the widget style, whose buttons
// and scroll arrows come from bitmaps, and leaves out what only shows where the focus is:
// the text cursor and focus frames. On the window's thread only: it reads the widgets.
WindowPicture PaintWindowPicture(const QWidget &window, QSizeF clientArea, const ChartLayer &chartLayer);

} // namespace bbt
