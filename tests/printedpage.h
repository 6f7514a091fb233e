#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace bbt {
class Form1;
}

// A printed page turned back into pixels, to check what reached the paper.
namespace bbt::windowtest {

// Pixels a twip at the resolution pages are rendered at: 144 dpi, ten twips a pixel.
inline constexpr int TwipsPerPagePixel = 10;

struct PrintedPage {
    std::shared_ptr<QTemporaryDir> scratch; // holds the PDF when the test made it
    QString pdf;
    QImage image;
    QRect yellow; // the text box's yellow ground, in page pixels
    QRect yellowShown; // the same ground in the window, in screen pixels
    QPoint origin; // where the window's top left corner landed, in page pixels
};

// Renders the first page of `pdf` with pdftoppm and finds the window on it by the yellow
// ground of its text box, which the window shows at `yellowShown`. An empty image means
// the page could not be rendered.
PrintedPage RenderPrintedPage(const QString &pdf, QRect yellowShown);

// The window rendered on a PDF page at `dpi` dots an inch, as "印刷" renders it, and that
// page turned into pixels.
PrintedPage RenderedWindowPage(Form1 &form, int dpi);

// Where the window shows the text box's yellow ground, in its own pixels.
QRect YellowGroundOf(Form1 &form);

// Checks that the page shows the window after the sample month was drawn with its check
// days: the grid, the red curve, the pink boxes, white elsewhere, all at real size.
void ExpectSampleChartOnPage(const PrintedPage &page);

} // namespace bbt::windowtest
