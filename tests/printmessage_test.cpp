#include "windowtesting.h"

#include "window/printmessage.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

// What the user reads of every outcome of "印刷", whatever the print system's names and
// reasons hold. The run's time zone is Tokyo's, nine hours ahead of the UTC CUPS speaks.
namespace bbt {
namespace {

using namespace bbt::windowtest;

std::string Lines(int count)
{
    std::string text;
    for (int line = 1; line <= count; ++line)
        text += "reason " + std::to_string(line) + '\n';
    return text;
}

const std::string ThreeThousandLines = Lines(3000);

struct MessageCase {
    const char *name;
    PrintReport report;
    std::string words; // the whole text; empty where nothing is told
    QMessageBox::Icon icon;
    bool handedOver;
};

void PrintTo(const MessageCase &c, std::ostream *os)
{
    *os << c.name;
}

constexpr auto Information = QMessageBox::Information;
constexpr auto Warning = QMessageBox::Warning;
using P = PrintProblem;

const MessageCase Cases[] = {
    {"Printed", {P::None, "PDF", ""}, "", QMessageBox::NoIcon, true},
    {"NoPrinterNamed",
     {P::NoDefaultPrinter, "", ""},
     "印刷できませんでした。既定のプリンターが設定されていません。",
     Warning,
     false},
    {"NamedPrinterMissing",
     {P::NoDefaultPrinter, "Gone", ""},
     "印刷できませんでした。既定のプリンター「Gone」が見つかりません。",
     Warning,
     false},
    {"ServerUnreachable",
     {P::ServerUnreachable, "", "No such file or directory"},
     "印刷できませんでした。印刷サーバーに接続できません。\nNo such file or directory",
     Warning,
     false},
    {"ServerSilent", {P::ServerSilent, "", ""}, "印刷できませんでした。印刷サーバーが応答しません。", Warning, false},
    {"Refusing",
     {P::Refusing, "Q", "out of paper"},
     "印刷できませんでした。プリンター「Q」は印刷を受け付けていません。\nout of paper",
     Warning,
     false},
    {"NeedsAuthentication",
     {P::NeedsAuthentication, "Q", ""},
     "印刷できませんでした。プリンター「Q」で印刷するには認証（ユーザー名とパスワード）が必要です。",
     Warning,
     false},
    {"PageNotMade",
     {P::PageNotMade, "Q", ""},
     "印刷できませんでした。プリンター「Q」の用紙に合わせたページを作れませんでした。",
     Warning,
     false},
    {"SendFailed",
     {P::SendFailed, "Q", ""},
     "印刷できませんでした。プリンター「Q」への送信に失敗しました。",
     Warning,
     false},
    {"Paused",
     {P::Paused, "Q", "paused by the administrator"},
     "プリンター「Q」は一時停止しています。ページは印刷待ちの列にあり、プリンターが再開されると印刷されます。\n"
     "paused by the administrator",
     Information,
     true},
    {"HeldIndefinitely",
     {P::Held, "Q", "indefinite"},
     "ページはプリンター「Q」の印刷待ちの列で保留されています。保留が解除されると印刷されます。",
     Information,
     true},
    {"HeldUntilNight",
     {P::Held, "Q", "night"},
     "ページはプリンター「Q」の印刷待ちの列で保留されています（夜間まで）。保留が解除されると印刷されます。",
     Information,
     true},
    {"HeldUntilATimeOnTheLocalClock",
     {P::Held, "Q", "18:30:00"},
     "ページはプリンター「Q」の印刷待ちの列で保留されています（3:30まで）。保留が解除されると印刷されます。",
     Information,
     true},
    {"HeldForAuthentication",
     {P::HeldForAuthentication, "Q", ""},
     "ページはプリンター「Q」の印刷待ちの列で保留されています。印刷するには認証（ユーザー名とパスワード）が必要です。",
     Information,
     true},
    {"NotFollowed",
     {P::NotFollowed, "Q", ""},
     "ページはプリンター「Q」に送りましたが、その後の様子を印刷サーバーから確かめられませんでした。",
     Information,
     true},
    {"Stopped",
     {P::Stopped, "Q", "aborted by the backend"},
     "印刷できませんでした。プリンター「Q」が印刷を中止しました。\naborted by the backend",
     Warning,
     true},
    // What the print system says is shown as it is, and no more of it than a box holds.
    {"MarkupInTheName",
     {P::Refusing, "<h2>Q", "<img src=\"/dev/zero\">"},
     "印刷できませんでした。プリンター「<h2>Q」は印刷を受け付けていません。\n<img src=\"/dev/zero\">",
     Warning,
     false},
    {"MarkupInTheReason",
     {P::Stopped, "Q", "<font color=red size=7>stopped"},
     "印刷できませんでした。プリンター「Q」が印刷を中止しました。\n<font color=red size=7>stopped",
     Warning,
     true},
    {"AReasonOfThreeThousandLines",
     {P::Stopped, "Q", ThreeThousandLines},
     "印刷できませんでした。プリンター「Q」が印刷を中止しました。\n"
     "reason 1\nreason 2\nreason 3\nreason 4\nreason 5…",
     Warning,
     true},
    {"AReasonEndingInALineBreak",
     {P::Stopped, "Q", "jammed\r\n"},
     "印刷できませんでした。プリンター「Q」が印刷を中止しました。\njammed",
     Warning,
     true},
    {"AReasonOnOneLongLine",
     {P::Refusing, "Q", std::string(1000, 'x')},
     "印刷できませんでした。プリンター「Q」は印刷を受け付けていません。\n" + std::string(300, 'x') + "…",
     Warning,
     false},
    {"ANameOnTwoLines",
     {P::Refusing, "Q\nR", ""},
     "印刷できませんでした。プリンター「Q…」は印刷を受け付けていません。",
     Warning,
     false},
    {"APlaceholderInTheName",
     {P::Held, "%2", "night"},
     "ページはプリンター「%2」の印刷待ちの列で保留されています（夜間まで）。保留が解除されると印刷されます。",
     Information,
     true},
};

class PrintMessage : public testing::TestWithParam<MessageCase> {};

TEST_P(PrintMessage, TellsTheOutcomeInPlainWords)
{
    const MessageCase &c = GetParam();
    EXPECT_EQ(PageHandedOver(c.report.problem), c.handedOver);
    const auto box = PrintMessageBox(c.report, QStringLiteral("基礎体温表"), nullptr);
    if (c.words.empty()) {
        EXPECT_EQ(box, nullptr) << "a printed page is told";
        return;
    }
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QString::fromStdString(c.words));
    EXPECT_EQ(box->icon(), c.icon);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("基礎体温表"));
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
}

INSTANTIATE_TEST_SUITE_P(, PrintMessage, testing::ValuesIn(Cases),
                         [](const auto &info) { return std::string(info.param.name); });

// Markup from a printer is shown as its characters: rendered, an image of /dev/zero would
// never finish loading.
TEST(PrintMessageBox, ShowsMarkupAsText)
{
    const auto box
        = PrintMessageBox({P::Refusing, "<h2>Q", "<img src=\"/dev/zero\">"}, QStringLiteral("基礎体温表"), nullptr);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_TRUE(label->text().contains(QStringLiteral("<img src=\"/dev/zero\">")));
}

TEST(PrintMessageBox, FitsTheScreenWithAReasonOfThreeThousandLines)
{
    const auto box = PrintMessageBox({P::Stopped, "Q", ThreeThousandLines}, QStringLiteral("基礎体温表"), nullptr);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    EXPECT_LE(box->frameGeometry().height(), box->screen()->availableGeometry().height());
}

} // namespace
} // namespace bbt
