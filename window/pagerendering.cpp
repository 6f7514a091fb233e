#include "window/pagerendering.h"

#include "window/chartlayer.h"
#include "window/painterchartsurface.h"
#include "window/twips.h"

#include <QBuffer>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QWidget>

namespace bbt {

namespace {

void PaintControls(QPainter &painter, QWidget &window, qreal devicePixelsPerTwip)
{
    const qreal devicePixelsPerPixel = devicePixelsPerTwip * TwipsPerPixel;
    painter.setTransform(QTransform::fromScale(devicePixelsPerPixel, devicePixelsPerPixel));
    for (QWidget *control : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (control->isVisibleTo(&window))
            control->render(&painter, control->pos(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
}

} // namespace

bool RenderWindowPage(QWidget &window, const ChartLayer &chart, QPagedPaintDevice &device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;

    const qreal devicePixelsPerTwip = device.logicalDpiX() / TwipsPerInch;
    PainterChartSurface surface(painter, devicePixelsPerTwip);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(window.size()) * TwipsPerPixel), Qt::white);
    chart.Replay(surface);
    PaintControls(painter, window, devicePixelsPerTwip);
    return painter.end();
}

QByteArray RenderWindowPdf(QWidget &window, const ChartLayer &chart, const QPageLayout &layout, int resolution)
{
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&document);
        writer.setTitle(window.windowTitle());
        writer.setCreator(window.windowTitle());
        writer.setResolution(resolution);
        writer.setPageLayout(layout);
        if (!RenderWindowPage(window, chart, writer))
            return {};
    }
    return document.data();
}

} // namespace bbt
