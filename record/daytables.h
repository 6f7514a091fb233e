#pragma once

#include <array>
#include <cstdint>

namespace bbt {

// One month of readings, indexed by the day of the month 1 to 31; index 0 is never used.
// A temperature of 0.0 means the day has no reading; a flag of 1 marks a check day.
inline constexpr int DaysInTable = 32;
using DayTemperatureTable = std::array<double, DaysInTable>;
using DayFlagTable = std::array<std::int16_t, DaysInTable>;

constexpr bool IsCheckDay(std::int16_t flag)
{
    return flag == 1;
}

} // namespace bbt
