#include "paint/pagerendering.h"

#include "paint/twips.h"
#include "paint/windowpicture.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>

#include <algorithm>

namespace bbt {

namespace {

// How much the window must shrink to fit the device's printable area; 1 where it fits.
qreal FitOnPage(const WindowPicture &picture, const QPagedPaintDevice &device)
{
    const QSizeF printable = QSizeF(device.width(), device.height()) * TwipsPerInch / device.logicalDpiX();
    return std::min({1.0, printable.width() / picture.size.width(), printable.height() / picture.size.height()});
}

} // namespace

bool RenderOnPage(const WindowPicture &picture, QPagedPaintDevice &device)
{
    // Each rendering replays a QPicture of its own: replaying moves its reading position,
    // which one shared with another thread must not do.
    QPicture drawing;
    drawing.setData(picture.drawing.constData(), uint(picture.drawing.size()));

    // A page with no room for the window would go out blank, and be taken for the chart.
    const qreal fit = FitOnPage(picture, device);
    if (!(fit > 0))
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Replaying a QPicture scales it from the screen's logical resolution to the device's;
    // the drawing is in twips, so the page starts from twips.
    const qreal scale = fit / TwipsPerInch;
    painter.scale(scale * drawing.logicalDpiX(), scale * drawing.logicalDpiY());
    painter.drawPicture(0, 0, drawing);
    return painter.end();
}

QByteArray RenderPdf(const WindowPicture &picture, const QPageLayout &layout, int resolution)
{
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&document);
        writer.setTitle(picture.title);
        writer.setCreator(picture.title);
        writer.setResolution(resolution);
        if (!layout.isValid() || !writer.setPageLayout(layout) || !RenderOnPage(picture, writer))
            return {};
    }
    return document.data();
}

} // namespace bbt
