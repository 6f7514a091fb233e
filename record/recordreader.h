#pragma once

#include "record/daytables.h"

#include <optional>
#include <string_view>

namespace bbt {

// The pasted record text is a title line followed by one line per day, such as
// "01, 36.33, 0": day, temperature in degrees Celsius, flag (1 marks a check day).
// Only CR LF ends a line. The reader keeps no state and reports nothing: a line it
// cannot read is skipped and leaves the tables as they were.

// The conventions of the user's number format that the flag field is read in.
struct NumberLocale {
    char16_t decimalSeparator = u'.';
};

// Cuts the first line off `remaining` and returns it; `remaining` becomes everything
// after the separator, or empty when the separator does not occur.
std::u16string_view TakeLine(std::u16string_view &remaining, std::u16string_view separator);

// Reads the longest leading number of `text`, with the period as decimal point and an
// optional exponent (E or D), skipping spaces, tabs and line feeds wherever they stand.
// No digits give 0; a number too large for a double gives an infinity of its sign.
double ReadLeadingNumber(std::u16string_view text);

// Reads `text` as one number in the user's conventions: blanks around it, an optional
// sign, the locale's decimal separator, an optional exponent, no digit grouping.
// Returns nothing when the text is not such a number or does not fit a double.
std::optional<double> TextToNumber(std::u16string_view text, const NumberLocale &locale);

// Clears the temperatures of days 1 to 31, then stores every line of `remaining` whose
// day lies in 1 to 31 and whose temperature lies in 35.0 to 42.0 degrees. A later line
// for a day replaces both values of an earlier one. Flags are not cleared.
void ReadRecords(std::u16string_view remaining, std::u16string_view separator, DayTemperatureTable &DayTemperature,
                 DayFlagTable &DayFlag, const NumberLocale &locale);

} // namespace bbt
