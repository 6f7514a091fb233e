#include "paint/pagerendering.h"

#include "paint/twips.h"
#include "paint/windowpicture.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>

#include <algorithm>

namespace bbt {

namespace {

// How much the window must shrink to fit the device's printable area right of and below
// `corner`, in twips; 1 where it fits.
qreal FitOnPage(const WindowPicture &picture, const QPagedPaintDevice &device, QPointF corner)
{
    const QSizeF printable = QSizeF(device.width(), device.height()) * TwipsPerInch / device.logicalDpiX()
        - QSizeF(corner.x(), corner.y());
    return std::min({1.0, printable.width() / picture.size.width(), printable.height() / picture.size.height()});
}

// The window on a page of `device`, its top left `corner` twips from the printable area's.
bool Render(const WindowPicture &picture, QPagedPaintDevice &device, QPointF corner)
{
    // Each rendering replays a QPicture of its own: replaying moves its reading position,
    // which one shared with another thread must not do.
    QPicture drawing;
    drawing.setData(picture.drawing.constData(), uint(picture.drawing.size()));

    // A page with no room for the window would go out blank, and be taken for the chart.
    const qreal fit = FitOnPage(picture, device, corner);
    if (!(fit > 0))
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Replaying a QPicture scales it from the screen's logical resolution to the device's;
    // the drawing is in twips, so the page starts from twips.
    const qreal devicePerTwip = device.logicalDpiX() / TwipsPerInch;
    painter.translate(corner * devicePerTwip);
    const qreal scale = fit / TwipsPerInch;
    painter.scale(scale * drawing.logicalDpiX(), scale * drawing.logicalDpiY());
    painter.drawPicture(0, 0, drawing);
    return painter.end();
}

// A page kept as a file has no printer's unprintable margins to keep clear, and is drawn a
// twip a dot, so that every line keeps its width and place exactly. Its 10 mm from the
// paper's edges are the window's own offset, as Qt's PDF writer lays margins out in whole
// points (28 pt, 9.88 mm).
constexpr qreal KeptCornerTwips = 10 / 25.4 * TwipsPerInch;
constexpr int KeptResolution = 1440;

// The document is made by the program, whose name the window's caption bears.
QByteArray Pdf(const WindowPicture &picture, const QPageLayout &layout, int resolution, const QString &title,
               QPointF corner)
{
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&document);
        writer.setTitle(title);
        writer.setCreator(picture.title);
        writer.setResolution(resolution);
        if (!layout.isValid() || !writer.setPageLayout(layout) || !Render(picture, writer, corner))
            return {};
    }
    return document.data();
}

} // namespace

bool RenderOnPage(const WindowPicture &picture, QPagedPaintDevice &device)
{
    return Render(picture, device, {});
}

QByteArray RenderPdf(const WindowPicture &picture, const QPageLayout &layout, int resolution)
{
    return Pdf(picture, layout, resolution, picture.title, {});
}

QByteArray RenderPdfToKeep(const WindowPicture &picture, const QString &title, QLocale::MeasurementSystem measurement)
{
    const QPageSize paper(measurement == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4);
    return Pdf(picture, QPageLayout(paper, QPageLayout::Portrait, QMarginsF()), KeptResolution, title,
               QPointF(KeptCornerTwips, KeptCornerTwips));
}

} // namespace bbt
