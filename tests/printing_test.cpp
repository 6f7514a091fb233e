#include "fakeprintserver.h"
#include "printedpage.h"
#include "windowtesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

// "印刷" end to end, through the run's CUPS and its PDF printers: the page that comes out,
// the message the user reads, and the window closed while a print server is slow.
namespace bbt {
namespace {

using namespace bbt::windowtest;
using facts::PrintTo;
using namespace std::chrono_literals;

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

// What printing must leave as it was.
struct WindowState {
    QString text, title;
    bool undoable = false;
    Qt::CheckState check = Qt::Unchecked;
    QImage chart;

    explicit WindowState(Form1 &form)
        : text(Find<QPlainTextEdit>(form, "Text1")->toPlainText())
        , title(Find<QLabel>(form, "Label2")->text())
        , undoable(Find<QPlainTextEdit>(form, "Text1")->document()->isUndoAvailable())
        , check(Find<QCheckBox>(form, "Check1")->checkState())
        , chart(Shown(form).copy(0, 45, 520, 350))
    {
    }
    friend bool operator==(const WindowState &, const WindowState &) = default;
};

QStringList Output(const QString &program, const QStringList &arguments)
{
    return Run(program, arguments).output.split(u'\n', Qt::SkipEmptyParts);
}

// cups-pdf writes the job a few seconds after it was sent: waits until the queue is empty
// and the PDF of its last job, written since `sent`, is complete. Every queue writes into
// the one folder, so the job's number tells its file (cups-pdf ends the name in
// "-job_NUMBER.pdf"); a file of an earlier run may bear the same name, so only its time tells.
QString WaitForPrintedPdf(const QString &queue, const QDateTime &sent)
{
    const QDir output(qEnvironmentVariable("BBTCHART_PRINT_DIR"));
    const QDateTime deadline = QDateTime::currentDateTime().addSecs(60);
    while (QDateTime::currentDateTime() < deadline) {
        QTest::qWait(250);
        if (!Output(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}).isEmpty())
            continue;
        // Lines such as "Letter-12 root 2048 …", one a finished job.
        int lastJob = 0;
        for (const QString &job :
             Output(QStringLiteral("lpstat"),
                    {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"), queue}))
            lastJob = std::max(lastJob, job.section(u' ', 0, 0).section(u'-', -1).toInt());
        const QString name = QStringLiteral("*-job_%1.pdf").arg(lastJob);
        for (const QFileInfo &file : output.entryInfoList({name}, QDir::Files))
            if (file.lastModified() >= sent && Run(QStringLiteral("pdfinfo"), {file.filePath()}).succeeded)
                return file.filePath();
    }
    return {};
}

int JobsEverSentTo(const QString &queue)
{
    return int(
        Output(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"), queue})
            .size());
}

int CompletedJobs(const QString &queue)
{
    return int(Output(QStringLiteral("lpstat"),
                      {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"), queue})
                   .size());
}

class Printing : public testing::Test {
protected:
    void SetUp() override
    {
        if (!qEnvironmentVariableIsSet("BBTCHART_REQUIRE_PRINTER"))
            GTEST_SKIP() << "no private CUPS here: its PDF printer needs root, or sudo without a password";
        qunsetenv("LPDEST");
        qunsetenv("PRINTER");
    }
    void TearDown() override
    {
        qunsetenv("PRINTER");
        qputenv("CUPS_SERVER", m_cupsServer);
    }

    // Presses "印刷" and checks that the window answers at once, however the server does.
    void PressPrint(Form1 &form)
    {
        auto *print = Find<QPushButton>(form, "Command1");
        print->setFocus();
        QElapsedTimer answer;
        answer.start();
        QTest::keyClick(print, Qt::Key_Space);
        const qint64 answerMs = answer.elapsed();
        std::cout << "the window answered " << answerMs << " ms after the press\n";
        EXPECT_LE(answerMs, 100);
        EXPECT_FALSE(print->isEnabled()) << "印刷 looks pressable while the page is on its way";
        EXPECT_FALSE(Find<QPlainTextEdit>(form, "Text1")->hasFocus()) << "a second Space would type into the month";
    }

    QByteArray m_cupsServer = qgetenv("CUPS_SERVER");
};

// The page is the window at the press: what the user does while the page is on its way
// does not reach the paper.
TEST_F(Printing, PrintsTheWindowAsItStoodAtThePress)
{
    qputenv("PRINTER", "Window");
    auto form = FormWithSampleChart();
    const QRect yellowShown = YellowGroundOf(*form);
    const int jobsBefore = JobsEverSentTo(QStringLiteral("Window"));
    const QDateTime pressed = QDateTime::currentDateTime().addSecs(-1);
    const auto box = AnswerNextMessageBox();
    PressPrint(*form);
    Click(*form, "Command2");
    QTest::keyClicks(Find<QPlainTextEdit>(*form, "Text1"), "typed after the press");
    Click(*form, "Check1");

    const QString pdf = WaitForPrintedPdf(QStringLiteral("Window"), pressed);
    ASSERT_FALSE(pdf.isEmpty()) << "no page came out of the user's default printer";
    // cups-pdf names the file after the job, and the job after the chart's title.
    EXPECT_TRUE(QFileInfo(pdf).fileName().startsWith(QStringLiteral("2002_08"))) << pdf.toStdString();
    const PrintedPage page = RenderPrintedPage(pdf, yellowShown);
    ExpectSampleChartOnPage(page);
    // The month fills the box down to its bottom; the line typed after the press would not.
    const QRect records = Twips(ControlNamed("Text1"));
    const QRect lowerHalf = OnPage(page, records.adjusted(0, records.height() / 2, -300, 0));
    EXPECT_GT(BoundsIn(page.image, lowerHalf, IsInk).height(), lowerHalf.height() / 2) << "the box's text at the press";
    EXPECT_EQ(JobsEverSentTo(QStringLiteral("Window")), jobsBefore + 1) << "one press, one job";
    QTest::qWait(1000); // the job is followed until CUPS calls it completed
    EXPECT_FALSE(box->seen) << box->text.toStdString();
}

// A page the printer turns down is told over the window, which printing leaves as it was.
TEST_F(Printing, ARefusedPageIsToldOverTheWindowAndChangesNothing)
{
    qputenv("PRINTER", "Refusing");
    auto form = FormWithSampleChart();
    const WindowState before(*form);
    const auto box = AnswerNextMessageBox();
    PressPrint(*form);

    ASSERT_TRUE(QTest::qWaitFor([&] { return box->seen; }, 45000)) << "no message box";
    std::cout << "Refusing: " << box->text.toStdString() << '\n';
    EXPECT_TRUE(box->formWasVisible);
    EXPECT_TRUE(box->text.contains(QStringLiteral("Refusing"))) << box->text.toStdString();
    EXPECT_TRUE(box->text.contains(QStringLiteral("out of paper, refilled tomorrow"))) << box->text.toStdString();
    EXPECT_EQ(box->icon, QMessageBox::Warning);
    EXPECT_TRUE(box->buttons.testFlag(QMessageBox::Save)) << "the page is not offered as a PDF";
    EXPECT_TRUE(Find<QPushButton>(*form, "Command1")->isEnabled()) << "印刷 stays unpressable after the outcome";
    EXPECT_EQ(form->focusWidget(), Find<QPushButton>(*form, "Command1")) << "the focus is not back on 印刷";
    EXPECT_TRUE(WindowState(*form) == before) << "printing changed the window";
}

// The page stands upright and whole on the queue's own paper: at real size where the
// window fits, scaled down evenly where it does not.
struct PaperCase {
    const char *name;
    const char *printer;
    double scale; // of the window on paper
};

class PrintedPaper : public Printing, public testing::WithParamInterface<PaperCase> {};

TEST_P(PrintedPaper, HoldsTheWholeWindowUpright)
{
    const PaperCase &c = GetParam();
    qputenv("PRINTER", c.printer);
    auto form = FormWithSampleChart();
    const QRect yellowShown = YellowGroundOf(*form);
    const QDateTime pressed = QDateTime::currentDateTime().addSecs(-1);
    PressPrint(*form);

    const QString pdf = WaitForPrintedPdf(QString::fromUtf8(c.printer), pressed);
    ASSERT_FALSE(pdf.isEmpty()) << "no page came out of " << c.printer;
    const PrintedPage page = RenderPrintedPage(pdf, yellowShown);
    ASSERT_FALSE(page.yellow.isEmpty()) << "no text box on the page";
    const QSizeF scale = ScaleOnPage(page);
    std::cout << c.name << ": page " << page.image.width() << " x " << page.image.height() << " pixels, the window at "
              << scale.width() << " x " << scale.height() << " of its size, its box at (" << page.yellow.x() << ", "
              << page.yellow.y() << ")\n";
    EXPECT_LT(page.image.width(), page.image.height()) << "the sheet lies in landscape";
    EXPECT_NEAR(scale.width(), c.scale, 0.02) << "the window's width on paper";
    EXPECT_NEAR(scale.height(), c.scale, 0.02) << "the window's height on paper";
    // Upright: the box hangs from the top of the sheet, right of the chart, all of it on it.
    EXPECT_LT(page.yellow.bottom(), page.image.height() / 2) << "the window is not at the top of the sheet";
    EXPECT_GT(page.yellow.left(), page.yellow.width() * 3) << "the box is not right of the chart";
    EXPECT_LT(page.yellow.right(), page.image.width()) << "the box runs off the sheet";
    const QRect clear = OnPage(page, Twips(ControlNamed("Command2")));
    EXPECT_LT(clear.right(), page.image.width()) << "the Clear button runs off the sheet";
    EXPECT_GT(InkIn(page.image, clear), 20) << "the Clear button and its caption";
}

INSTANTIATE_TEST_SUITE_P(, PrintedPaper,
                         testing::Values(PaperCase{"Letter", "Letter", 1.0},
                                         PaperCase{"LandscapeByDefault", "Landscape", 1.0},
                                         PaperCase{"TwoToASheetByDefault", "TwoUp", 1.0}, PaperCase{"A5", "A5", 0.84}),
                         testing::PrintToStringParamName());

// The user closes the window soon after the press: the window goes at once, and the
// program lives on without it until the page is handed to the server, or has failed and
// the user has read why; never until the job is done.
enum class AfterClosing {
    Printed,
    WaitsInTheQueue, // for a printer that is switched off
    Told, // the message comes
};

struct ClosingCase {
    const char *name;
    printtest::Behaviour behaviour;
    std::chrono::milliseconds delay; // of the server's answers
    std::chrono::milliseconds closedAfter; // the press
    const char *printer;
    AfterClosing outcome;
};

class ClosingWhilePrinting : public Printing, public testing::WithParamInterface<ClosingCase> {};

TEST_P(ClosingWhilePrinting, HidesTheWindowAtOnceAndNeverDropsThePageWithoutAWord)
{
    const ClosingCase &c = GetParam();
    const QString queue = QString::fromUtf8(c.printer);
    const int jobsBefore = JobsEverSentTo(queue);
    const int completedBefore = CompletedJobs(queue);
    QTemporaryDir scratch;
    const QString socket = scratch.filePath(QStringLiteral("slow.sock"));
    printtest::FakePrintServer server(c.behaviour, socket.toStdString(), m_cupsServer.toStdString(), c.delay);
    ASSERT_TRUE(server.Listening());
    qputenv("CUPS_SERVER", socket.toLocal8Bit());
    qputenv("PRINTER", c.printer);
    auto form = FormWithSampleChart();
    const auto box = AnswerNextMessageBox();

    // Pressed and closed within the program's own event loop, which then runs until the
    // program would end.
    qint64 closingMs = -1;
    bool hidden = false;
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, form.get(), [&] {
        QElapsedTimer closing;
        closing.start();
        form->close();
        closingMs = closing.elapsed();
        hidden = !form->isVisible();
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, QCoreApplication::instance(), [] { QCoreApplication::exit(1); });
    Click(*form, "Command1");
    closer.start(c.closedAfter);
    giveUp.start(45s);
    QElapsedTimer living;
    living.start();
    const int status = QApplication::exec();
    qputenv("CUPS_SERVER", m_cupsServer);
    std::cout << c.name << ": the window went in " << closingMs << " ms, the program ended " << living.elapsed()
              << " ms after the press\n";
    EXPECT_TRUE(hidden);
    EXPECT_LT(closingMs, 500);
    EXPECT_EQ(status, 0) << "the program did not end";

    if (c.outcome != AfterClosing::Told) {
        EXPECT_FALSE(box->seen) << box->text.toStdString();
        EXPECT_EQ(JobsEverSentTo(queue), jobsBefore + 1) << "the program ended before the page went";
    }
    if (c.outcome == AfterClosing::Printed) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return CompletedJobs(queue) == completedBefore + 1; }, 30000))
            << "CUPS did not print the page once";
    } else if (c.outcome == AfterClosing::WaitsInTheQueue) {
        EXPECT_LT(living.elapsed(), 10000) << "the program followed the job after the window closed";
        Output(QStringLiteral("cancel"), {QStringLiteral("-a"), queue});
    } else {
        ASSERT_TRUE(box->seen) << "the page was dropped without a word";
        EXPECT_FALSE(box->formWasVisible);
        EXPECT_TRUE(box->text.startsWith(QStringLiteral("印刷できませんでした。"))) << box->text.toStdString();
        EXPECT_EQ(box->icon, QMessageBox::Warning);
        EXPECT_TRUE(box->buttons.testFlag(QMessageBox::Save)) << "the page is not offered as a PDF";
    }
}

INSTANTIATE_TEST_SUITE_P(, ClosingWhilePrinting,
                         testing::Values(ClosingCase{"ThreeSecondsLate", printtest::Behaviour::Late, 3s, 30ms,
                                                     "Closing", AfterClosing::Printed},
                                         ClosingCase{"PrinterSwitchedOff", printtest::Behaviour::Late, 0ms, 30ms,
                                                     "SwitchedOff", AfterClosing::WaitsInTheQueue},
                                         ClosingCase{"Silent", printtest::Behaviour::Silent, 0ms, 100ms, "Closing",
                                                     AfterClosing::Told}),
                         testing::PrintToStringParamName());

} // namespace
} // namespace bbt
