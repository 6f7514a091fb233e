#include "windowtesting.h"

#include "window/printmessage.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

// What the user reads of every outcome of "印刷", whatever the print system's names and
// reasons hold. The run's time zone is Tokyo's, nine hours ahead of the UTC CUPS speaks.
namespace bbt {
namespace {

using namespace bbt::windowtest;
using facts::PrintTo;

std::string Lines(int count)
{
    std::string text;
    for (int line = 1; line <= count; ++line)
        text += "reason " + std::to_string(line) + '\n';
    return text;
}

const std::string ThreeThousandLines = Lines(3000);

// How the words of an outcome are put together: which printer they name, the printer's
// reason on a line of its own, until when a page is held, all as plain text and cut to
// what a box holds. The words themselves are the table's, in the README.
struct MessageCase {
    const char *name;
    PrintReport report;
    std::string part; // of the text; empty where nothing is told
    QMessageBox::Icon icon = QMessageBox::Warning;
};

constexpr auto Information = QMessageBox::Information;
using P = PrintProblem;

const MessageCase Cases[] = {
    {"Printed", {P::None, "PDF", ""}, ""},
    {"NoPrinterNamed", {P::NoDefaultPrinter, "", ""}, "既定のプリンターが設定されていません。"},
    {"NamedPrinterMissing", {P::NoDefaultPrinter, "Gone", ""}, "既定のプリンター「Gone」が見つかりません。"},
    {"TheReasonOnALineOfItsOwn", {P::Refusing, "Q", "out of paper"}, "受け付けていません。\nout of paper"},
    {"AWaitingPageInforms",
     {P::Paused, "Q", "paused by the office"},
     "再開されると印刷されます。\npaused by the office",
     Information},
    {"HeldIndefinitely", {P::Held, "Q", "indefinite"}, "保留されています。", Information},
    {"HeldUntilNight", {P::Held, "Q", "night"}, "保留されています（夜間まで）。", Information},
    {"HeldUntilATimeOnTheLocalClock", {P::Held, "Q", "18:30:00"}, "保留されています（3:30まで）。", Information},
    // What the print system says is shown as it is, and no more of it than a box holds.
    {"MarkupInTheNameAndTheReason",
     {P::Refusing, "<h2>Q", "<img src=\"/dev/zero\">"},
     "「<h2>Q」は印刷を受け付けていません。\n<img src=\"/dev/zero\">"},
    {"AReasonOfThreeThousandLines",
     {P::Stopped, "Q", ThreeThousandLines},
     "中止しました。\nreason 1\nreason 2\nreason 3\nreason 4\nreason 5…"},
    {"AReasonEndingInALineBreak", {P::Stopped, "Q", "jammed\r\n"}, "中止しました。\njammed"},
    {"AReasonOnOneLongLine", {P::Refusing, "Q", std::string(1000, 'x')}, "\n" + std::string(300, 'x') + "…"},
    {"ANameOnTwoLines", {P::Refusing, "Q\nR", ""}, "「Q…」"},
    {"APlaceholderInTheName",
     {P::Held, "%2", "night"},
     "「%2」の印刷待ちの列で保留されています（夜間まで）。",
     Information},
};

class PrintMessage : public testing::TestWithParam<MessageCase> {};

TEST_P(PrintMessage, PutsTheOutcomeInPlainWords)
{
    const MessageCase &c = GetParam();
    const auto box = PrintMessageBox(c.report, QStringLiteral("基礎体温表"), nullptr);
    if (c.part.empty()) {
        EXPECT_EQ(box, nullptr) << "a printed page is told";
        return;
    }
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QString::fromStdString(c.part))) << box->text().toStdString();
    EXPECT_FALSE(box->text().contains(QStringLiteral("reason 6"))) << "more of the reason than a box holds";
    EXPECT_EQ(box->icon(), c.icon);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("基礎体温表"));
}

INSTANTIATE_TEST_SUITE_P(, PrintMessage, testing::ValuesIn(Cases), testing::PrintToStringParamName());

TEST(PrintMessageBox, FitsTheScreenWithAReasonOfThreeThousandLines)
{
    const auto box = PrintMessageBox({P::Stopped, "Q", ThreeThousandLines}, QStringLiteral("基礎体温表"), nullptr);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    EXPECT_LE(box->frameGeometry().height(), box->screen()->availableGeometry().height());
}

} // namespace
} // namespace bbt
