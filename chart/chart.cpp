#include "chart/chart.h"

namespace bbt {

namespace {

constexpr int XLeft = XOrigin + DayPitch;
constexpr int XRight = XOrigin + DayPitch * DayCount;
constexpr int MarkerHalfWidth = DayPitch / 2;
constexpr int MarkerHalfHeight = DayPitch / 4;

void DrawLevelLines(ChartSurface &surface)
{
    for (int step = 0; step <= StepCount; ++step) {
        const auto y = static_cast<float>(YTop + StepPitch * step);
        const bool wholeDegree = step % 10 == 0;
        surface.DrawLine(XLeft, y, XRight, y, wholeDegree ? MajorGridColour : MinorGridColour);
    }
}

void DrawDayLines(ChartSurface &surface)
{
    for (int day = 1; day <= DayCount; ++day) {
        const auto x = static_cast<float>(DayX(day));
        const bool major = day % 10 == 0 || day == 1;
        surface.DrawLine(x, YTop, x, YBottom, major ? MajorGridColour : MinorGridColour);
    }
}

void DrawMarker(ChartSurface &surface, int day)
{
    const double x = DayX(day);
    surface.DrawBox(static_cast<float>(x - MarkerHalfWidth), YBottom - MarkerHalfHeight,
                    static_cast<float>(x + MarkerHalfWidth), YBottom + MarkerHalfHeight, MarkerColour);
}

// Days without a reading are bridged: each segment runs from the previous day with a
// reading. A day's marker follows the segment that ends at that day.
void DrawCurveAndMarkers(ChartSurface &surface, const DayTemperatureTable &DayTemperature, const DayFlagTable &DayFlag,
                         bool showCheckDays)
{
    int previous = 0;
    for (int day = 1; day <= DayCount; ++day) {
        if (DayTemperature[day] == 0.0)
            continue;
        if (previous != 0) {
            surface.DrawLine(static_cast<float>(DayX(previous)),
                             static_cast<float>(TemperatureY(DayTemperature[previous])), static_cast<float>(DayX(day)),
                             static_cast<float>(TemperatureY(DayTemperature[day])), CurveColour);
        }
        previous = day;
        if (IsCheckDay(DayFlag[day]) && showCheckDays)
            DrawMarker(surface, day);
    }
}

} // namespace

double DayX(int day)
{
    return XOrigin + static_cast<double>(DayPitch) * day;
}

double TemperatureY(double temperature)
{
    const double steps = (temperature - 35.0) * 10.0;
    return YBottom - StepPitch * steps;
}

void DrawChart(ChartSurface &surface, const DayTemperatureTable &DayTemperature, const DayFlagTable &DayFlag,
               bool showCheckDays)
{
    DrawLevelLines(surface);
    DrawDayLines(surface);
    DrawCurveAndMarkers(surface, DayTemperature, DayFlag, showCheckDays);
}

} // namespace bbt
