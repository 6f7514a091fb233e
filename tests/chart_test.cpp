#include "chart/chart.h"
#include "record/recordreader.h"
#include "testfacts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace bbt {
namespace {

struct Call {
    enum Kind { Line, Box } kind;
    float x1, y1, x2, y2;
    RgbColour colour;

    friend bool operator==(const Call &, const Call &) = default;
};

std::ostream &operator<<(std::ostream &out, const Call &call)
{
    out << (call.kind == Call::Line ? "Line(" : "Box(") << call.x1 << ',' << call.y1 << " - " << call.x2 << ','
        << call.y2 << ' ';
    PrintTo(call.colour, &out);
    return out << ')';
}

class LoggingSurface final : public ChartSurface {
public:
    std::vector<Call> calls;

    void DrawLine(float x1, float y1, float x2, float y2, RgbColour colour) override
    {
        calls.push_back({Call::Line, x1, y1, x2, y2, colour});
    }
    void DrawBox(float x1, float y1, float x2, float y2, RgbColour colour) override
    {
        calls.push_back({Call::Box, x1, y1, x2, y2, colour});
    }

    std::vector<Call> Coloured(RgbColour colour) const
    {
        std::vector<Call> found;
        for (const Call &call : calls)
            if (call.colour == colour)
                found.push_back(call);
        return found;
    }
};

constexpr int GridLineCount = 62;

// The chart's colours as it hands them to its surface.
constexpr RgbColour Major = facts::Drawn(facts::Major);
constexpr RgbColour Minor = facts::Drawn(facts::Minor);
constexpr RgbColour Red = facts::Drawn(facts::Red);
constexpr RgbColour Pink = facts::Drawn(facts::Pink);

struct Month {
    DayTemperatureTable temperature{};
    DayFlagTable flag{};
};

Month SampleMonth()
{
    Month month;
    std::u16string_view remaining = facts::SampleMonthText;
    TakeLine(remaining, u"\r\n");
    ReadRecords(remaining, u"\r\n", month.temperature, month.flag, NumberLocale{});
    return month;
}

TEST(DrawChart, EmptyTablesDrawTheGridAndNothingElse)
{
    LoggingSurface surface;
    DrawChart(surface, {}, {}, true);
    ASSERT_EQ(surface.calls.size(), GridLineCount);

    for (int step = 0; step <= 30; ++step) {
        const float y = 800.0f + 150.0f * step;
        const RgbColour colour = step % 10 == 0 ? Major : Minor;
        EXPECT_EQ(surface.calls[step], (Call{Call::Line, 1200, y, 7200, y, colour})) << "level " << step;
    }
    for (int day = 1; day <= 31; ++day) {
        const float x = 1000.0f + 200.0f * day;
        const bool major = day == 1 || day == 10 || day == 20 || day == 30;
        EXPECT_EQ(surface.calls[30 + day], (Call{Call::Line, x, 800, x, 5300, major ? Major : Minor})) << "day " << day;
    }
}

TEST(DrawChart, SampleMonthCurveBridgesDaysWithoutReading)
{
    const Month month = SampleMonth();
    LoggingSurface surface;
    DrawChart(surface, month.temperature, month.flag, false);

    const std::vector<Call> curve = surface.Coloured(Red);
    ASSERT_EQ(curve.size(), 22u);
    EXPECT_EQ(surface.calls.size(), GridLineCount + 22u);
    EXPECT_TRUE(surface.Coloured(Pink).empty());

    // From 36.31 on day 2 over days 3 and 4 to 36.23 on day 5; t degrees lie at
    // y = 5300 - 1500 (t - 35).
    const Call &bridge = curve[1];
    EXPECT_EQ(bridge.x1, 1400.0f);
    EXPECT_EQ(bridge.x2, 2000.0f);
    EXPECT_FLOAT_EQ(bridge.y1, 3335.0f);
    EXPECT_FLOAT_EQ(bridge.y2, 3455.0f);
    for (std::size_t i = 1; i < curve.size(); ++i)
        EXPECT_EQ(curve[i].x1, curve[i - 1].x2) << "segments join end to start";
}

TEST(DrawChart, CheckDayMarkersFollowTheSegmentEndingAtTheirDay)
{
    const Month month = SampleMonth();
    LoggingSurface surface;
    DrawChart(surface, month.temperature, month.flag, true);

    std::vector<Call> boxes;
    for (std::size_t i = GridLineCount; i < surface.calls.size(); ++i) {
        const Call &call = surface.calls[i];
        if (call.kind != Call::Box)
            continue;
        boxes.push_back(call);
        ASSERT_EQ(surface.calls[i - 1].kind, Call::Line);
        EXPECT_EQ(surface.calls[i - 1].x2, (call.x1 + call.x2) / 2) << "box follows the segment that ends at its day";
    }
    std::vector<Call> expected;
    for (int day : facts::SampleCheckDays) {
        const float x = 1000.0f + 200.0f * day;
        expected.push_back({Call::Box, x - 100, 5250, x + 100, 5350, Pink});
    }
    EXPECT_EQ(boxes, expected);
    EXPECT_EQ(surface.Coloured(Red).size(), 22u);
}

// One day of the month, day 1, so no curve segment is drawn; check days are shown.
TEST(DrawChart, OnlyAFlagOfOneOnADayWithAReadingDrawsAMarker)
{
    const struct {
        double temperature;
        std::int16_t flag;
        bool marked;
    } cases[] = {{36.5, 1, true}, {36.5, 2, false}, {36.5, -1, false}, {0.0, 1, false}};
    for (const auto &c : cases) {
        DayTemperatureTable temperature{};
        DayFlagTable flag{};
        temperature[1] = c.temperature;
        flag[1] = c.flag;
        LoggingSurface surface;
        DrawChart(surface, temperature, flag, true);
        ASSERT_GE(surface.calls.size(), GridLineCount);
        const std::vector<Call> drawn(surface.calls.begin() + GridLineCount, surface.calls.end());
        const std::vector<Call> marker{{Call::Box, 1100, 5250, 1300, 5350, Pink}};
        EXPECT_EQ(drawn, c.marked ? marker : std::vector<Call>{})
            << "temperature " << c.temperature << ", flag " << c.flag;
    }
}

TEST(TemperatureY, MapsTheGrid)
{
    const struct {
        double temperature;
        double y;
    } cases[] = {{36.5, 3050}, {38.0, 800}};
    for (const auto &c : cases)
        EXPECT_NEAR(TemperatureY(c.temperature), c.y, 1e-9) << c.temperature;
}

// The bottom axis and the highest reading read, which the surface clips far above the window.
TEST(DrawChart, ExtremeReadingsLieOnTheAxisAndFarAboveTheWindow)
{
    DayTemperatureTable temperature{};
    temperature[3] = 35.0;
    temperature[4] = 42.0;
    LoggingSurface surface;
    DrawChart(surface, temperature, {}, false);
    ASSERT_EQ(surface.calls.size(), GridLineCount + 1u);
    EXPECT_EQ(surface.calls.back(), (Call{Call::Line, 1600, 5300, 1800, -5200, Red}));
}

} // namespace
} // namespace bbt
