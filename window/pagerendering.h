#pragma once

#include <QByteArray>

class QPagedPaintDevice;

namespace bbt {

struct PageRecording;
struct PrinterPage;

// Puts a recorded window on a page of `device`, at the top left of its printable area: at
// real size, one twip of the window one twip of paper, where it fits, and scaled down
// evenly to fit where it does not, never cut. Everything is drawn at the device's
// resolution. Needs no widget, so it runs on any thread. Returns whether the device took
// the page.
bool RenderRecordedPage(const PageRecording &page, QPagedPaintDevice &device);

// The same page as a PDF document in memory for the printer's paper, portrait, at its
// resolution; empty when it could not be made. Runs on any thread.
QByteArray RenderRecordedPdf(const PageRecording &page, const PrinterPage &paper);

} // namespace bbt
