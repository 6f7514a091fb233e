#pragma once

#include "chart/chartsurface.h"
#include "record/daytables.h"

namespace bbt {

// The month chart: a fixed grid of 0.1 degree levels from 35.0 to 38.0 degrees against
// days 1 to 31, the temperature curve through the days with a reading, and a marker
// box under every check day with a reading; a check day without one has no marker. The
// geometry never adapts to the data or the window.

// clang-format off
inline constexpr int XOrigin = 1000;  // x of day 0; no line is drawn there
inline constexpr int YTop = 800;      // y of the top grid line, 38.0 degrees
inline constexpr int DayPitch = 200;  // twips per day
inline constexpr int StepPitch = 150; // twips per 0.1 degree
inline constexpr int DayCount = 31;
inline constexpr int StepCount = 30;  // 0.1 degree steps from 35.0 to 38.0
inline constexpr int YBottom = YTop + StepCount * StepPitch; // 35.0 degrees, the bottom axis
// clang-format on

inline constexpr RgbColour MajorGridColour{10, 10, 10};
inline constexpr RgbColour MinorGridColour{150, 150, 150};
inline constexpr RgbColour CurveColour{255, 0, 0};
inline constexpr RgbColour MarkerColour{255, 100, 255};

// x of the line of day `day`.
double DayX(int day);
// y of the temperature `temperature` in degrees; above the grid beyond 38.0.
double TemperatureY(double temperature);

// Draws the grid, the curve and, when `showCheckDays` holds, the markers of the check days
// with a reading over whatever the surface already shows; nothing is erased first.
void DrawChart(ChartSurface &surface, const DayTemperatureTable &DayTemperature, const DayFlagTable &DayFlag,
               bool showCheckDays);

} // namespace bbt
