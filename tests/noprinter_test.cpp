#include "windowtesting.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QTest>

#include <gtest/gtest.h>

namespace bbt {
namespace {

using namespace bbt::windowtest;

TEST(Command1_Click, WithoutAPrinterSaysSoAndChangesNothing)
{
    ASSERT_TRUE(QPrinterInfo::defaultPrinter().isNull()) << "a printer is reachable after all";
    auto form = OpenForm();
    Click(*form, "Command3");
    auto *text = Find<QPlainTextEdit>(*form, "Text1");
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, "x");
    const QString textBefore = text->toPlainText();
    const QImage chartBefore = Grab(*form).copy(0, 45, 520, 350);

    const auto failure = AnswerNextMessageBox();
    Click(*form, "Command1");

    EXPECT_TRUE(failure->seen);
    EXPECT_EQ(failure->title, QStringLiteral("基礎体温表"));
    EXPECT_EQ(failure->text, QStringLiteral("印刷できませんでした。プリンターが見つかりません。"));
    EXPECT_EQ(failure->buttons, QMessageBox::Ok);
    EXPECT_EQ(text->toPlainText(), textBefore);
    EXPECT_TRUE(text->document()->isUndoAvailable());
    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), QStringLiteral("2002/08 サンプル"));
    EXPECT_EQ(Grab(*form).copy(0, 45, 520, 350), chartBefore);
}

} // namespace
} // namespace bbt

int main(int argc, char **argv)
{
    // No printing service at all: libcups is pointed at a socket that does not exist.
    qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    return bbt::windowtest::RunWindowTests(argc, argv);
}
