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
// the text cursor and focus frames; for that, a text box is one that cannot be typed in
// while it is painted, and gets its interaction flags back after. On the window's thread
// only: it reads and sets the widgets.
WindowPicture PaintWindowPicture(QWidget &window, QSizeF clientArea, const ChartLayer &chartLayer);

} // namespace bbt
