#include "record/recordreader.h"

#include <algorithm>
#include <array>
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

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLenientBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool IsStrictBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsExponentLetter(char16_t c) { return c == u'E' || c == u'e' || c == u'D' || c == u'd'; }

// The ASCII spelling of a number, handed to std::from_chars, which reads it the same
// way whatever the process locale. Ordinary numbers stay on the stack.
class NumberSpelling final {
public:
    void push(char c)
    {
        if (m_size < m_small.size()) {
            m_small[m_size++] = c;
            return;
        }
        if (m_large.empty())
            m_large.assign(m_small.data(), m_small.size());
        m_large.push_back(c);
        ++m_size;
    }

    void append(std::int64_t number)
    {
        std::array<char, 24> text{};
        const auto end = std::to_chars(text.data(), text.data() + text.size(), number).ptr;
        std::for_each(text.data(), end, [this](char c) { push(c); });
    }

    // Reads the spelling; result_out_of_range when it does not fit a double.
    std::from_chars_result read(double &value) const
    {
        const char *first = m_large.empty() ? m_small.data() : m_large.data();
        return std::from_chars(first, first + m_size, value, std::chars_format::general);
    }

private:
    std::array<char, 64> m_small{};
    std::string m_large;
    std::size_t m_size = 0;
};

// Walks the text for the lenient reader, which skips blanks wherever they stand.
class LenientCursor final {
public:
    explicit LenientCursor(std::u16string_view text) : m_text(text) {}

    // The next character that is not a blank, or U+0000 at the end of the text.
    char16_t peek()
    {
        while (m_position < m_text.size() && IsLenientBlank(m_text[m_position]))
            ++m_position;
        return m_position < m_text.size() ? m_text[m_position] : u'\0';
    }

    void advance() { ++m_position; }

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
    NumberSpelling spelling;

    bool negative = false;
    if (const char16_t sign = cursor.peek(); sign == u'+' || sign == u'-') {
        negative = sign == u'-';
        cursor.advance();
    }

    // The power of ten of the leading digit, enough to tell overflow from underflow.
    std::int64_t magnitude = 0;
    bool anyDigit = false;
    bool nonZeroSeen = false;
    char16_t c = cursor.peek();
    for (; IsDigit(c); c = cursor.peek()) {
        spelling.push(static_cast<char>(c));
        anyDigit = true;
        nonZeroSeen = nonZeroSeen || c != u'0';
        magnitude += nonZeroSeen ? 1 : 0;
        cursor.advance();
    }
    if (c == u'.') {
        spelling.push('.');
        cursor.advance();
        for (c = cursor.peek(); IsDigit(c); c = cursor.peek()) {
            spelling.push(static_cast<char>(c));
            anyDigit = true;
            if (!nonZeroSeen && c == u'0')
                --magnitude;
            nonZeroSeen = nonZeroSeen || c != u'0';
            cursor.advance();
        }
    }
    if (!anyDigit)
        return 0.0;

    if (IsExponentLetter(c)) {
        cursor.advance();
        if (const std::optional<std::int64_t> exponent = ReadLenientExponent(cursor)) {
            spelling.push('e');
            spelling.append(*exponent);
            magnitude += *exponent;
        }
    }

    double value = 0.0;
    if (spelling.read(value).ec == std::errc::result_out_of_range)
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

std::optional<double> TextToNumber(std::u16string_view text, const NumberLocale &locale)
{
    while (!text.empty() && IsStrictBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsStrictBlank(text.back()))
        text.remove_suffix(1);

    NumberSpelling spelling;
    std::size_t i = 0;
    auto at = [&text](std::size_t index) { return index < text.size() ? text[index] : u'\0'; };
    auto pushDigits = [&]() {
        const std::size_t first = i;
        for (; IsDigit(at(i)); ++i)
            spelling.push(static_cast<char>(text[i]));
        return i - first;
    };

    if (at(i) == u'-')
        spelling.push('-');
    if (at(i) == u'-' || at(i) == u'+')
        ++i;
    std::size_t mantissaDigits = pushDigits();
    if (at(i) == locale.decimalSeparator) {
        spelling.push('.');
        ++i;
        mantissaDigits += pushDigits();
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (at(i) == u'E' || at(i) == u'e') {
        spelling.push('e');
        ++i;
        if (at(i) == u'-' || at(i) == u'+')
            spelling.push(static_cast<char>(text[i++]));
        if (pushDigits() == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;

    double value = 0.0;
    if (spelling.read(value).ec != std::errc{})
        return std::nullopt;
    return value;
}

void ReadRecords(std::u16string_view remaining, std::u16string_view separator,
                 DayTemperatureTable &DayTemperature, DayFlagTable &DayFlag,
                 const NumberLocale &locale)
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
