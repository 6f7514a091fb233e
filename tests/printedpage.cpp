#include "printedpage.h"

#include "windowtesting.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

namespace bbt::windowtest {

namespace {

// PDF renderers blend the edges of thin lines; a line's pixel counts as its colour within
// this distance per channel. Filled areas keep their colour exactly.
constexpr int LineTolerance = 40;
constexpr int FillTolerance = 2;

bool Near(QRgb pixel, QRgb colour, int tolerance = LineTolerance)
{
    return std::abs(qRed(pixel) - qRed(colour)) <= tolerance && std::abs(qGreen(pixel) - qGreen(colour)) <= tolerance
        && std::abs(qBlue(pixel) - qBlue(colour)) <= tolerance;
}

QRect BoundsOf(const QImage &image, QRgb colour)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Near(image.pixel(x, y), colour, FillTolerance))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// From `start`, steps by `step` while the pixels are not white; returns the last one.
QPoint LastNonWhite(const QImage &image, QPoint start, QPoint step)
{
    QPoint at = start;
    while (image.valid(at + step) && image.pixel(at + step) != White)
        at += step;
    return at;
}

// The text box reaches from the yellow ground out to the first white pixel: frame and
// scroll bar included.
QRect DataBoxAround(const QImage &image, QRect yellow)
{
    const QPoint centre = yellow.center();
    const int left = LastNonWhite(image, {yellow.left(), centre.y()}, {-1, 0}).x();
    const int right = LastNonWhite(image, {yellow.right(), centre.y()}, {1, 0}).x();
    const int top = LastNonWhite(image, {centre.x(), yellow.top()}, {0, -1}).y();
    const int bottom = LastNonWhite(image, {centre.x(), yellow.bottom()}, {0, 1}).y();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QPoint PageAt(const PrintedPage &page, double xTwips, double yTwips)
{
    return page.origin + QPoint(qRound(xTwips / TwipsPerPagePixel), qRound(yTwips / TwipsPerPagePixel));
}

// Whether the colour is found within two pixels of the point, the width of a line.
bool NearPoint(const PrintedPage &page, QPoint at, QRgb colour)
{
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            if (page.image.valid(at + QPoint(dx, dy)) && Near(page.image.pixel(at + QPoint(dx, dy)), colour))
                return true;
    return false;
}

bool ColumnHas(const PrintedPage &page, double xTwips, double fromYTwips, double toYTwips, QRgb colour)
{
    for (double y = fromYTwips; y <= toYTwips; y += TwipsPerPagePixel)
        if (Near(page.image.pixel(PageAt(page, xTwips, y)), colour))
            return true;
    return false;
}

constexpr int DataBoxLeft = 7920, DataBoxTop = 600, DataBoxWidth = 1935, DataBoxHeight = 5775;

} // namespace

PrintedPage RenderPrintedPage(const QString &pdf)
{
    QTemporaryDir scratch;
    const QString prefix = scratch.filePath(QStringLiteral("page"));
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(1440 / TwipsPerPagePixel),
                                                QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, prefix});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitCode() != 0)
        return {};
    PrintedPage page;
    page.image = QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    const QRect yellow = BoundsOf(page.image, Yellow);
    if (yellow.isEmpty())
        return page;
    page.dataBox = DataBoxAround(page.image, yellow);
    page.origin = page.dataBox.topLeft() - QPoint(DataBoxLeft, DataBoxTop) / TwipsPerPagePixel;
    return page;
}

void ExpectSampleChartOnPage(const PrintedPage &page)
{
    ASSERT_FALSE(page.image.isNull()) << "pdftoppm could not render the page";
    ASSERT_FALSE(page.dataBox.isEmpty()) << "no yellow text box on the page";

    const double widthTwips = page.dataBox.width() * TwipsPerPagePixel;
    const double heightTwips = page.dataBox.height() * TwipsPerPagePixel;
    std::cout << "text box on paper: " << widthTwips << " x " << heightTwips << " twips\n";
    EXPECT_NEAR(widthTwips, DataBoxWidth, DataBoxWidth * 0.01) << "text box width on paper";
    EXPECT_NEAR(heightTwips, DataBoxHeight, DataBoxHeight * 0.01) << "text box height on paper";

    EXPECT_TRUE(NearPoint(page, PageAt(page, 1500, 800), Major)) << "38.0 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 1500, 5300), Major)) << "35.0 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 1500, 950), Minor)) << "37.9 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 3000, 2000), Major)) << "day 10 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 1400, 2000), Minor)) << "day 2 line";
    EXPECT_EQ(page.image.pixel(PageAt(page, 1100, 1000)), White) << "left of the grid";
    EXPECT_EQ(page.image.pixel(PageAt(page, 1300, 1050)), White) << "inside a grid cell";

    for (int day = 1; day < 31; ++day) {
        const double between = 1000 + 200 * day + 100;
        EXPECT_TRUE(ColumnHas(page, between, 800, 5300, Red)) << "curve after day " << day;
    }
    for (int day = 1; day <= 31; ++day) {
        const bool pink = NearPoint(page, PageAt(page, 1000 + 200 * day - 50, 5270), Pink);
        EXPECT_EQ(pink, IsCheckDayOfSample(day)) << "marker under day " << day;
    }
}

} // namespace bbt::windowtest
