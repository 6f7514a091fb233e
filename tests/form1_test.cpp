#include "window/form1.h"
#include "windowtesting.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace bbt {
namespace {

using namespace bbt::windowtest;

const QString SampleTitle = QStringLiteral("2002/08 サンプル");

// Pixel column a little left of day `day`'s line, inside its marker box.
int MarkerColumn(int day)
{
    return (1000 + 200 * day) / 15 - 4;
}
constexpr int MarkerRow = 351;

bool ImageHas(const QImage &image, QRgb colour)
{
    for (int column = 0; column < image.width(); ++column)
        if (ColumnHas(image, column, colour))
            return true;
    return false;
}

TEST(Form1, StartsWithThePromptThenTheSampleMonthAndNoChart)
{
    AnsweredBox prompt;
    auto form = OpenForm(&prompt);

    EXPECT_TRUE(prompt.seen);
    EXPECT_FALSE(prompt.formWasVisible);
    EXPECT_EQ(prompt.title, QStringLiteral("基礎体温表"));
    EXPECT_EQ(prompt.text, QStringLiteral("黄色いテキストボックスに、PalmDesktopのメモ帳からデータをコピー＆貼り付けしてください。"));
    EXPECT_EQ(prompt.buttons, QMessageBox::Ok);
    EXPECT_EQ(prompt.icon, QMessageBox::NoIcon);

    EXPECT_EQ(form->windowTitle(), QStringLiteral("基礎体温表"));
    EXPECT_EQ(Find<QPlainTextEdit>(*form, "Text1")->toPlainText(), SampleAsShown());
    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), QStringLiteral("タイトル"));
    EXPECT_TRUE(Find<QPushButton>(*form, "Command3")->isEnabled());
    EXPECT_EQ(Find<QCheckBox>(*form, "Check1")->checkState(), Qt::Unchecked);
    EXPECT_EQ(form->focusWidget(), Find<QPushButton>(*form, "Command1"));

    const QImage shown = Grab(*form);
    EXPECT_EQ(shown.pixel(100, 53), White) << "no grid before the first drawing";
    EXPECT_EQ(shown.pixel(500, 405), White) << "behind the check box's caption";
    EXPECT_EQ(shown.pixel(618, 140), qRgb(255, 255, 192)) << "inside the data box";
    EXPECT_EQ(shown.pixel(80, 100), White);
}

TEST(Form1, ControlsSitWhereTheirTwipsSay)
{
    auto form = OpenForm();
    EXPECT_EQ(form->size(), QSize(665, 433));
    EXPECT_FALSE(form->windowIcon().isNull());
    EXPECT_EQ(form->windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});

    const struct {
        const char *name;
        int left, top, width, height;
        const char *caption;
    } controls[] = {
        {"Command1", 6600, 120, 1215, 375, "印刷"},
        {"Text1", 7920, 600, 1935, 5775, nullptr},
        {"Command2", 8280, 120, 1215, 375, "Clear"},
        {"Command3", 5280, 120, 1215, 375, "グラフ表示"},
        {"Label2", 240, 120, 4575, 495, "タイトル"},
        {"Label3_0", 1200, 5520, 375, 255, "1"},
        {"Label3_1", 2880, 5520, 375, 255, "10"},
        {"Label3_2", 4920, 5520, 375, 255, "20"},
        {"Label3_3", 6840, 5520, 375, 255, "30日"},
        {"Label3_4", 600, 5160, 375, 255, "35℃"},
        {"Label3_5", 600, 3600, 375, 255, "36℃"},
        {"Label3_6", 600, 2160, 375, 255, "37℃"},
        {"Label3_7", 600, 720, 375, 255, "38℃"},
        {"Check1", 5520, 6000, 2055, 375, "チェック日も表示する"},
    };
    for (const auto &c : controls) {
        auto *control = Find<QWidget>(*form, c.name);
        EXPECT_EQ(control->geometry(), QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15)) << c.name;
        EXPECT_FALSE(control->accessibleName().isEmpty()) << c.name;
        if (!c.caption)
            continue;
        const QString caption = QString::fromUtf8(c.caption);
        if (auto *label = qobject_cast<QLabel *>(control))
            EXPECT_EQ(label->text(), caption) << c.name;
        else
            EXPECT_EQ(qobject_cast<QAbstractButton *>(control)->text(), caption) << c.name;
    }

}

TEST(Form1, TabWalksTheControlsInOrder)
{
    auto form = OpenForm();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const char *tabOrder[] = {"Command1", "Text1", "Command2", "Command3", "Check1", "Command1"};
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>(*form, tabOrder[0]));
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>(*form, tabOrder[i])) << "after " << tabOrder[i - 1];
    }
    EXPECT_EQ(Find<QPlainTextEdit>(*form, "Text1")->toPlainText(), SampleAsShown()) << "Tab typed nothing";
}

TEST(Form1, ClearIsAnUndoableEditThatLeavesTitleAndChart)
{
    auto form = OpenForm();
    auto *text = Find<QPlainTextEdit>(*form, "Text1");
    auto *draw = Find<QPushButton>(*form, "Command3");
    Click(*form, "Command3");

    Click(*form, "Command2");
    EXPECT_TRUE(text->toPlainText().isEmpty());
    EXPECT_FALSE(draw->isEnabled());
    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), SampleTitle);
    EXPECT_EQ(Grab(*form).pixel(100, 53), Major) << "the chart stays";

    QTest::keyClicks(text, "x");
    EXPECT_TRUE(draw->isEnabled());
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(draw->isEnabled());
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text->toPlainText(), SampleAsShown());
    EXPECT_TRUE(draw->isEnabled());
}

TEST(Form1, DrawsTheSampleThenAddsCheckDayMarkersOnTop)
{
    auto form = OpenForm();
    Click(*form, "Command3");
    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), SampleTitle);

    QImage shown = Grab(*form);
    EXPECT_EQ(shown.pixel(100, 53), Major) << "38.0 line";
    EXPECT_EQ(shown.pixel(80, 100), Major) << "day 1 line";
    for (int day = 1; day < 31; ++day)
        EXPECT_TRUE(ColumnHas(shown, (1000 + 200 * day) / 15 + 7, Red)) << "curve right of day " << day;
    EXPECT_FALSE(ImageHas(shown, Pink));

    Click(*form, "Check1");
    EXPECT_FALSE(ImageHas(Grab(*form), Pink)) << "ticking alone draws nothing";
    Click(*form, "Command3");
    shown = Grab(*form);
    for (int day = 1; day <= 31; ++day) {
        EXPECT_EQ(shown.pixel(MarkerColumn(day), MarkerRow) == Pink, IsCheckDayOfSample(day)) << "day " << day;
    }
}

TEST(Form1, OneLineTextDrawsTheGridOverTheEarlierCurve)
{
    auto form = OpenForm();
    auto *text = Find<QPlainTextEdit>(*form, "Text1");
    // 36.55 degrees lies between two level lines, so the second grid leaves it visible.
    text->setPlainText(QStringLiteral("t\r\n05, 36.55, 0\r\n06, 36.55, 0\r\n"));
    Click(*form, "Command3");
    ASSERT_EQ(Grab(*form).pixel(140, 198), Red);

    text->setPlainText(QStringLiteral("only a title, 36.5"));
    Click(*form, "Command3");
    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), QStringLiteral("only a title, 36.5"));
    const QImage shown = Grab(*form);
    EXPECT_EQ(shown.pixel(140, 198), Red) << "earlier curve beneath";
    EXPECT_EQ(shown.pixel(100, 53), Major);
}

TEST(Form1, ChartSurvivesHidingAndShowingTheWindow)
{
    auto form = OpenForm();
    Click(*form, "Command3");
    form->hide();
    form->showMinimized();
    form->showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QImage shown = Grab(*form);
    EXPECT_EQ(shown.pixel(100, 53), Major);
    EXPECT_TRUE(ColumnHas(shown, 140, Red));
}

TEST(Form1, PastedLinesAreReadWhateverTheirLineEndings)
{
    for (const char *ending : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(QByteArray(ending).toPercentEncoding().constData());
        auto form = OpenForm();
        auto *text = Find<QPlainTextEdit>(*form, "Text1");
        Click(*form, "Command2");
        const QString month = QStringList{"pasted", "05, 36.50, 0", "06, 36.50, 1", ""}.join(QLatin1String(ending));
        QApplication::clipboard()->setText(month);
        QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
        Click(*form, "Check1");
        Click(*form, "Command3");
        EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), QStringLiteral("pasted"));
        const QImage shown = Grab(*form);
        EXPECT_EQ(shown.pixel(140, 203), Red);
        EXPECT_EQ(shown.pixel(MarkerColumn(6), MarkerRow), Pink);
    }
}

} // namespace
} // namespace bbt

int main(int argc, char **argv)
{
    return bbt::windowtest::RunWindowTests(argc, argv);
}
