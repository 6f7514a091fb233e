#pragma once

#include <QByteArray>
#include <QLocale>

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

// The same page as a PDF of its own, to keep where no printer took it, titled `title`: on A4
// portrait, or Letter where `measurement` is the United States' inches (Britain's locale
// measures in inches too, on A4 paper), the window at real size with its top left 10 mm from
// the paper's top and left edges, so that printed at actual size from any viewer the grid is
// real size. Empty when it could not be made.
QByteArray RenderPdfToKeep(const WindowPicture &picture, const QString &title, QLocale::MeasurementSystem measurement);

} // namespace bbt
