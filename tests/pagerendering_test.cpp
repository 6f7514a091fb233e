#include "print/printreport.h"
#include "printedpage.h"
#include "windowtesting.h"

#include "paint/pagerendering.h"
#include "window/windowpainting.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <iostream>
#include <thread>

namespace bbt {
namespace {

using namespace bbt::windowtest;
using facts::PrintTo;

constexpr double MillimetresPerInch = 25.4;
constexpr int PagePixelsPerInch = 1440 / TwipsPerPagePixel;

// The sample month drawn with its check days.
std::unique_ptr<Form1> FormShowingCheckDays()
{
    auto form = OpenForm();
    Click(*form, "Check1");
    Click(*form, "Command3");
    return form;
}

PrinterPaper PaperOf(QPageSize::PageSizeId id, const QMarginsF &margins)
{
    const QSizeF size = QPageSize(id).size(QPageSize::Millimeter);
    return {"", 600, size.width(), size.height(), margins.left(), margins.top(), margins.right(), margins.bottom()};
}

// The document "印刷" sends for `paper`.
QByteArray PdfFor(const WindowPicture &picture, const PrinterPaper &paper)
{
    return RenderPdf(picture, PageLayoutOf(paper), paper.resolution);
}

const PrinterPaper A4 = PaperOf(QPageSize::A4, QMarginsF(4.2, 4.2, 4.2, 4.2));

// `pdf` as a file in `folder`; an empty path when it could not be written.
QString Saved(const QByteArray &pdf, const QTemporaryDir &folder)
{
    QFile file(folder.filePath(QStringLiteral("page.pdf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return {};
    return file.fileName();
}

// What a program run on `pdf` prints on its standard output: `options`, then the PDF's
// path, then `after`.
QString OutputOf(const QString &program, QStringList options, const QByteArray &pdf, const QStringList &after = {})
{
    const QTemporaryDir scratch;
    return Run(program, options << Saved(pdf, scratch) << after).output;
}

// `pdfimages -list` heads its table with two lines, then lists one image a line.
int ImagesIn(const QByteArray &pdf)
{
    const QStringList lines = OutputOf(QStringLiteral("pdfimages"), {QStringLiteral("-list")}, pdf).split(u'\n');
    return int(std::count_if(lines.begin() + std::min<qsizetype>(2, lines.size()), lines.end(),
                             [](const QString &line) { return !line.isEmpty(); }));
}

PrintedPage PageOf(const QByteArray &pdf, Form1 &form)
{
    const QTemporaryDir scratch;
    return RenderPrintedPage(Saved(pdf, scratch), YellowGroundOf(form));
}

// Where the Clear button lies in the window, in twips.
const QRect ClearTwips = Twips(ControlNamed("Command2"));

struct PaperSizeCase {
    const char *name;
    QPageSize::PageSizeId size;
    QMarginsF margins; // millimetres
    double scale; // of the window on the page: 1 at real size
};

class PaperSizes : public testing::TestWithParam<PaperSizeCase> {};

// The whole window on the page, at the top left of its printable area: at real size where
// it fits, scaled down evenly where it does not; and no bitmap anywhere in the document.
TEST_P(PaperSizes, TakeTheWholeWindowAtTheTopLeft)
{
    const PaperSizeCase &c = GetParam();
    auto form = FormShowingCheckDays();
    const QByteArray pdf = PdfFor(form->TakePicture(), PaperOf(c.size, c.margins));
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_EQ(ImagesIn(pdf), 0) << OutputOf(QStringLiteral("pdfimages"), {QStringLiteral("-list")}, pdf).toStdString();

    const PrintedPage page = PageOf(pdf, *form);
    ASSERT_FALSE(page.yellow.isEmpty()) << "no yellow text box on the page";
    EXPECT_NEAR(ScaleOnPage(page).width(), c.scale, c.scale * 0.01) << "text box width";
    EXPECT_NEAR(ScaleOnPage(page).height(), c.scale, c.scale * 0.01) << "text box height";

    const QPointF origin = page.fromTwips.map(QPointF(0, 0));
    const QPointF printableCorner = QPointF(c.margins.left(), c.margins.top()) * PagePixelsPerInch / MillimetresPerInch;
    EXPECT_NEAR(origin.x(), printableCorner.x(), 1.5) << "left edge of the window";
    EXPECT_NEAR(origin.y(), printableCorner.y(), 1.5) << "top edge of the window";
    EXPECT_GT(InkIn(page.image, OnPage(page, ClearTwips)), 20) << "the Clear button";

    if (c.scale == 1)
        ExpectSampleChartOnPage(page);
}

// The window is 176 x 115 mm.
INSTANTIATE_TEST_SUITE_P(
    , PaperSizes,
    testing::Values(PaperSizeCase{"A4", QPageSize::A4, QMarginsF(4.2, 4.2, 4.2, 4.2), 1},
                    PaperSizeCase{"Letter", QPageSize::Letter, QMarginsF(6.35, 12.7, 6.35, 12.7), 1},
                    PaperSizeCase{"A5", QPageSize::A5, QMarginsF(4.2, 4.2, 4.2, 4.2), (148 - 8.4) / 175.95},
                    PaperSizeCase{"B5WithWideMargins", QPageSize::JisB5, QMarginsF(20, 25, 20, 25),
                                  (182 - 40) / 175.95}),
    testing::PrintToStringParamName());

// The picture taken at the press keeps the text, the chart and the tick of that moment,
// while a picture taken later shows the window as it is then.
TEST(PictureOnPage, KeepsTheWindowAsItWasTaken)
{
    auto form = FormShowingCheckDays();
    const WindowPicture atThePress = form->TakePicture();
    const PrintedPage before = PageOf(PdfFor(atThePress, A4), *form);

    Click(*form, "Check1");
    Click(*form, "Command2");
    auto *text = Find<QPlainTextEdit>(*form, "Text1");
    for (const char *line : {"later", "01, 37.5, 0", "02, 37.5, 0"}) {
        QTest::keyClicks(text, line);
        QTest::keyClick(text, Qt::Key_Return);
    }
    Click(*form, "Command3");

    const PrintedPage after = PageOf(PdfFor(atThePress, A4), *form);
    const PrintedPage takenLater = PageOf(PdfFor(form->TakePicture(), A4), *form);
    ASSERT_FALSE(before.image.isNull());
    EXPECT_TRUE(after.image == before.image) << "the page changed with the window";
    EXPECT_FALSE(takenLater.image == before.image) << "a later picture missed the changes";

    QRect tickTwips = Twips(ControlNamed("Check1"));
    tickTwips.setWidth(tickTwips.width() * 12 / 100);
    const auto tick = [tickTwips](const PrintedPage &page) { return InkIn(page.image, OnPage(page, tickTwips)); };
    EXPECT_GT(tick(after), 10) << "the tick of the press";
    EXPECT_EQ(tick(takenLater), 0) << "a tick the window no longer shows";
}

// The page shows the window, not where the focus happens to be: the text cursor of a box
// that has the focus at the press never reaches the paper.
TEST(PictureOnPage, ShowsNoTextCursor)
{
    auto form = FormShowingCheckDays();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto *text = Find<QPlainTextEdit>(*form, "Text1");
    text->moveCursor(QTextCursor::EndOfLine); // after the title, where nothing else is drawn
    form->focusWidget()->clearFocus();
    const PrintedPage unfocused = PageOf(PdfFor(form->TakePicture(), A4), *form);

    text->setFocus();
    ASSERT_TRUE(text->hasFocus());
    const PrintedPage focused = PageOf(PdfFor(form->TakePicture(), A4), *form);
    EXPECT_TRUE(focused.image == unfocused.image) << "the page changed with the focus";
}

// However the user has sized the window, the page shows its client area at real size.
TEST(PictureOnPage, IsTheClientAreaHoweverTheWindowIsSized)
{
    for (const QSize size : {QSize(1280, 960), QSize(400, 300)}) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height() << " pixels");
        auto form = FormShowingCheckDays();
        form->resize(size);
        const PrintedPage page = PageOf(PdfFor(form->TakePicture(), A4), *form);
        ExpectSampleChartOnPage(page);
        EXPECT_GT(InkIn(page.image, OnPage(page, ClearTwips)), 20) << "the Clear button";
    }
}

// The print job renders the page on a thread of its own while the window goes on: the
// fonts and the Japanese glyphs come out as on the window's thread.
TEST(PictureOnPage, RendersOffTheWindowsThreadAsOnIt)
{
    auto form = FormShowingCheckDays();
    const WindowPicture picture = form->TakePicture();
    QByteArray onOwnThread;
    std::thread printJob([&onOwnThread, picture] { onOwnThread = PdfFor(picture, A4); });
    const QByteArray onWindowThread = PdfFor(picture, A4); // at the same time
    printJob.join();

    ASSERT_FALSE(onOwnThread.isEmpty());
    EXPECT_TRUE(PageOf(onOwnThread, *form).image == PageOf(onWindowThread, *form).image);
    EXPECT_TRUE(OutputOf(QStringLiteral("pdffonts"), {}, onOwnThread).contains(QStringLiteral("IPAPGothic")));
    const QString text = OutputOf(QStringLiteral("pdftotext"), {}, onOwnThread, {QStringLiteral("-")});
    for (const char *shown : {"2002/08 サンプル", "グラフ表示", "印刷", "Clear", "チェック日も表示する", "38℃", "30日"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(shown))) << shown << " is missing from\n" << text.toStdString();
}

// Printed in grey, as most home and clinic printers print (CUPS's own IPP Everywhere printer
// turns red into grey 130 and keeps the fine ruling's 150), the curve is the heaviest line on
// the sheet: across a level stretch it carries at least twice the ink of a fine grid line.
TEST(PictureOnPage, CurveOutweighsTheRulingInGrey)
{
    auto form = FormShowingCheckDays();
    const PrintedPage page = RenderedWindowPage(*form, 600);
    ASSERT_FALSE(page.image.isNull());
    // Ink summed down the column at `x` over 40 twips either side of `y`, in twips.
    const auto inkAcross = [&page](int x, int y) {
        const QPoint top = page.fromTwips.map(QPointF(x, y - 40)).toPoint();
        int ink = 0;
        for (int row = 0; row < 80 / TwipsPerPagePixel; ++row)
            ink += 255 - QColor(page.image.pixel(top.x(), top.y() + row)).lightness();
        return ink;
    };
    // Halfway between days 7 (36.35 °C) and 8 (36.33 °C), clear of the ruling; and across the
    // 36.1 °C line in the same column.
    const int curve = inkAcross(2500, 3290), ruling = inkAcross(2500, 3650);
    std::cout << "in grey, the curve carries " << double(curve) / ruling << " times the ink of a fine grid line\n";
    EXPECT_GT(ruling, 0) << "no grid line where the 36.1 line lies";
    EXPECT_GE(curve, 2 * ruling);
}

// Paper no printer has leaves no room for the window: no document is made, rather than a
// blank page the user would take for the chart.
TEST(PaperWithoutRoom, MakesNoDocument)
{
    const WindowPicture picture = FormShowingCheckDays()->TakePicture();
    const struct {
        const char *name;
        PrinterPaper paper;
    } cases[] = {
        {"no size", {.width = 0, .length = 0}},
        {"a negative size", {.width = -210, .length = -297}},
        {"side margins over the width", {.left = 150, .right = 150}},
        {"end margins over the length", {.top = 200, .bottom = 200}},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(PdfFor(picture, c.paper).isEmpty()) << c.name;
}

} // namespace
} // namespace bbt

int main(int argc, char **argv)
{
    return bbt::windowtest::RunWindowTests(argc, argv);
}
