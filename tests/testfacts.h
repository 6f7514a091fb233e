#pragma once

#include "chart/chartsurface.h"
#include "print/printreport.h"

#include <algorithm>
#include <iterator>
#include <ostream>
#include <string_view>

namespace bbt {

// A colour the chart hands its surface, printed as (r, g, b) when a test fails.
inline void PrintTo(const RgbColour &colour, std::ostream *out)
{
    *out << '(' << int(colour.red) << ", " << int(colour.green) << ", " << int(colour.blue) << ')';
}

} // namespace bbt

// What the tests expect, written out as the user sees and measures it, never
// read from the program: a wrong constant in the program fails a test instead of moving
// the test along with it. Core and window tests alike include this header.
namespace bbt::facts {

// On screen, 15 twips are one device-independent pixel.
inline constexpr int TwipsPerPixel = 15;

// A pixel's colour as Qt's QRgb holds it, 0xAARRGGBB: compared as that number, and
// printed as (r, g, b) when a test fails.
struct Pixel {
    constexpr explicit Pixel(unsigned argb)
        : argb(argb)
    {
    }
    constexpr operator unsigned() const
    {
        return argb;
    }
    unsigned argb;
};
inline void PrintTo(Pixel pixel, std::ostream *out)
{
    *out << '(' << (pixel.argb >> 16 & 0xFF) << ", " << (pixel.argb >> 8 & 0xFF) << ", " << (pixel.argb & 0xFF) << ')';
}

// An opaque colour.
constexpr Pixel Rgb(unsigned red, unsigned green, unsigned blue)
{
    return Pixel(0xFF000000u | red << 16 | green << 8 | blue);
}
// The same colour as the chart hands it to its surface.
constexpr RgbColour Drawn(unsigned rgb)
{
    return {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)};
}

inline constexpr Pixel Major = Rgb(10, 10, 10); // 35.0 to 38.0 °C, days 1, 10, 20 and 30
inline constexpr Pixel Minor = Rgb(150, 150, 150); // the other lines of the grid
inline constexpr Pixel Red = Rgb(255, 0, 0); // the curve
inline constexpr Pixel Pink = Rgb(255, 100, 255); // the check days' boxes
inline constexpr Pixel White = Rgb(255, 255, 255); // the window's ground
inline constexpr Pixel Yellow = Rgb(255, 255, 192); // the text box's ground

// Pixels of the chart at 100 %: a line at t twips covers the pixel t / 15, rounded down.
inline constexpr int GridColumn = 100; // 1500 twips, between the lines of days 2 and 3
inline constexpr int Row38 = 53; // the 38.0 line, 800 twips
inline constexpr int Day1Column = 80; // the line of day 1, 1200 twips
// Inside the check days' boxes, 5250 to 5350 twips, where the 35.0 line runs under them.
inline constexpr int MarkerRow = 353;
// A column a little left of the line of `day`, inside its box (200 twips wide).
constexpr int MarkerColumn(int day)
{
    return (1000 + 200 * day) / TwipsPerPixel - 4;
}
// At 200 % the 38.0 line covers the device rows 106 and 107 of the device column 200.
inline constexpr int GridColumnAtTwice = 200;
inline constexpr int Row38AtTwice = 106;

// Every control of the window in tab order, with its place in twips and its design caption.
struct Control {
    const char *name;
    int left, top, width, height;
    const char *caption;
};
inline constexpr Control Controls[] = {
    {"Command1", 6600, 120, 1215, 375, "印刷"},  {"Text1", 7920, 600, 1935, 5775, nullptr},
    {"Command2", 8280, 120, 1215, 375, "Clear"}, {"Command3", 5280, 120, 1215, 375, "グラフ表示"},
    {"Label2", 240, 120, 4575, 495, "タイトル"}, {"Label3_0", 1200, 5520, 375, 255, "1"},
    {"Label3_1", 2880, 5520, 375, 255, "10"},    {"Label3_2", 4920, 5520, 375, 255, "20"},
    {"Label3_3", 6840, 5520, 375, 255, "30日"},  {"Label3_4", 600, 5160, 375, 255, "35℃"},
    {"Label3_5", 600, 3600, 375, 255, "36℃"},    {"Label3_6", 600, 2160, 375, 255, "37℃"},
    {"Label3_7", 600, 720, 375, 255, "38℃"},     {"Check1", 5520, 6000, 2055, 375, "チェック日も表示する"},
};
constexpr const Control &ControlNamed(std::string_view name)
{
    return *std::find_if(std::begin(Controls), std::end(Controls), [name](const Control &c) { return c.name == name; });
}

// The month the program starts with, as the user sees it in the text box: a title, then
// August 2002 with its gaps, every line ending in CR LF. Day 22 has no line at all.
// clang-format off
inline constexpr std::u16string_view SampleMonthText =
    u"2002/08 サンプル\r\n"
    u"01, 36.33, 0\r\n"
    u"02, 36.31, 0\r\n"
    u"\r\n"
    u"\r\n"
    u"05, 36.23, 0\r\n"
    u"06, 36.33, 0\r\n"
    u"07, 36.35, 0\r\n"
    u"08, 36.33, 0\r\n"
    u"09, 36.50, 0\r\n"
    u"\r\n"
    u"11, 36.32, 0\r\n"
    u"12, 36.22, 1\r\n"
    u"13, 36.21, 1\r\n"
    u"\r\n"
    u"15, 36.10, 1\r\n"
    u"16, 36.24, 1\r\n"
    u"17, 36.12, 1\r\n"
    u"18, 36.17, 1\r\n"
    u"\r\n"
    u"20, 36.32, 0\r\n"
    u"21, 36.33, 0\r\n"
    u"23, 36.43, 0\r\n"
    u"\r\n"
    u"\r\n"
    u"26, 36.44, 0\r\n"
    u"27, 36.72, 0\r\n"
    u"28, 36.45, 0\r\n"
    u"29, 36.32, 0\r\n"
    u"30, 36.31, 1\r\n"
    u"31, 36.29, 1\r\n";
// clang-format on
// Its check days: the days whose flag is 1.
inline constexpr int SampleCheckDays[] = {12, 13, 15, 16, 17, 18, 30, 31};
constexpr bool IsCheckDayOfSample(int day)
{
    return std::find(std::begin(SampleCheckDays), std::end(SampleCheckDays), day) != std::end(SampleCheckDays);
}

// A table row prints as its name, so GoogleTest names a failing row, and
// testing::PrintToStringParamName() names the row's test by it. A test file brings it in
// with `using facts::PrintTo;` beside its rows.
template <typename Row>
concept NamedRow = requires(const Row &row)
{
    row.name;
};
template <NamedRow Row>
void PrintTo(const Row &row, std::ostream *out)
{
    *out << row.name;
}

} // namespace bbt::facts

namespace bbt {

// A failing row names the outcome it met; an outcome without its name here fails the build.
inline void PrintTo(PrintProblem problem, std::ostream *out)
{
#define BBT_NAMED(value)                                                                                               \
    case PrintProblem::value:                                                                                          \
        *out << #value;                                                                                                \
        return;
    switch (problem) {
        BBT_NAMED(None)
        BBT_NAMED(NoDefaultPrinter)
        BBT_NAMED(ServerUnreachable)
        BBT_NAMED(ServerSilent)
        BBT_NAMED(Refusing)
        BBT_NAMED(NeedsAuthentication)
        BBT_NAMED(PageNotMade)
        BBT_NAMED(NoRoom)
        BBT_NAMED(SendFailed)
        BBT_NAMED(Paused)
        BBT_NAMED(Held)
        BBT_NAMED(HeldForAuthentication)
        BBT_NAMED(NotFollowed)
        BBT_NAMED(Stopped)
    }
#undef BBT_NAMED
    *out << "PrintProblem(" << int(problem) << ')';
}

} // namespace bbt
