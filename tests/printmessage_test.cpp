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

// Every outcome, one row at least each: whether the page reached the server, its icon (only a
// page that did not print warns), the words that make it that outcome; and how they are put
// together: which printer they name, the printer's reason on a line of its own, until when a
// page is held, all as plain text and cut to what a box holds.
struct MessageCase {
    const char *name;
    PrintReport report;
    std::string part; // of the text; empty where nothing is told
    QMessageBox::Icon icon = QMessageBox::Warning;
    bool handedOver = false;
};

constexpr auto Warning = QMessageBox::Warning, Information = QMessageBox::Information;
using P = PrintProblem;

const MessageCase Cases[] = {
    {"Printed", {P::None, "PDF", ""}, "", QMessageBox::NoIcon, true},
    {"NoPrinterNamed", {P::NoDefaultPrinter, "", ""}, "既定のプリンターが設定されていません。"},
    {"NamedPrinterMissing", {P::NoDefaultPrinter, "Gone", ""}, "既定のプリンター「Gone」が見つかりません。"},
    {"NoServer", {P::ServerUnreachable, "", ""}, "印刷できませんでした。印刷サーバーに接続できません。"},
    {"ServerSilent", {P::ServerSilent, "", ""}, "印刷できませんでした。印刷サーバーが応答しません。"},
    {"TheReasonOnALineOfItsOwn", {P::Refusing, "Q", "out of paper"}, "受け付けていません。\nout of paper"},
    {"WantsAPassword", {P::NeedsAuthentication, "Q", ""}, "印刷できませんでした。プリンター「Q」で印刷するには認証"},
    {"PageNotMade", {P::PageNotMade, "Q", ""}, "「Q」の用紙に合わせたページを作れませんでした。"},
    {"NoRoomOnTheServer", {P::NoRoom, "Q", ""}, "印刷できませんでした。印刷サーバーにページを置く空きがありません。"},
    {"SendFailedWithTheServersReason",
     {P::SendFailed, "Q", "500 Internal Server Error"},
     "「Q」への送信に失敗しました。\n500 Internal Server Error"},
    {"SendFailedToNoPrinter", {P::SendFailed, "", ""}, "印刷できませんでした。印刷サーバーへの送信に失敗しました。"},
    {"AWaitingPageInforms",
     {P::Paused, "Q", "paused by the office"},
     "再開されると印刷されます。\npaused by the office",
     Information,
     true},
    {"HeldIndefinitely", {P::Held, "Q", "indefinite"}, "保留されています。", Information, true},
    {"HeldUntilNight", {P::Held, "Q", "night"}, "保留されています（夜間まで）。", Information, true},
    {"HeldUntilATimeOnTheLocalClock", {P::Held, "Q", "18:30:00"}, "保留されています（3:30まで）。", Information, true},
    {"HeldForAPassword", {P::HeldForAuthentication, "Q", ""}, "保留されています。印刷するには認証", Information, true},
    {"SentNotFollowed",
     {P::NotFollowed, "Q", ""},
     "「Q」に送りましたが、その後の様子を印刷サーバーから確かめられませんでした。",
     Information,
     true},
    // What the print system says is shown as it is, and no more of it than a box holds.
    {"MarkupInTheNameAndTheReason",
     {P::Refusing, "<h2>Q", "<img src=\"/dev/zero\">"},
     "「<h2>Q」は印刷を受け付けていません。\n<img src=\"/dev/zero\">"},
    {"AReasonOfThreeThousandLines",
     {P::Stopped, "Q", ThreeThousandLines},
     "印刷できませんでした。プリンター「Q」が印刷を中止しました。\nreason 1\nreason 2\nreason 3\nreason 4\nreason 5…",
     Warning,
     true},
    {"AReasonEndingInALineBreak", {P::Stopped, "Q", "jammed\r\n"}, "中止しました。\njammed", Warning, true},
    {"AReasonOnOneLongLine", {P::Refusing, "Q", std::string(1000, 'x')}, "\n" + std::string(300, 'x') + "…"},
    {"ANameOnTwoLines", {P::Refusing, "Q\nR", ""}, "「Q…」"},
    {"APlaceholderInTheName",
     {P::Held, "%2", "night"},
     "「%2」の印刷待ちの列で保留されています（夜間まで）。",
     Information,
     true},
};

class PrintMessage : public testing::TestWithParam<MessageCase> {};

TEST_P(PrintMessage, PutsTheOutcomeInPlainWords)
{
    const MessageCase &c = GetParam();
    EXPECT_EQ(PageHandedOver(c.report.problem), c.handedOver);
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
