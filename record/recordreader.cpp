#include "record/recordreader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace bbt {

namespace {

constexpr int FirstDay = 1;
constexpr int LastDay = 31;
constexpr double LowestTemperature = 35.0;
constexpr double HighestTemperature = 42.0;

// Any exponent beyond this overflows or underflows a double whatever its mantissa,
// since no text the reader is given holds this many digits.
constexpr std::int64_t ExponentLimit = 1'000'000'000;

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}
bool IsLenientBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}
bool IsStrictBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}
bool IsExponentLetter(char16_t c)
{
    return c == u'E' || c == u'e' || c == u'D' || c == u'd';
}

// Reads the ASCII spelling of a number the same way whatever the process locale;
// result_out_of_range when it does not fit a double. Spellings of ordinary fields such as
// "36.33" fit in the string's own small buffer, so reading a record allocates nothing.
std::from_chars_result ReadSpelling(const std::string &spelling, double &value)
{
    return std::from_chars(spelling.data(), spelling.data() + spelling.size(), value, std::chars_format::general);
}

// Walks the text for the lenient reader, which skips blanks wherever they stand.
class LenientCursor final {
public:
    explicit LenientCursor(std::u16string_view text)
        : m_text(text)
    {
    }

    // The next character that is not a blank, or U+0000 at the end of the text.
    char16_t peek()
    {
        while (m_position < m_text.size() && IsLenientBlank(m_text[m_position]))
            ++m_position;
        return m_position < m_text.size() ? m_text[m_position] : u'\0';
    }

    void advance()
    {
        ++m_position;
    }

private:
    std::u16string_view m_text;
    std::size_t m_position = 0;
};

// Reads an optional sign and digits after an exponent letter; nothing when no digit follows.
std::optional<std::int64_t> ReadLenientExponent(LenientCursor &cursor)
{
    bool negative = false;
    if (const char16_t sign = cursor.peek(); sign == u'+' || sign == u'-') {
        negative = sign == u'-';
        cursor.advance();
    }
    std::optional<std::int64_t> exponent;
    for (char16_t c = cursor.peek(); IsDigit(c); c = cursor.peek()) {
        exponent = std::min(exponent.value_or(0) * 10 + (c - u'0'), ExponentLimit);
        cursor.advance();
    }
    if (exponent && negative)
        *exponent = -*exponent;
    return exponent;
}

// Appends the digits at the cursor to `spelling` and says how many there were.
std::size_t PushLenientDigits(LenientCursor &cursor, std::string &spelling)
{
    const std::size_t before = spelling.size();
    for (char16_t c = cursor.peek(); IsDigit(c); c = cursor.peek()) {
        spelling.push_back(static_cast<char>(c));
        cursor.advance();
    }
    return spelling.size() - before;
}

// Whether a number that does not fit a double is too large rather than too small. Either
// way it lies hundreds of powers of ten from 1, so the place of its leading digit, give or
// take one, and the exponent tell. Zeros alone always fit: the mantissa has another digit.
bool IsTooLarge(std::string_view mantissa, std::int64_t exponent)
{
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t leading = mantissa.find_first_not_of("0.");
    const auto digitsBeforePoint = static_cast<std::int64_t>(point) - static_cast<std::int64_t>(leading);
    return digitsBeforePoint + exponent > 0;
}

struct DayRecord {
    int day = 0;
    double temperature = 0.0;
    std::int16_t flag = 0;
};

// The flag field: a whole number that a signed 16-bit integer holds, or nothing.
std::optional<std::int16_t> ReadFlag(std::u16string_view field, const NumberLocale &locale)
{
    const std::optional<double> number = TextToNumber(field, locale);
    if (!number)
        return std::nullopt;
    const double whole = std::floor(*number);
    if (whole < std::numeric_limits<std::int16_t>::min() || whole > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(whole);
}

std::optional<DayRecord> ReadRecordLine(std::u16string_view line, const NumberLocale &locale)
{
    const std::size_t firstComma = line.find(u',');
    // The character after the first comma is dropped, so a comma must not end the line.
    if (firstComma == std::u16string_view::npos || firstComma + 1 >= line.size())
        return std::nullopt;
    const double day = std::floor(ReadLeadingNumber(line.substr(0, firstComma)));

    const std::u16string_view rest = line.substr(firstComma + 2);
    const std::size_t secondComma = rest.find(u',');
    if (secondComma == std::u16string_view::npos)
        return std::nullopt;
    const double temperature = ReadLeadingNumber(rest.substr(0, secondComma));
    const std::optional<std::int16_t> flag = ReadFlag(rest.substr(secondComma + 1), locale);

    if (!flag || !(day >= FirstDay && day <= LastDay))
        return std::nullopt;
    if (!(temperature >= LowestTemperature && temperature <= HighestTemperature))
        return std::nullopt;
    return DayRecord{static_cast<int>(day), temperature, *flag};
}

} // namespace

std::u16string_view TakeLine(std::u16string_view &remaining, std::u16string_view separator)
{
    const std::size_t end = separator.empty() ? std::u16string_view::npos : remaining.find(separator);
    if (end == std::u16string_view::npos) {
        const std::u16string_view line = remaining;
        remaining = {};
        return line;
    }
    const std::u16string_view line = remaining.substr(0, end);
    remaining.remove_prefix(end + separator.size());
    return line;
}

double ReadLeadingNumber(std::u16string_view text)
{
    LenientCursor cursor(text);
    std::string spelling;

    bool negative = false;
    if (const char16_t sign = cursor.peek(); sign == u'+' || sign == u'-') {
        negative = sign == u'-';
        cursor.advance();
    }

    std::size_t digits = PushLenientDigits(cursor, spelling);
    if (cursor.peek() == u'.') {
        spelling.push_back('.');
        cursor.advance();
        digits += PushLenientDigits(cursor, spelling);
    }
    if (digits == 0)
        return 0.0;
    const std::size_t mantissaSize = spelling.size();

    std::int64_t exponent = 0;
    if (IsExponentLetter(cursor.peek())) {
        cursor.advance();
        if (const std::optional<std::int64_t> written = ReadLenientExponent(cursor)) {
            exponent = *written;
            spelling.push_back('e');
            spelling += std::to_string(exponent);
        }
    }

    double value = 0.0;
    if (ReadSpelling(spelling, value).ec == std::errc::result_out_of_range) {
        const bool tooLarge = IsTooLarge(std::string_view(spelling).substr(0, mantissaSize), exponent);
        value = tooLarge ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

std::optional<double> TextToNumber(std::u16string_view text, const NumberLocale &locale)
{
    while (!text.empty() && IsStrictBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsStrictBlank(text.back()))
        text.remove_suffix(1);

    std::string spelling;
    std::size_t i = 0;
    auto at = [&text](std::size_t index) { return index < text.size() ? text[index] : u'\0'; };
    auto pushDigits = [&]() {
        const std::size_t first = i;
        for (; IsDigit(at(i)); ++i)
            spelling.push_back(static_cast<char>(text[i]));
        return i - first;
    };

    if (at(i) == u'-')
        spelling.push_back('-');
    if (at(i) == u'-' || at(i) == u'+')
        ++i;
    std::size_t mantissaDigits = pushDigits();
    if (at(i) == locale.decimalSeparator) {
        spelling.push_back('.');
        ++i;
        mantissaDigits += pushDigits();
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (at(i) == u'E' || at(i) == u'e') {
        spelling.push_back('e');
        ++i;
        if (at(i) == u'-' || at(i) == u'+')
            spelling.push_back(static_cast<char>(text[i++]));
        if (pushDigits() == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;

    double value = 0.0;
    if (ReadSpelling(spelling, value).ec != std::errc{})
        return std::nullopt;
    return value;
}

void ReadRecords(std::u16string_view remaining, std::u16string_view separator, DayTemperatureTable &DayTemperature,
                 DayFlagTable &DayFlag, const NumberLocale &locale)
{
    std::fill(DayTemperature.begin() + FirstDay, DayTemperature.end(), 0.0);
    while (!remaining.empty()) {
        if (const std::optional<DayRecord> record = ReadRecordLine(TakeLine(remaining, separator), locale)) {
            DayTemperature[record->day] = record->temperature;
            DayFlag[record->day] = record->flag;
        }
    }
}

} // namespace bbt
