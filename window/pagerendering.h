#pragma once

#include <QByteArray>

class QPagedPaintDevice;
class QPageLayout;

namespace bbt {

struct PageRecording;

// A printer's sheet: its size and the margins it cannot print on in millimetres, and the
// dots an inch it prints.
struct Paper {
    double width = 210, length = 297;
    double left = 0, top = 0, right = 0, bottom = 0;
    int resolution = 600;
};

// Puts a recorded window on a page of `device`, at the top left of its printable area: at
// real size, one twip of the window one twip of paper, where it fits, and scaled down
// evenly to fit where it does not, never cut. Everything is drawn at the device's
// resolution. Needs no widget, so it runs on any thread. Returns whether the device took
// the page.
bool RenderRecordedPage(const PageRecording &page, QPagedPaintDevice &device);

// The same page as a PDF document in memory, for a printer with `layout` and `resolution`
// dots an inch; empty when it could not be made. Runs on any thread.
QByteArray RenderRecordedPdf(const PageRecording &page, const QPageLayout &layout, int resolution);
// The same for `paper`, portrait.
QByteArray RenderRecordedPdf(const PageRecording &page, const Paper &paper);

} // namespace bbt
