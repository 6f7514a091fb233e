#include "printedpage.h"
#include "window/form1.h"
#include "windowtesting.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace bbt {
namespace {

using namespace bbt::windowtest;

const QString SampleTitle = QStringLiteral("2002/08 サンプル");

bool ImageHas(const QImage &image, QRgb colour)
{
    return BoundsIn(image, image.rect(), [colour](QRgb pixel) { return pixel == colour; }).isValid();
}

QString AccessibleText(QObject *object, QAccessible::Text text)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(object);
    return accessible ? accessible->text(text) : QString();
}

// Any trace of drawing on white, the faint edges of smoothed glyphs too.
bool IsTrace(QRgb pixel)
{
    return qRed(pixel) < 224 || qGreen(pixel) < 224 || qBlue(pixel) < 224;
}

// Where a control sits in the window, in pixels.
QRect PixelsOf(const Control &c)
{
    return QRect(c.left / TwipsPerPixel, c.top / TwipsPerPixel, c.width / TwipsPerPixel, c.height / TwipsPerPixel);
}

TEST(Form1, StartsWithThePromptThenTheSampleMonthAndNoChart)
{
    AnsweredBox prompt;
    auto form = OpenForm(&prompt);

    EXPECT_TRUE(prompt.seen);
    EXPECT_FALSE(prompt.formWasVisible);
    EXPECT_EQ(prompt.title, QStringLiteral("基礎体温表"));
    EXPECT_EQ(
        prompt.text,
        QStringLiteral("黄色いテキストボックスに、PalmDesktopのメモ帳からデータをコピー＆貼り付けしてください。"));
    EXPECT_EQ(prompt.buttons, QMessageBox::Ok);
    EXPECT_EQ(prompt.icon, QMessageBox::NoIcon);

    EXPECT_EQ(form->windowTitle(), QStringLiteral("基礎体温表"));
    EXPECT_EQ(Find<QPlainTextEdit>(*form, "Text1")->toPlainText(), SampleAsShown());
    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), QStringLiteral("タイトル"));
    EXPECT_TRUE(Find<QPushButton>(*form, "Command3")->isEnabled());
    EXPECT_EQ(Find<QCheckBox>(*form, "Check1")->checkState(), Qt::Unchecked);
    EXPECT_EQ(form->focusWidget(), Find<QPushButton>(*form, "Command1"));

    const QImage shown = Shown(*form);
    EXPECT_EQ(Pixel(shown.pixel(GridColumn, Row38)), White) << "no grid before the first drawing";
    EXPECT_EQ(Pixel(shown.pixel(500, 405)), White) << "behind the check box's caption";
    EXPECT_EQ(Pixel(shown.pixel(618, 140)), Yellow) << "inside the data box";
    EXPECT_EQ(Pixel(shown.pixel(Day1Column, 100)), White);
}

TEST(Form1Controls, ControlsSitWhereTheirTwipsSayAndAreNamedByWhatTheyShow)
{
    auto form = OpenForm();
    EXPECT_EQ(form->size(), QSize(665, 433));
    EXPECT_FALSE(form->windowIcon().isNull());
    EXPECT_EQ(form->windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});

    for (const Control &c : Controls) {
        auto *control = Find<QWidget>(*form, c.name);
        EXPECT_EQ(control->geometry(), PixelsOf(c)) << c.name;
        const QString caption = c.caption ? QString::fromUtf8(c.caption) : QStringLiteral("記録");
        EXPECT_EQ(AccessibleText(control, QAccessible::Name), caption) << c.name;
        if (auto *label = qobject_cast<QLabel *>(control)) {
            EXPECT_EQ(label->text(), caption) << c.name;
        } else if (auto *button = qobject_cast<QAbstractButton *>(control)) {
            EXPECT_EQ(button->text(), caption) << c.name;
        }
    }
}

TEST(Form1Controls, TabWalksTheControlsInOrder)
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
    QApplication::clipboard()->setText(QStringLiteral("the user's own"));

    Click(*form, "Command2");
    EXPECT_TRUE(text->toPlainText().isEmpty());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("the user's own")) << "Clear leaves the clipboard";
    EXPECT_FALSE(draw->isEnabled());
    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), SampleTitle);
    EXPECT_EQ(Pixel(Shown(*form).pixel(GridColumn, Row38)), Major) << "the chart stays";
    EXPECT_EQ(form->focusWidget(), text) << "the focus waits in the box";

    QTest::keyClicks(text, " ");
    EXPECT_TRUE(draw->isEnabled()) << "a blank is text too";
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(draw->isEnabled());
    QTest::keyClicks(text, "x");
    EXPECT_TRUE(draw->isEnabled());
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(draw->isEnabled());
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text->toPlainText(), SampleAsShown());
    EXPECT_TRUE(draw->isEnabled());

    for (const QKeyCombination redo :
         {Qt::ControlModifier | Qt::Key_Y, Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z}) {
        QTest::keyClick(text, redo.key(), redo.keyboardModifiers());
        EXPECT_TRUE(text->toPlainText().isEmpty()) << QKeySequence(redo).toString().toStdString() << " redoes Clear";
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
        ASSERT_EQ(text->toPlainText(), SampleAsShown());
    }
}

// Keys reach the window as the keyboard sends them, to whatever has the focus.
TEST(Form1Controls, ReturnAndEnterPressAFocusedButtonAndCtrlZUndoesClearAtOnce)
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        auto form = OpenForm();
        auto *text = Find<QPlainTextEdit>(*form, "Text1");
        Find<QPushButton>(*form, "Command2")->setFocus();
        QTest::keyClick(form->windowHandle(), key);
        EXPECT_TRUE(text->toPlainText().isEmpty());
        EXPECT_EQ(form->focusWidget(), text);
        QTest::keyClick(form->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(text->toPlainText(), SampleAsShown());
    }
}

TEST(Form1, DrawsTheSampleThenAddsCheckDayMarkersOnTop)
{
    auto form = OpenForm();
    auto *chart = form->findChild<QWidget *>(QStringLiteral("ChartElement"));
    ASSERT_NE(chart, nullptr);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(chart);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Chart);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("基礎体温グラフ"));

    Click(*form, "Command3");
    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), SampleTitle);
    EXPECT_EQ(AccessibleText(Find<QLabel>(*form, "Label2"), QAccessible::Name), SampleTitle);
    EXPECT_EQ(
        accessible->text(QAccessible::Description),
        QStringLiteral(
            "「2002/08 サンプル」の基礎体温グラフ。記録のある日 23日、最低 36.1℃（15日）、最高 36.72℃（27日）。"));
    QAccessibleTableInterface *table = accessible->tableInterface();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->rowCount(), 23);
    ASSERT_EQ(table->columnCount(), 3);
    // clang-format off
    const struct {
        int row;
        QStringList cells;
    } rows[] = {
        {-1, {"日", "体温", "チェック日"}}, // the column headers
        {0, {"1", "36.33", "いいえ"}},
        {6, {"9", "36.50", "いいえ"}},
        {8, {"12", "36.22", "はい"}},
        {10, {"15", "36.10", "はい"}},
        {18, {"27", "36.72", "いいえ"}},
        {22, {"31", "36.29", "はい"}},
    };
    // clang-format on
    for (const auto &r : rows) {
        for (int column = 0; column < 3; ++column) {
            QAccessibleInterface *cell = r.row < 0
                ? table->cellAt(0, column)->tableCellInterface()->columnHeaderCells()[0]
                : table->cellAt(r.row, column);
            EXPECT_EQ(cell->text(QAccessible::Name), r.cells[column]) << "row " << r.row << ", column " << column;
            EXPECT_EQ(accessible->child(3 * (r.row + 1) + column), cell) << "children: headers, then row by row";
        }
    }

    QImage shown = Shown(*form);
    // A screen reader's cell of a day lies over that day's line, the one line in its strip,
    // as the screen shows it halfway between the 38.0 and 37.9 lines.
    for (const auto &r : rows) {
        if (r.row < 0)
            continue;
        const QRect global = table->cellAt(r.row, 0)->rect();
        const QRect cell(form->mapFromGlobal(global.topLeft()), global.size());
        QList<int> lines;
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (const QRgb pixel = shown.pixel(x, (800 + 75) / TwipsPerPixel); pixel == Major || pixel == Minor)
                lines << x;
        const int dayLine = (1000 + 200 * r.cells[0].toInt()) / TwipsPerPixel;
        EXPECT_EQ(lines, QList<int>{dayLine})
            << "the cell of day " << r.cells[0].toStdString() << " at " << cell.left() << " to " << cell.right();
    }
    for (int day = 1; day < 31; ++day)
        EXPECT_TRUE(ColumnHas(shown, (1000 + 200 * day) / TwipsPerPixel + 7, Red)) << "curve right of day " << day;
    EXPECT_FALSE(ImageHas(shown, Pink));

    Click(*form, "Check1");
    EXPECT_FALSE(ImageHas(Shown(*form), Pink)) << "ticking alone draws nothing";
    Click(*form, "Command3");
    shown = Shown(*form);
    for (int day = 1; day <= 31; ++day) {
        EXPECT_EQ(shown.pixel(MarkerColumn(day), MarkerRow) == Pink, IsCheckDayOfSample(day)) << "day " << day;
    }
    EXPECT_TRUE(accessible->text(QAccessible::Description)
                    .endsWith(QStringLiteral("チェック日 12日、13日、15日、16日、17日、18日、30日、31日。")));
}

TEST(Form1, AGreyedCheckBoxDrawsNoMarkers)
{
    auto form = OpenForm();
    auto *check = Find<QCheckBox>(*form, "Check1");
    check->setTristate(true);
    check->setCheckState(Qt::PartiallyChecked);
    Click(*form, "Command3");
    EXPECT_NE(Pixel(Shown(*form).pixel(MarkerColumn(12), MarkerRow)), Pink) << "no marker under check day 12";
}

// At the screen's own scale: the build runs it at 1.25 and 1.75 as well.
TEST(Form1, GridIsRuledEvenlyOnTheScreen)
{
    auto form = OpenForm();
    Find<QPlainTextEdit>(*form, "Text1")->setPlainText(QStringLiteral("the grid alone"));
    Click(*form, "Command3");
    const QImage shown = Shown(*form);
    const qreal ratio = form->devicePixelRatioF();
    ASSERT_NEAR(shown.width(), form->width() * ratio, 1) << "the screen's own device pixels";
    ExpectEvenRuling(shown, ratio);
}

TEST(Form1Controls, FontsResolveToJapaneseFamilies)
{
    auto form = OpenForm();
    EXPECT_EQ(QFontInfo(Find<QLabel>(*form, "Label2")->font()).family(), QStringLiteral("IPAPGothic"))
        << "the title's family stands in for ＭＳ Ｐゴシック";
    EXPECT_NEAR(Find<QLabel>(*form, "Label2")->font().pointSizeF(), 14.25, 0.01);
    EXPECT_EQ(QFontInfo(Find<QLabel>(*form, "Label3_7")->font()).family(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(QFontInfo(Find<QCheckBox>(*form, "Check1")->font()).family(), QStringLiteral("IPAPGothic"));
}

TEST(UserNumberLocale, FollowsTheDecimalSeparatorOfTheUsersLocale)
{
    const QLocale before;
    for (const auto &[language, separator] : {std::pair{QLocale::German, u','}, {QLocale::Japanese, u'.'}}) {
        QLocale::setDefault(QLocale(language));
        EXPECT_EQ(UserNumberLocale().decimalSeparator, separator) << QLocale::languageToString(language).toStdString();
    }
    QLocale::setDefault(before);
}

TEST(Form1, OneLineTextDrawsTheGridOverTheEarlierCurve)
{
    auto form = OpenForm();
    auto *text = Find<QPlainTextEdit>(*form, "Text1");
    // 36.55 degrees lies between two level lines, so the second grid leaves it visible.
    text->setPlainText(QStringLiteral("t\r\n05, 36.55, 0\r\n06, 36.55, 0\r\n"));
    Click(*form, "Command3");
    ASSERT_EQ(Pixel(Shown(*form).pixel(140, 198)), Red);

    text->setPlainText(QStringLiteral("only a title, 36.5"));
    Click(*form, "Command3");
    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), QStringLiteral("only a title, 36.5"));
    const QImage shown = Shown(*form);
    EXPECT_EQ(Pixel(shown.pixel(140, 198)), Red) << "earlier curve beneath";
    EXPECT_EQ(Pixel(shown.pixel(GridColumn, Row38)), Major);
    QAccessibleInterface *chart = QAccessible::queryAccessibleInterface(Find<QWidget>(*form, "ChartElement"));
    EXPECT_EQ(chart->text(QAccessible::Description),
              QStringLiteral("「only a title, 36.5」の基礎体温グラフ。今回の記録には体温のある日がありません。"
                             "前に描いたグラフも下に見えています。"))
        << "the description tells of the curve a sighted user sees";
    EXPECT_EQ(chart->tableInterface()->rowCount(), 0) << "the table holds the last drawing's days";
}

// The chart must come back whenever the X server asks the window to paint itself again.
TEST(Form1, ChartSurvivesBeingHiddenAndCovered)
{
    auto form = OpenForm();
    Click(*form, "Command3");
    ASSERT_EQ(Pixel(Shown(*form).pixel(GridColumn, Row38)), Major);

    form->hide();
    // The window counts as exposed until the X server's word that it is unmapped arrives;
    // waiting for it to be exposed again before that would not wait for the new mapping.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->windowHandle()->isExposed(); }));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QImage shown = Shown(*form);
    EXPECT_EQ(Pixel(shown.pixel(GridColumn, Row38)), Major) << "after unmapping and mapping";
    EXPECT_TRUE(ColumnHas(shown, 140, Red)) << "after unmapping and mapping";

    QWidget cover;
    cover.setGeometry(form->geometry());
    cover.setAutoFillBackground(true);
    cover.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover));
    cover.hide();
    QTest::qWait(50);
    shown = Shown(*form);
    EXPECT_EQ(Pixel(shown.pixel(GridColumn, Row38)), Major) << "after being covered";
    EXPECT_TRUE(ColumnHas(shown, 140, Red)) << "after being covered";
}

TEST(Form1, PastedLinesAreReadAsTyped)
{
    const struct {
        const char *name;
        QString month;
        bool day6Read;
        QString title = QStringLiteral("pasted");
        bool day6Checked = true;
    } cases[] = {
        {"CR LF", QStringLiteral("pasted\r\n05, 36.50, 0\r\n06, 36.50, 1\r\n"), true},
        {"LF", QStringLiteral("pasted\n05, 36.50, 0\n06, 36.50, 1\n"), true},
        {"CR", QStringLiteral("pasted\r05, 36.50, 0\r06, 36.50, 1\r"), true},
        // A no-break space is not a blank: "3 6.50" with one reads 3, out of range.
        {"no-break space inside the number", QStringLiteral("pasted\n05, 36.50, 0\n06, 3\u00A06.50, 1\n"), false},
        // Typed with a Japanese input method: full-width forms and the ideographic space.
        {"full-width record", QStringLiteral("pasted\n05, 36.50, 0\n０６，　３６．５０，　１\n"), true},
        {"full-width title kept as typed", QStringLiteral("２０２６／１１\n05, 36.50, 0\n06, 36.50, 1\n"), true,
         QStringLiteral("２０２６／１１")},
        {"no-break space inside a full-width number",
         QStringLiteral("pasted\n05, 36.50, 0\n０６，　３\u00A0６．５０，　１\n"), false},
        {"full-width and ASCII fields in one line", QStringLiteral("pasted\n05, 36.50, 0\n０６,　36.５0, １\n"), true},
        {"full-width exponent letters", QStringLiteral("pasted\n05, 3.65ｅ1, 0\n０６，　３．６５Ｅ１，　１\n"), true},
        {"a flag of 2 is no check day", QStringLiteral("pasted\n05, 36.50, 0\n06, 36.50, 2\n"), true,
         QStringLiteral("pasted"), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto form = OpenForm();
        auto *text = Find<QPlainTextEdit>(*form, "Text1");
        Click(*form, "Command2");
        QApplication::clipboard()->setText(c.month);
        QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
        Click(*form, "Check1");
        Click(*form, "Command3");
        EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), c.title);
        EXPECT_EQ(text->document()->toRawText(),
                  c.month.split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))).join(QChar::ParagraphSeparator))
            << "the box keeps what was pasted";
        const QImage shown = Shown(*form);
        EXPECT_EQ(shown.pixel(140, 203) == Red, c.day6Read) << "segment from day 5 to day 6";
        EXPECT_EQ(shown.pixel(MarkerColumn(6), MarkerRow) == Pink, c.day6Read && c.day6Checked) << "marker of day 6";
        QAccessibleTableInterface *table
            = QAccessible::queryAccessibleInterface(Find<QWidget>(*form, "ChartElement"))->tableInterface();
        ASSERT_EQ(table->rowCount(), c.day6Read ? 2 : 1) << "the days read in the screen readers' table";
        if (c.day6Read) {
            EXPECT_EQ(table->cellAt(1, 2)->text(QAccessible::Name),
                      c.day6Checked ? QStringLiteral("はい") : QStringLiteral("いいえ"))
                << "day 6 in the screen readers' table";
        }
    }
}

TEST(Form1, ALongTitleShowsItsBeginningOnOneLine)
{
    auto form = OpenForm();
    // One character in ten takes two UTF-16 units (𠮷, beyond the Basic Multilingual Plane).
    QString title = QStringLiteral("2002/08 ");
    while (title.size() < (256 << 10))
        title += QStringLiteral("とても長い題名𠮷 ");
    Find<QPlainTextEdit>(*form, "Text1")->setPlainText(title + QStringLiteral("\r\n05, 36.50, 0\r\n"));
    Click(*form, "Command3");
    const QString shown = Find<QLabel>(*form, "Label2")->text();
    EXPECT_TRUE(title.startsWith(shown));
    EXPECT_TRUE(shown.isValidUtf16()) << "the title is not cut in the middle of a character";
    EXPECT_GE(shown.size(), 40) << "at least what the label's width can show";
    EXPECT_LE(shown.size(), 1000) << "the label is not handed megabytes it cannot show";
    const QImage label = Shown(*form).copy(Find<QLabel>(*form, "Label2")->geometry());
    EXPECT_TRUE(BoundsIn(label, label.rect(), IsInk).isValid()) << "the beginning is drawn";
}

// A dark desktop theme: its light text must not reach the window's white and yellow grounds.
QPalette DarkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(60, 60, 64));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    return dark;
}

TEST(Form1, TextOnTheFixedGroundsStaysBlackUnderADarkTheme)
{
    const QPalette before = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    auto form = OpenForm();
    Click(*form, "Command3");
    const QImage shown = Shown(*form);

    const PrintedPage page = RenderedWindowPage(*form, 600);
    QApplication::setPalette(before);

    // Every label, the check box's caption and the records must be black.
    for (const Control &c : Controls) {
        if (std::string_view(c.name).starts_with("Command"))
            continue; // buttons follow the theme
        // The records: their yellow ground, not the frame and the scroll bar, which follow the theme.
        const QRect box = std::string_view(c.name) == "Text1" ? YellowGroundOf(*form) : PixelsOf(c);
        EXPECT_TRUE(BoundsIn(shown, box, IsInk).isValid()) << c.name << " on screen";
        const QRect twips(box.topLeft() * TwipsPerPixel, box.size() * TwipsPerPixel);
        EXPECT_TRUE(BoundsIn(page.image, OnPage(page, twips), IsInk).isValid()) << c.name << " on paper";
    }
}

// Where a label or the check box lays out its text.
QRect TextRoomOf(QWidget &control)
{
    auto *box = qobject_cast<QCheckBox *>(&control);
    if (!box)
        return control.contentsRect();
    QStyleOptionButton option;
    option.initFrom(box);
    return box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
}

// Renders `control` at `ratio` device pixels a pixel, as a screen at that scale shows it.
QImage RenderedAt(QWidget &control, qreal ratio)
{
    QImage image(control.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(White);
    control.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST(Form1Controls, LabelsFitTheirBoxesWithRoomOnScreenAndOnPaper)
{
    auto form = OpenForm();
    const PrintedPage page = RenderedWindowPage(*form, 1200);
    ASSERT_FALSE(page.image.isNull());

    for (const Control &c : Controls) {
        if (!std::string_view(c.name).starts_with("Label3") && std::string_view(c.name) != "Check1")
            continue;
        auto *control = Find<QWidget>(*form, c.name);
        // The style draws the check box's square at its very left edge; its caption must
        // still keep off the other three.
        const int left = qobject_cast<QCheckBox *>(control) ? 0 : 1;
        const QRect room = TextRoomOf(*control);
        for (qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
            const QImage image = RenderedAt(*control, ratio);
            const QRectF text = QFontMetricsF(control->font(), &image).tightBoundingRect(QString::fromUtf8(c.caption));
            EXPECT_LT(text.width(), room.width()) << c.name << " at " << ratio << " is wider than its room";
            EXPECT_LE(text.height(), room.height()) << c.name << " at " << ratio << " is taller than its room";
            const QRect ink = BoundsIn(image, image.rect(), IsTrace);
            const QRect inside = image.rect().adjusted(left, 1, -1, -1);
            EXPECT_TRUE(ink.isValid() && inside.contains(ink))
                << c.name << " at " << ratio << ": ink " << ink.x() << ',' << ink.y() << ' ' << ink.width() << 'x'
                << ink.height() << " in " << image.width() << 'x' << image.height();
        }
        const QRect onPage = OnPage(page, Twips(c));
        const QRect ink = BoundsIn(page.image, onPage, IsTrace);
        EXPECT_TRUE(ink.isValid() && onPage.adjusted(left, 1, -1, -1).contains(ink)) << c.name << " on paper";
    }
}

} // namespace
} // namespace bbt
