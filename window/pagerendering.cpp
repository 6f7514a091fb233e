#include "window/pagerendering.h"

#include "print/printreport.h"
#include "window/pagerecording.h"
#include "window/twips.h"

#include <QBuffer>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>

#include <algorithm>

namespace bbt {

namespace {

// How much the window must shrink to fit the device's printable area; 1 where it fits.
qreal FitOnPage(const PageRecording &page, const QPagedPaintDevice &device)
{
    const QSizeF printable = QSizeF(device.width(), device.height()) * TwipsPerInch / device.logicalDpiX();
    return std::min({1.0, printable.width() / page.size.width(), printable.height() / page.size.height()});
}

} // namespace

bool RenderRecordedPage(const PageRecording &page, QPagedPaintDevice &device)
{
    // Each rendering replays a picture of its own: replaying moves the picture's reading
    // position, which a picture shared with another thread must not do.
    QPicture picture;
    picture.setData(page.picture.constData(), uint(page.picture.size()));

    // A page with no room for the window would go out blank, and be taken for the chart.
    const qreal fit = FitOnPage(page, device);
    if (!(fit > 0))
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Replaying a picture scales it from the screen's logical resolution to the device's;
    // the recording is in twips, so the page starts from twips.
    const qreal scale = fit / TwipsPerInch;
    painter.scale(scale * picture.logicalDpiX(), scale * picture.logicalDpiY());
    painter.drawPicture(0, 0, picture);
    return painter.end();
}

QByteArray RenderRecordedPdf(const PageRecording &page, const PrinterPage &paper)
{
    const QPageSize size(QSizeF(paper.width, paper.length), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    const QMarginsF margins(paper.left, paper.top, paper.right, paper.bottom);
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&document);
        writer.setTitle(page.title);
        writer.setCreator(page.title);
        writer.setResolution(paper.resolution);
        const QPageLayout layout(size, QPageLayout::Portrait, margins, QPageLayout::Millimeter);
        if (!size.isValid() || !layout.isValid() || !writer.setPageLayout(layout) || !RenderRecordedPage(page, writer))
            return {};
    }
    return document.data();
}

} // namespace bbt
