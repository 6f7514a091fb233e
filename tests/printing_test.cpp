#include "printedpage.h"
#include "windowtesting.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace bbt {
namespace {

using namespace bbt::windowtest;

// The sample month drawn with its check days, and one more character typed into the box,
// so that there is an undo history for printing to keep.
std::unique_ptr<Form1> FormWithSampleChart()
{
    auto form = OpenForm();
    Click(*form, "Check1");
    Click(*form, "Command3");
    auto *text = Find<QPlainTextEdit>(*form, "Text1");
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, "x");
    return form;
}

QImage ChartArea(Form1 &form)
{
    return Grab(form).copy(0, 45, 520, 350);
}

TEST(RenderPage, PutsTheWindowOnAPdfPageAtRealSize)
{
    auto form = FormWithSampleChart();
    QTemporaryDir scratch;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(scratch.filePath(QStringLiteral("window.pdf")));
    ASSERT_TRUE(form->RenderPage(printer));
    ExpectSampleChartOnPage(RenderPrintedPage(printer.outputFileName()));
}

TEST(RenderPage, ReportsADeviceThatCannotStart)
{
    auto form = OpenForm();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("/nonexistent-folder/window.pdf"));
    EXPECT_FALSE(form->RenderPage(printer));
}

QString QueueOf(const QString &printerName)
{
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o"), printerName});
    lpstat.waitForFinished(10000);
    return QString::fromLocal8Bit(lpstat.readAllStandardOutput()).trimmed();
}

bool IsCompletePdf(const QString &path)
{
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {path});
    return pdfinfo.waitForFinished(10000) && pdfinfo.exitCode() == 0;
}

// cups-pdf writes the job a few seconds after it was sent: waits until the queue is empty
// and a PDF written since `sent` is complete. A file of an earlier run may bear the same
// name, so only its time tells.
QString WaitForPrintedPdf(const QString &printerName, const QDir &output, const QDateTime &sent)
{
    const QDateTime deadline = QDateTime::currentDateTime().addSecs(90);
    while (QDateTime::currentDateTime() < deadline) {
        QTest::qWait(250);
        if (!QueueOf(printerName).isEmpty())
            continue;
        for (const QFileInfo &file : output.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time))
            if (file.lastModified() >= sent && IsCompletePdf(file.filePath()))
                return file.filePath();
    }
    return {};
}

TEST(Command1_Click, PrintsOnTheDefaultPrinter)
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull()) {
        if (qEnvironmentVariableIsSet("BBTCHART_REQUIRE_PRINTER"))
            FAIL() << "no default printer, though the test script started CUPS with one";
        GTEST_SKIP() << "no CUPS default printer here; scripts/test.sh starts one";
    }
    const QDir output(qEnvironmentVariable("BBTCHART_PRINT_DIR", QDir::homePath() + QStringLiteral("/PDF")));

    auto form = FormWithSampleChart();
    auto *text = Find<QPlainTextEdit>(*form, "Text1");
    const QString textBefore = text->toPlainText();
    const QImage chartBefore = ChartArea(*form);
    const auto failure = AnswerNextMessageBox();

    const QDateTime sent = QDateTime::currentDateTime().addSecs(-1);
    Click(*form, "Command1");
    const QString pdf = WaitForPrintedPdf(printer.printerName(), output, sent);
    EXPECT_FALSE(failure->seen) << failure->text.toStdString();
    ASSERT_FALSE(pdf.isEmpty()) << "no page from " << printer.printerName().toStdString() << " in "
                                << output.path().toStdString();
    ExpectSampleChartOnPage(RenderPrintedPage(pdf));

    EXPECT_EQ(text->toPlainText(), textBefore);
    EXPECT_TRUE(text->document()->isUndoAvailable());
    EXPECT_EQ(ChartArea(*form), chartBefore);
}

} // namespace
} // namespace bbt

int main(int argc, char **argv)
{
    return bbt::windowtest::RunWindowTests(argc, argv);
}
