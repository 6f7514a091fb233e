#include "windowtesting.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace bbt {
namespace {

using namespace bbt::windowtest;

double ResidentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * 4096 / (1 << 20);
}

TEST(UnderLoad, TenThousandPressesLeaveMemoryFlat)
{
    auto form = OpenForm();
    Click(*form, "Check1");
    Click(*form, "Command3");
    form->repaint();
    const double afterFirstPress = ResidentMiB();
    for (int press = 1; press < 10000; ++press)
        Click(*form, "Command3");
    form->repaint();
    const double afterLastPress = ResidentMiB();
    std::cout << "resident after the first press " << afterFirstPress << " MiB, after 10000 presses "
              << afterLastPress << " MiB\n";
    EXPECT_LT(afterLastPress - afterFirstPress, 4.0);
    EXPECT_EQ(Shown(*form).pixel(100, 53), Major);
}

// About 64 MiB of UTF-16 text: the sample month over and over.
QString HugeMonth()
{
    const QString month = SampleAsShown();
    QString text;
    const qsizetype units = qsizetype{64} << 19;
    text.reserve(units + month.size());
    while (text.size() < units)
        text += month;
    return text;
}

TEST(UnderLoad, A64MiBPasteIsDrawnAndKept)
{
    auto form = OpenForm();
    auto *text = Find<QPlainTextEdit>(*form, "Text1");
    const QString pasted = HugeMonth();
    Click(*form, "Command2");
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    Click(*form, "Command3");

    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), QStringLiteral("2002/08 サンプル"));
    EXPECT_TRUE(ColumnHas(Shown(*form), 140, Red));
    EXPECT_EQ(text->document()->characterCount(), pasted.size() + 1) << "the box keeps the whole paste";
}

} // namespace
} // namespace bbt

int main(int argc, char **argv)
{
    return bbt::windowtest::RunWindowTests(argc, argv);
}
