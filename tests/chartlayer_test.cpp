#include "paint/chartlayer.h"
#include "paint/painterchartsurface.h"
#include "windowtesting.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <vector>

namespace bbt {
namespace {

using namespace bbt::windowtest;

constexpr QSize LayerSize(665, 433);

struct Drawing {
    bool box = false;
    float x1, y1, x2, y2;
    RgbColour colour;
};

void Draw(ChartSurface &surface, const Drawing &d)
{
    if (d.box)
        surface.DrawBox(d.x1, d.y1, d.x2, d.y2, d.colour);
    else
        surface.DrawLine(d.x1, d.y1, d.x2, d.y2, d.colour);
}

const Drawing Grid{false, 1200, 800, 7200, 800, Drawn(Major)};
const Drawing Curve{false, 1200, 500, 7200, 1100, Drawn(Red)};
const Drawing Marker{true, 2100, 550, 2300, 650, Drawn(Pink)}; // the curve crosses it
const Drawing NegativeZero{false, -0.0f, 800, 600, 800, Drawn(Major)};
const Drawing PositiveZero{false, 0.0f, 800, 600, 800, Drawn(Major)};

// What a surface that keeps every drawing shows after the same sequence.
QImage PaintedDirectly(const std::vector<Drawing> &sequence, qreal scale)
{
    QImage image(LayerSize * scale, QImage::Format_RGB32);
    image.fill(White);
    QPainter painter(&image);
    PainterChartSurface surface(painter, scale / TwipsPerPixel);
    for (const Drawing &d : sequence)
        Draw(surface, d);
    painter.end();
    return image;
}

TEST(ChartLayer, RedrawingKeepsOneCopyAndTheSamePicture)
{
    const struct {
        const char *name;
        std::vector<Drawing> sequence;
        std::size_t kept;
    } cases[] = {
        {"distinct", {Grid, Curve, Marker}, 3},
        {"grid drawn again over the curve", {Grid, Curve, Grid}, 2},
        {"whole chart drawn three times", {Grid, Curve, Marker, Grid, Curve, Marker, Grid, Curve, Marker}, 3},
        {"marker under a later curve", {Curve, Marker, Curve}, 2},
        {"zero and negative zero are one point", {NegativeZero, Curve, PositiveZero}, 2},
    };
    for (const auto &c : cases) {
        for (qreal scale : {1.0, 2.0}) {
            SCOPED_TRACE(testing::Message() << c.name << " at scale " << scale);
            ChartLayer drawnBeforeShown(LayerSize);
            ChartLayer drawnWhileShown(LayerSize);
            drawnWhileShown.Image(scale);
            for (const Drawing &d : c.sequence) {
                Draw(drawnBeforeShown, d);
                Draw(drawnWhileShown, d);
            }
            EXPECT_EQ(drawnBeforeShown.PrimitiveCount(), c.kept);
            const QImage expected = PaintedDirectly(c.sequence, scale);
            EXPECT_EQ(drawnBeforeShown.Image(scale), expected);
            EXPECT_EQ(drawnWhileShown.Image(scale), expected);
        }
    }
}

TEST(ChartLayer, KnowsWhetherEarlierDrawingsLieBeneathTheLast)
{
    const struct {
        const char *name;
        std::vector<Drawing> earlier, last;
        bool earlierBeneath;
    } cases[] = {
        {"the first drawing", {}, {Grid, Curve}, false},
        {"the same drawing again", {Grid, Curve}, {Grid, Curve}, false},
        {"markers added on top", {Grid, Curve}, {Grid, Curve, Marker}, false},
        {"a curve beneath a grid alone", {Grid, Curve}, {Grid}, true},
        {"markers beneath a drawing without them", {Grid, Curve, Marker}, {Grid, Curve}, true},
        {"a primitive drawn twice in the last drawing", {Curve}, {Curve, Grid, Curve}, false},
        {"an earlier primitive beneath one drawn twice", {Grid}, {Curve, Curve}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ChartLayer layer(LayerSize);
        for (const Drawing &d : c.earlier)
            Draw(layer, d);
        layer.BeginDrawing();
        for (const Drawing &d : c.last)
            Draw(layer, d);
        EXPECT_EQ(layer.HoldsEarlierDrawings(), c.earlierBeneath);
    }
}

TEST(ChartLayer, PictureFollowsTheDevicePixelRatio)
{
    ChartLayer layer(LayerSize);
    Draw(layer, Grid);
    EXPECT_EQ(layer.Image(1.0).size(), LayerSize);
    EXPECT_EQ(Pixel(layer.Image(1.0).pixel(GridColumn, Row38)), Major);
    EXPECT_EQ(layer.Image(2.0).size(), LayerSize * 2);
    EXPECT_EQ(layer.Image(1.5).size(), QSize(998, 650)) << "rounded up to whole device pixels";
}

} // namespace
} // namespace bbt
