#include "window/windowprinting.h"

#include "window/chartlayer.h"
#include "window/twipspainting.h"

#include <QPainter>
#include <QPrinter>
#include <QWidget>

namespace bbt {

namespace {

constexpr qreal TwipsPerInch = 1440.0;

void PaintControls(QPainter &painter, QWidget &window, qreal devicePixelsPerPixel)
{
    painter.setTransform(QTransform::fromScale(devicePixelsPerPixel, devicePixelsPerPixel));
    for (QWidget *control : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (control->isVisibleTo(&window))
            control->render(&painter, control->pos(), QRegion(),
                            QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
}

} // namespace

PrintOutcome PrintWindow(QWidget &window, const ChartLayer &chart, QPrinter &printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return PrintOutcome::CouldNotStart;

    const qreal devicePixelsPerTwip = printer.resolution() / TwipsPerInch;
    BeginTwips(painter, devicePixelsPerTwip);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(window.size()) * TwipsPerPixel), Qt::white);
    PainterChartSurface surface(painter);
    chart.Replay(surface);
    PaintControls(painter, window, devicePixelsPerTwip * TwipsPerPixel);

    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return PrintOutcome::Failed;
    return PrintOutcome::Printed;
}

} // namespace bbt
