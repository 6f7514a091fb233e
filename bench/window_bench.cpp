#include "recordtext.h"

#include "paint/pagerendering.h"
#include "print/cupsclient.h"
#include "window/form1.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QPageLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace bbt::bench {
namespace {

// The window of a user who has answered the start-up message, on the offscreen platform.
std::unique_ptr<Form1> OpenForm()
{
    QTimer::singleShot(0, [] {
        if (QWidget *prompt = QApplication::activeModalWidget())
            prompt->close();
    });
    auto form = std::make_unique<Form1>(NumberLocale{u'.'});
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        qFatal("the window was never shown");
    return form;
}

QPlainTextEdit *TextBox(const Form1 &form)
{
    return form.findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
}

void SetText(const Form1 &form, std::size_t bytes)
{
    if (bytes == 0)
        return; // the sample month loaded at start-up
    const std::u16string text = GenerateRecordText(bytes);
    TextBox(form)->setPlainText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
}

// From the click on "グラフ表示" until the window's pixels show the chart. 0: the sample.
void BM_PressToPixels(benchmark::State &state)
{
    const auto form = OpenForm();
    SetText(*form, static_cast<std::size_t>(state.range(0)));
    auto *draw = form->findChild<QPushButton *>(QStringLiteral("Command3"));
    for (auto _ : state) {
        QTest::mouseClick(draw, Qt::LeftButton);
        form->repaint();
    }
}
BENCHMARK(BM_PressToPixels)->Arg(0)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// One character typed at the end of the box's text, with the change notification.
void BM_TypeInLargeText(benchmark::State &state)
{
    const auto form = OpenForm();
    SetText(*form, static_cast<std::size_t>(state.range(0)));
    QPlainTextEdit *text = TextBox(*form);
    text->setFocus();
    text->moveCursor(QTextCursor::End);
    for (auto _ : state)
        QTest::keyClick(text, Qt::Key_A);
}
BENCHMARK(BM_TypeInLargeText)->Arg(1 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

// The window after the sample month was drawn with its check days.
std::unique_ptr<Form1> FormWithSampleChart()
{
    auto form = OpenForm();
    form->findChild<QCheckBox *>(QStringLiteral("Check1"))->setChecked(true);
    QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("Command3")), Qt::LeftButton);
    return form;
}

// The picture of the window taken for the printed page at a press of "印刷": all the window
// itself spends on printing. 0: the sample month in the box.
void BM_TakePicture(benchmark::State &state)
{
    const auto form = FormWithSampleChart();
    SetText(*form, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(form->TakePicture());
}
BENCHMARK(BM_TakePicture)->Arg(0)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// That picture as the PDF document sent to an A4 printer of 600 dots an inch, as the
// print job renders it on its own thread.
void BM_RenderPdf(benchmark::State &state)
{
    const auto form = FormWithSampleChart();
    const WindowPicture picture = form->TakePicture();
    const PrinterPaper a4{"A4", 600, 210, 297, 4.2, 4.2, 4.2, 4.2};
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderPdf(picture, PageLayoutOf(a4), a4.resolution));
}
BENCHMARK(BM_RenderPdf)->Unit(benchmark::kMillisecond);

// From a press of "印刷" to the whole document in the hands of a local CUPS: the window's
// picture taken, the printer's paper asked for, the page rendered for it and sent. The queue
// holds its jobs, so that nothing is printed; scripts/bench.sh starts that CUPS.
void BM_PressToDocument(benchmark::State &state)
{
    if (!qEnvironmentVariableIsSet("BBTCHART_BENCH_QUEUE")) {
        state.SkipWithError("no CUPS to send to; scripts/bench.sh starts one");
        return;
    }
    qputenv("PRINTER", qgetenv("BBTCHART_BENCH_QUEUE"));
    const auto form = FormWithSampleChart();
    for (auto _ : state) {
        const WindowPicture picture = form->TakePicture();
        CupsClient client{std::stop_token()};
        PrinterPaper paper;
        if (client.FindDefaultPrinter(paper).problem != PrintProblem::None) {
            state.SkipWithError("the print server did not give its paper");
            return;
        }
        const QByteArray pdf = RenderPdf(picture, PageLayoutOf(paper), paper.resolution);
        if (client.Send(std::string_view(pdf.constData(), pdf.size()), "bench").problem != PrintProblem::None) {
            state.SkipWithError("the print server did not take the page");
            return;
        }
    }
}
BENCHMARK(BM_PressToDocument)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
} // namespace bbt::bench
