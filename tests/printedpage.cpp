#include "printedpage.h"

#include "windowtesting.h"

#include "paint/pagerendering.h"
#include "window/form1.h"

#include <QFile>
#include <QPageLayout>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSet>
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

// A print server may hand the page on as one picture whose bands meet in seams of
// (254, 254, 254), one pixel wide.
bool IsPaper(QRgb pixel)
{
    return Near(pixel, White, 1);
}

QPoint PageAt(const PrintedPage &page, double xTwips, double yTwips)
{
    return page.fromTwips.map(QPointF(xTwips, yTwips)).toPoint();
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

bool ColumnOnPageHas(const PrintedPage &page, double xTwips, double fromYTwips, double toYTwips, QRgb colour)
{
    for (double y = fromYTwips; y <= toYTwips; y += TwipsPerPagePixel)
        if (Near(page.image.pixel(PageAt(page, xTwips, y)), colour))
            return true;
    return false;
}

} // namespace

QRect OnPage(const PrintedPage &page, QRect twips)
{
    const QRectF area = page.fromTwips.mapRect(QRectF(twips));
    return QRect(area.topLeft().toPoint(), area.bottomRight().toPoint() - QPoint(1, 1));
}

QSizeF ScaleOnPage(const PrintedPage &page)
{
    return {double(page.yellow.width()) * TwipsPerPagePixel / (page.yellowShown.width() * TwipsPerPixel),
            double(page.yellow.height()) * TwipsPerPagePixel / (page.yellowShown.height() * TwipsPerPixel)};
}

int InkIn(const QImage &image, QRect area)
{
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ink += image.valid(x, y) && IsInk(image.pixel(x, y));
    return ink;
}

ProgramRun Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    const bool ended = process.waitForFinished(60000);
    return {ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
            QString::fromUtf8(process.readAllStandardOutput())};
}

QRect YellowGroundOf(Form1 &form)
{
    const QWidget *ground = Find<QPlainTextEdit>(form, "Text1")->viewport();
    return QRect(ground->mapTo(&form, QPoint(0, 0)), ground->size());
}

// The first page of `pdf` in pixels at `dpi`.
QImage PixelsOf(const QString &pdf, int dpi)
{
    QTemporaryDir scratch;
    const QString prefix = scratch.filePath(QStringLiteral("page"));
    if (!Run(QStringLiteral("pdftoppm"),
             {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-singlefile"), pdf, prefix})
             .succeeded)
        return {};
    return QImage(prefix + QStringLiteral(".ppm")).convertToFormat(QImage::Format_RGB32);
}

// How many different heights the top edge of the red curve takes in `area` of `image`: a
// line drawn at a printer's resolution climbs in steps of a few twips, a picture of the
// screen blown up to paper in steps of 15.
int CurveSteps(const QImage &image, QRect area)
{
    QSet<int> tops;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (Near(image.pixel(x, y), Red)) {
                tops.insert(y);
                break;
            }
    return int(tops.size());
}

PrintedPage RenderPrintedPage(const QString &pdf, QRect yellowShown)
{
    PrintedPage page;
    page.image = PixelsOf(pdf, 1440 / TwipsPerPagePixel);
    if (page.image.isNull())
        return {};
    page.yellow
        = BoundsIn(page.image, page.image.rect(), [](QRgb pixel) { return Near(pixel, Yellow, FillTolerance); });
    page.yellowShown = yellowShown;
    // The ground's height, the longer side, measures the scale closer than its width.
    const double scale = double(page.yellow.height()) / (yellowShown.height() * TwipsPerPixel);
    const QPointF origin = QPointF(page.yellow.topLeft()) - QPointF(yellowShown.topLeft()) * TwipsPerPixel * scale;
    page.fromTwips = QTransform(scale, 0, 0, scale, origin.x(), origin.y());
    return page;
}

PrintedPage RenderedWindowPage(Form1 &form, int dpi)
{
    const PrinterPaper paper{.resolution = dpi};
    const QByteArray pdf = RenderPdf(form.TakePicture(), PageLayoutOf(paper), paper.resolution);
    const QTemporaryDir scratch;
    QFile file(scratch.filePath(QStringLiteral("window.pdf")));
    if (pdf.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return {};
    file.close();
    return RenderPrintedPage(file.fileName(), YellowGroundOf(form));
}

void ExpectSampleChartOnPage(const PrintedPage &page)
{
    ASSERT_FALSE(page.image.isNull()) << "pdftoppm could not render the page";
    ASSERT_FALSE(page.yellow.isEmpty()) << "no yellow text box on the page";

    // Real size: a screen pixel is 15 twips on paper as on screen.
    const QSizeF scale = ScaleOnPage(page);
    std::cout << "the window on paper at " << scale.width() << " x " << scale.height() << " of its size\n";
    EXPECT_NEAR(scale.width(), 1, 0.01) << "text box width on paper";
    EXPECT_NEAR(scale.height(), 1, 0.01) << "text box height on paper";

    EXPECT_TRUE(NearPoint(page, PageAt(page, 1500, 800), Major)) << "38.0 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 1500, 5300), Major)) << "35.0 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 1500, 950), Minor)) << "37.9 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 3000, 2000), Major)) << "day 10 line";
    EXPECT_TRUE(NearPoint(page, PageAt(page, 1400, 2000), Minor)) << "day 2 line";
    EXPECT_TRUE(IsPaper(page.image.pixel(PageAt(page, 1100, 1000)))) << "left of the grid";
    EXPECT_TRUE(IsPaper(page.image.pixel(PageAt(page, 1300, 1050)))) << "inside a grid cell";

    for (int day = 1; day < 31; ++day) {
        const double between = 1000 + 200 * day + 100;
        EXPECT_TRUE(ColumnOnPageHas(page, between, 800, 5300, Red)) << "curve after day " << day;
    }
    for (int day = 1; day <= 31; ++day) {
        const bool pink = NearPoint(page, PageAt(page, 1000 + 200 * day - 50, 5270), Pink);
        EXPECT_EQ(pink, IsCheckDayOfSample(day)) << "marker under day " << day;
    }

    // The steep climb from 36.44 on day 26 to 36.72 on day 27: x 6200 to 6400 twips.
    const int steps = CurveSteps(page.image, OnPage(page, QRect(6230, 2600, 140, 700)));
    std::cout << "the curve climbs in " << steps << " steps over 140 twips\n";
    EXPECT_GE(steps, 20) << "the curve is a picture of the screen, not drawn at the printer's resolution";
}

} // namespace bbt::windowtest
