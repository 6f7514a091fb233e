#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>

class QWidget;

namespace bbt {

class ChartLayer;

// The window as it stood at one moment, to be put on paper later, on any thread: its
// white ground, the chart drawn so far and every control as the user saw it, all as
// lines, fills and text in twips, with no bitmap anywhere. A plain value that shares
// nothing with the window, so whatever the user does afterwards does not reach it.
struct PageRecording {
    QString title; // the window's caption, the document's title
    QSizeF size; // the client area in twips
    QByteArray picture; // the drawing, a QPicture's data in twips
};

// Records the client area of `window`, `clientArea` twips from its top left corner, with
// `chart` on it; the client area keeps its size however the window is sized. It draws the
// controls itself rather than through the widget style, whose buttons and scroll arrows
// come from bitmaps, and leaves out what only shows where the focus is: the text cursor
// and focus frames.
PageRecording RecordWindow(const QWidget &window, QSizeF clientArea, const ChartLayer &chart);

} // namespace bbt
