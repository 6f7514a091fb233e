#pragma once

#include <QByteArray>

class QPageLayout;
class QPagedPaintDevice;

namespace bbt {

struct WindowPicture;

// Puts the picture of the window on a page of `device`, at the top left of its printable
// area: at real size, one twip of the window one twip of paper, where it fits, and scaled
// down evenly to fit where it does not, never cut. Everything is drawn at the device's
// resolution. Returns whether the device took the page.
bool RenderOnPage(const WindowPicture &picture, QPagedPaintDevice &device);

// The same page as a PDF document in memory, laid out as `layout` at `resolution` dots an
// inch; empty when it could not be made.
QByteArray RenderPdf(const WindowPicture &picture, const QPageLayout &layout, int resolution);

} // namespace bbt
