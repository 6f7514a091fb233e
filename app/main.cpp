#include "chart/chart.h"
#include "record/recordreader.h"
#include "window/imagechartsurface.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QImage image(665, 433, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        bbt::ImageChartSurface surface(image, 1.0);
        bbt::DrawChart(surface, {}, {}, false);
    }
    QLabel chart;
    chart.setPixmap(QPixmap::fromImage(image));
    chart.show();
    return application.exec();
}
