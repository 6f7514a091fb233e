#include "windowtesting.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <limits>

namespace bbt {
namespace {

using namespace bbt::windowtest;

// Bytes the heap has handed out and not had back: unlike the resident size, it moves with
// every allocation, so that a leak of 100 bytes a press shows after 10,000 presses.
std::size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

// The fastest of `runs` runs of `work`, in nanoseconds: the least disturbed by the machine.
template <typename Work>
qint64 Fastest(int runs, Work work)
{
    qint64 fastest = std::numeric_limits<qint64>::max();
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = std::min(fastest, timer.nsecsElapsed());
    }
    return fastest;
}

// The sample month over and over, to about `characters` characters.
QString RepeatedMonth(qsizetype characters)
{
    const QString month = SampleAsShown();
    QString text;
    text.reserve(characters + month.size());
    while (text.size() < characters)
        text += month;
    return text;
}

TEST(UnderLoad, TenThousandPressesLeaveMemoryFlat)
{
    auto form = OpenForm();
    Click(*form, "Check1");
    Click(*form, "Command3");
    form->repaint();
    const std::size_t afterFirstPress = HeapInUse();
    for (int press = 1; press < 10000; ++press)
        Click(*form, "Command3");
    form->repaint();
    const std::size_t afterLastPress = HeapInUse();
    const double growth = double(afterLastPress) - double(afterFirstPress);
    std::cout << "heap in use after the first press " << afterFirstPress << " bytes, after 10000 presses "
              << afterLastPress << " bytes: " << growth / 10000 << " bytes a press\n";
    EXPECT_LT(growth, 256 * 1024) << "memory grows with every press";
    EXPECT_EQ(Pixel(Shown(*form).pixel(GridColumn, Row38)), Major);
}

TEST(UnderLoad, A64MiBPasteIsDrawnAndKept)
{
    auto form = OpenForm();
    auto *text = Find<QPlainTextEdit>(*form, "Text1");
    const QString pasted = RepeatedMonth(qsizetype{64} << 19); // 64 MiB of UTF-16
    Click(*form, "Command2");
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    Click(*form, "Command3");

    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), QStringLiteral("2002/08 サンプル"));
    EXPECT_TRUE(ColumnHas(Shown(*form), 140, Red));
    EXPECT_EQ(text->document()->characterCount(), pasted.size() + 1) << "the box keeps the whole paste";
}

// Typing a character costs the same however long the text in the box is.
TEST(UnderLoad, AKeystrokeCostsTheSameInSixteenMillionCharacters)
{
    const auto keystroke = [](qsizetype characters) {
        auto form = OpenForm();
        auto *text = Find<QPlainTextEdit>(*form, "Text1");
        text->setPlainText(RepeatedMonth(characters));
        text->setFocus();
        text->moveCursor(QTextCursor::End);
        return Fastest(50, [&] { QTest::keyClick(text, Qt::Key_A); });
    };
    const qint64 small = keystroke(1000);
    const qint64 large = keystroke(16'000'000);
    std::cout << "a keystroke with 1000 characters in the box " << small / 1000 << " us, with 16 million "
              << large / 1000 << " us: " << double(large) / small << "x\n";
    EXPECT_LT(large, 4 * small);
}

} // namespace
} // namespace bbt
