#include "window/chartlayer.h"
#include "window/imagechartsurface.h"

#include <gtest/gtest.h>

#include <QImage>

#include <vector>

namespace bbt {
namespace {

constexpr QSize LayerSize(665, 433);
constexpr RgbColour Black{10, 10, 10};
constexpr RgbColour Red{255, 0, 0};
constexpr RgbColour Pink{255, 100, 255};

const ChartPrimitive Grid{ChartPrimitive::Kind::Line, 1200, 800, 7200, 800, Black};
const ChartPrimitive Curve{ChartPrimitive::Kind::Line, 1200, 500, 7200, 1100, Red};
const ChartPrimitive Marker{ChartPrimitive::Kind::Box, 1100, 700, 1300, 900, Pink};
const ChartPrimitive NegativeZero{ChartPrimitive::Kind::Line, -0.0f, 800, 600, 800, Black};
const ChartPrimitive PositiveZero{ChartPrimitive::Kind::Line, 0.0f, 800, 600, 800, Black};

// What a surface that keeps every drawing shows after the same sequence.
QImage PaintedDirectly(const std::vector<ChartPrimitive> &sequence, qreal scale)
{
    QImage image(LayerSize * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    ImageChartSurface surface(image, scale);
    for (const ChartPrimitive &p : sequence) {
        if (p.kind == ChartPrimitive::Kind::Line)
            surface.DrawLine(p.x1, p.y1, p.x2, p.y2, p.colour);
        else
            surface.DrawBox(p.x1, p.y1, p.x2, p.y2, p.colour);
    }
    return image;
}

TEST(ChartLayer, RedrawingKeepsOneCopyAndTheSamePicture)
{
    const struct {
        const char *name;
        std::vector<ChartPrimitive> sequence;
        std::size_t kept;
    } cases[] = {
        {"distinct", {Grid, Curve, Marker}, 3},
        {"grid drawn again over the curve", {Grid, Curve, Grid}, 2},
        {"whole chart drawn three times", {Grid, Curve, Marker, Grid, Curve, Marker, Grid, Curve, Marker}, 3},
        {"marker under a later curve", {Marker, Curve, Marker, Curve}, 2},
        {"zero and negative zero are one point", {NegativeZero, Curve, PositiveZero}, 2},
    };
    for (const auto &c : cases) {
        for (qreal scale : {1.0, 2.0}) {
            SCOPED_TRACE(testing::Message() << c.name << " at scale " << scale);
            ChartLayer drawnBeforeShown(LayerSize);
            ChartLayer drawnWhileShown(LayerSize);
            drawnWhileShown.Picture(scale);
            for (const ChartPrimitive &p : c.sequence) {
                drawnBeforeShown.Add(p);
                drawnWhileShown.Add(p);
            }
            EXPECT_EQ(drawnBeforeShown.PrimitiveCount(), c.kept);
            const QImage expected = PaintedDirectly(c.sequence, scale);
            EXPECT_EQ(drawnBeforeShown.Picture(scale), expected);
            EXPECT_EQ(drawnWhileShown.Picture(scale), expected);
        }
    }
}

TEST(ChartLayer, PictureFollowsTheDevicePixelRatio)
{
    ChartLayer layer(LayerSize);
    layer.Add(Grid);
    EXPECT_EQ(layer.Picture(1.0).size(), LayerSize);
    EXPECT_EQ(layer.Picture(1.0).pixel(100, 53), qRgb(10, 10, 10));
    const QImage &sharp = layer.Picture(2.0);
    EXPECT_EQ(sharp.size(), LayerSize * 2);
    EXPECT_EQ(sharp.pixel(200, 106), qRgb(10, 10, 10));
    EXPECT_EQ(sharp.pixel(200, 107), qRgb(10, 10, 10));
    EXPECT_EQ(sharp.pixel(200, 108), qRgb(255, 255, 255));
    EXPECT_EQ(layer.Picture(1.5).size(), QSize(998, 650)) << "rounded up to whole device pixels";
}

} // namespace
} // namespace bbt
