#include "window/form1.h"
#include "windowtesting.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

// The window on a real Wayland compositor, through Qt's own Wayland platform rather than
// XWayland: ctest runs it against the headless weston of its fixture "weston".
namespace bbt {
namespace {

using namespace bbt::windowtest;

TEST(OnWayland, OpensNativelyAtItsSize)
{
    auto form = OpenForm();
    ASSERT_EQ(QGuiApplication::platformName().toStdString(), "wayland");
    ASSERT_NE(form->windowHandle(), nullptr);
    EXPECT_TRUE(form->windowHandle()->isExposed());
    EXPECT_EQ(form->size(), QSize(665, 433));
    // Qt draws the window's frame itself on weston; the surface inside it keeps the size.
    EXPECT_EQ(form->windowHandle()->size(), QSize(665, 433));
}

TEST(OnWayland, DrawsTheChart)
{
    auto form = OpenForm();
    Click(*form, "Command3");
    // Headless weston, as the fixture starts it, has no renderer and so no screen to
    // read back: the window paints itself into an image instead.
    EXPECT_EQ(Pixel(form->grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(GridColumn, Row38)), Major)
        << "38.0 line";
}

TEST(OnWayland, TypedTitleIsDrawn)
{
    auto form = OpenForm();
    Click(*form, "Command2");
    QTest::keyClicks(Find<QPlainTextEdit>(*form, "Text1"), "typed on wayland");
    Click(*form, "Command3");
    EXPECT_EQ(Find<QLabel>(*form, "Label2")->text(), QStringLiteral("typed on wayland"));
}

} // namespace
} // namespace bbt
