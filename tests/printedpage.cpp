#include "printedpage.h"

#include "windowtesting.h"

#include <QPlainTextEdit>
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

// A print server may hand the page on as one picture whose bands meet in seams of
// (254, 254, 254), one pixel wide.
bool IsPaper(QRgb pixel)
{
    return Near(pixel, White, 1);
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

} // namespace

QRect YellowGroundOf(Form1 &form)
{
    const QWidget *ground = Find<QPlainTextEdit>(form, "Text1")->viewport();
    return QRect(ground->mapTo(&form, QPoint(0, 0)), ground->size());
}

PrintedPage RenderPrintedPage(const QString &pdf, QRect yellowShown)
{
    QTemporaryDir scratch;
    const QString prefix = scratch.filePath(QStringLiteral("page"));
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QString::number(1440 / TwipsPerPagePixel), QStringLiteral("-png"),
                    QStringLiteral("-singlefile"), pdf, prefix});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitCode() != 0)
        return {};
    PrintedPage page;
    page.image = QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    page.yellow = BoundsOf(page.image, Yellow);
    page.yellowShown = yellowShown;
    page.origin = page.yellow.topLeft() - yellowShown.topLeft() * 15 / TwipsPerPagePixel;
    return page;
}

void ExpectSampleChartOnPage(const PrintedPage &page)
{
    ASSERT_FALSE(page.image.isNull()) << "pdftoppm could not render the page";
    ASSERT_FALSE(page.yellow.isEmpty()) << "no yellow text box on the page";

    // Real size: a screen pixel is 15 twips on paper as on screen.
    const QSizeF onPaper = QSizeF(page.yellow.size()) * TwipsPerPagePixel;
    const QSizeF onScreen = QSizeF(page.yellowShown.size()) * 15;
    std::cout << "yellow ground on paper: " << onPaper.width() << " x " << onPaper.height() << " twips, on screen "
              << onScreen.width() << " x " << onScreen.height() << " twips\n";
    EXPECT_NEAR(onPaper.width(), onScreen.width(), onScreen.width() * 0.01) << "text box width on paper";
    EXPECT_NEAR(onPaper.height(), onScreen.height(), onScreen.height() * 0.01) << "text box height on paper";

    EXPECT_TRUE(NearPoint(page, PageAt(page, 1500, 800), Major)) << "38.0 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 1500, 5300), Major)) << "35.0 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 1500, 950), Minor)) << "37.9 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 3000, 2000), Major)) << "day 10 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 1400, 2000), Minor)) << "day 2 line";
    EXPECT_TRUE(IsPaper(page.image.pixel(PageAt(page, 1100, 1000)))) << "left of the grid";
    EXPECT_TRUE(IsPaper(page.image.pixel(PageAt(page, 1300, 1050)))) << "inside a grid cell";

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
