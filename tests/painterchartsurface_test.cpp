#include "chart/chart.h"
#include "paint/painterchartsurface.h"
#include "windowtesting.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace bbt {
namespace {

using namespace bbt::windowtest;

// Days 5 and 6 at 36.5 degrees give a level red segment at y 3050; day 20 is a check day.
QImage DrawTestMonth(qreal scale)
{
    QImage image(QSize(665, 433) * scale, QImage::Format_RGB32);
    image.fill(White);
    DayTemperatureTable temperature{};
    DayFlagTable flag{};
    temperature[5] = 36.5;
    temperature[6] = 36.5;
    temperature[20] = 36.0;
    flag[20] = 1;
    QPainter painter(&image);
    PainterChartSurface surface(painter, scale / TwipsPerPixel);
    DrawChart(surface, temperature, flag, true);
    painter.end();
    return image;
}

struct PixelCase {
    const char *what;
    int x, y;
    Pixel colour;
};

void ExpectPixels(const QImage &image, std::initializer_list<PixelCase> cases)
{
    for (const PixelCase &c : cases)
        EXPECT_EQ(Pixel(image.pixel(c.x, c.y)), c.colour) << c.what << " at " << c.x << ',' << c.y;
}

TEST(PainterChartSurface, DrawsTheChartOnItsPixelsAtRealSize)
{
    const QImage image = DrawTestMonth(1.0);
    // A line at t twips covers pixel floor(t / 15).
    ExpectPixels(image,
                 {{"major 38.0 line", GridColumn, Row38, Major},
                  {"minor 37.9 line", 100, 63, Minor},
                  {"major day 1 line", Day1Column, 100, Major},
                  {"minor day 2 line", 93, 100, Minor},
                  {"red curve from day 5 to day 6", 140, 203, Red},
                  {"pink marker under day 20", MarkerColumn(20), MarkerRow, Pink},
                  {"white above the grid", 200, 40, White},
                  {"white left of the grid", 60, 100, White},
                  {"white inside a grid cell", 86, 58, White},
                  {"white right of the grid", 490, 100, White}});
}

TEST(PainterChartSurface, DrawsAtDeviceResolutionAtTwiceTheScale)
{
    const QImage image = DrawTestMonth(2.0);
    ExpectPixels(image,
                 {{"38.0 line, first device row", GridColumnAtTwice, Row38AtTwice, Major},
                  {"38.0 line, second device row", GridColumnAtTwice, Row38AtTwice + 1, Major},
                  {"just below the 38.0 line", GridColumnAtTwice, Row38AtTwice + 2, White},
                  {"major day 1 line, both columns", 159, 200, Major},
                  {"major day 1 line, second column", 160, 200, Major},
                  {"red curve", 280, 406, Red},
                  {"pink marker", 656, 702, Pink}});
}

TEST(PainterChartSurface, RulesTheGridEvenlyAtAnyScale)
{
    // Screens at the usual scales, fractional ones too, and printers at 300 and 600 dpi.
    for (const qreal ratio : {1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 300 / 96.0, 600 / 96.0}) {
        QImage image(QSize(7400, 5500) * ratio / TwipsPerPixel, QImage::Format_Grayscale8);
        image.fill(Qt::white);
        QPainter painter(&image);
        PainterChartSurface surface(painter, ratio / TwipsPerPixel);
        DrawChart(surface, DayTemperatureTable{}, DayFlagTable{}, false);
        painter.end();
        ExpectEvenRuling(image, ratio);
    }
}

} // namespace
} // namespace bbt
