#pragma once

#include <QImage>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTransform>

namespace bbt {
class Form1;
}

// A printed page turned back into pixels, to check what reached the paper: where the window
// landed on it and what ink is there; and the one way the tests run a program, such as
// pdftoppm or lpstat.
namespace bbt::windowtest {

// Twips a pixel at the resolution pages are rendered at: 288 dpi, fine enough to tell a
// line's steps of a few twips from the screen's pixels of 15.
inline constexpr int TwipsPerPagePixel = 5;

struct PrintedPage {
    QImage image;
    QRect yellow; // the text box's yellow ground, in page pixels
    QRect yellowShown; // the same ground in the window, in screen pixels
    QTransform fromTwips; // where a point of the window, in twips, landed, in page pixels
};

// Where `twips`, a rectangle of the window, landed on the page, in page pixels.
QRect OnPage(const PrintedPage &page, QRect twips);
// The window's size on the page against its size on screen, across and down: 1 at real size.
QSizeF ScaleOnPage(const PrintedPage &page);

// How many pixels of `area` of `image` are ink (IsInk).
int InkIn(const QImage &image, QRect area);

// A program run to its end, at most a minute.
struct ProgramRun {
    bool succeeded = false; // it ended of itself with status 0
    QString output; // what it wrote on its standard output
};
ProgramRun Run(const QString &program, const QStringList &arguments);

// Renders the first page of `pdf` with pdftoppm and finds the window on it, where it lies
// and at what scale, by the yellow ground of its text box, which the window shows at
// `yellowShown`. An empty image means the page could not be rendered.
PrintedPage RenderPrintedPage(const QString &pdf, QRect yellowShown);

// The window rendered on a PDF page of A4 without margins at `dpi` dots an inch, as "印刷"
// renders it, and that page turned into pixels.
PrintedPage RenderedWindowPage(Form1 &form, int dpi);

// Where the window shows the text box's yellow ground, in its own pixels.
QRect YellowGroundOf(Form1 &form);

// Checks that the page shows the window after the sample month was drawn with its check
// days: the grid, the red curve, the pink boxes, white elsewhere, all at real size.
void ExpectSampleChartOnPage(const PrintedPage &page);

} // namespace bbt::windowtest
