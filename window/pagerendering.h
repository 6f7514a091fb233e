#pragma once

#include <QByteArray>

class QPagedPaintDevice;
class QPageLayout;
class QWidget;

namespace bbt {

class ChartLayer;

// Renders `window` as it stands on a page at its real size, one twip of the window being
// one twip of paper, at the top left of the printable area: its white ground, the chart
// drawn so far and every control on top. Everything is drawn at the device's resolution;
// the chart comes from its primitives, not from the screen's picture. Returns whether the
// device took the page.
bool RenderWindowPage(QWidget &window, const ChartLayer &chart, QPagedPaintDevice &device);

// The same page as a PDF document in memory, for a printer with `layout` and `resolution`
// dots per inch; empty when it could not be made.
QByteArray RenderWindowPdf(QWidget &window, const ChartLayer &chart, const QPageLayout &layout, int resolution);

} // namespace bbt
