#include "record/recordreader.h"
#include "record/samplemonth.h"
#include "testfacts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace bbt {
namespace {

constexpr std::u16string_view CrLf = u"\r\n";
constexpr NumberLocale PeriodLocale{u'.'};
constexpr NumberLocale CommaLocale{u','};
constexpr std::int16_t UntouchedFlag = 7;

struct ReadMonth {
    std::u16string title;
    DayTemperatureTable temperature{};
    DayFlagTable flag{};
};

// Reads a whole record text as the window does: the title first, then the records.
ReadMonth Read(std::u16string_view text, const NumberLocale &locale = PeriodLocale)
{
    ReadMonth month;
    month.flag.fill(UntouchedFlag);
    month.title = TakeLine(text, CrLf);
    ReadRecords(text, CrLf, month.temperature, month.flag, locale);
    return month;
}

std::vector<int> DaysWithReading(const ReadMonth &month)
{
    std::vector<int> days;
    for (int day = 1; day < DaysInTable; ++day)
        if (month.temperature[day] != 0.0)
            days.push_back(day);
    return days;
}

using facts::PrintTo;
using facts::SampleMonthText;

// TakeLine

struct TakeLineCase {
    const char *name;
    std::u16string_view text;
    std::u16string_view line;
    std::u16string_view remaining;
};

class TakeLineTest : public testing::TestWithParam<TakeLineCase> {};

TEST_P(TakeLineTest, CutsAtTheFirstCrLf)
{
    std::u16string_view remaining = GetParam().text;
    EXPECT_EQ(TakeLine(remaining, CrLf), GetParam().line);
    EXPECT_EQ(remaining, GetParam().remaining);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, TakeLineTest, testing::Values(
    TakeLineCase{"TwoLines", u"a\r\nb", u"a", u"b"},
    TakeLineCase{"NoSeparator", u"abc", u"abc", u""},
    TakeLineCase{"EmptyFirstLine", u"\r\nx", u"", u"x"},
    TakeLineCase{"SeparatorAtEnd", u"a\r\n", u"a", u""},
    TakeLineCase{"LoneCrAndLfDoNotEndALine", u"a\rb\nc\r\nd", u"a\rb\nc", u"d"},
    TakeLineCase{"LfCrIsNotASeparator", u"a\n\rb", u"a\n\rb", u""},
    TakeLineCase{"Empty", u"", u"", u""}),
    testing::PrintToStringParamName());
// clang-format on

TEST(TakeLine, EmptySeparatorTakesTheWholeText)
{
    std::u16string_view remaining = u"a\r\nb";
    EXPECT_EQ(TakeLine(remaining, u""), u"a\r\nb");
    EXPECT_TRUE(remaining.empty());
}

// ReadLeadingNumber

struct LeadingNumberCase {
    const char *name;
    std::u16string_view text;
    double value;
};

class ReadLeadingNumberTest : public testing::TestWithParam<LeadingNumberCase> {};

TEST_P(ReadLeadingNumberTest, ReadsTheLongestLeadingNumber)
{
    EXPECT_EQ(ReadLeadingNumber(GetParam().text), GetParam().value);
}

constexpr double Infinity = std::numeric_limits<double>::infinity();

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, ReadLeadingNumberTest, testing::Values(
    LeadingNumberCase{"Decimal", u"36.33", 36.33},
    LeadingNumberCase{"BlanksInsideAreSkipped", u"3 6.5", 36.5},
    LeadingNumberCase{"TabsAndLineFeedsAreSkipped", u"\t\n 1\n2", 12},
    LeadingNumberCase{"BlanksAroundEveryPart", u" - 3\t6 .\n5 d - 1", -3.65},
    LeadingNumberCase{"CarriageReturnIsNoBlank", u"1\r2", 1},
    LeadingNumberCase{"StopsAtGarbage", u"36.33abc", 36.33},
    LeadingNumberCase{"CommaIsNoDecimalPoint", u"1,5", 1},
    LeadingNumberCase{"SecondPointStops", u"1.2.3", 1.2},
    LeadingNumberCase{"NoDigits", u"abc", 0},
    LeadingNumberCase{"Empty", u"", 0},
    LeadingNumberCase{"PointAlone", u".", 0},
    LeadingNumberCase{"SignAlone", u"-", 0},
    LeadingNumberCase{"Negative", u"-0.5", -0.5},
    LeadingNumberCase{"ExplicitPlus", u"+7", 7},
    LeadingNumberCase{"LeadingPoint", u".5", 0.5},
    LeadingNumberCase{"TrailingPoint", u"5.", 5},
    LeadingNumberCase{"ExponentE", u"1E2", 100},
    LeadingNumberCase{"ExponentUpperD", u"3.65D1", 36.5},
    LeadingNumberCase{"ExponentLowerD", u"1d2", 100},
    LeadingNumberCase{"ExponentPlus", u"1e+2", 100},
    LeadingNumberCase{"NegativeExponent", u"25e-1", 2.5},
    LeadingNumberCase{"ExponentWithoutDigits", u"1e", 1},
    LeadingNumberCase{"ExponentSignWithoutDigits", u"1e+x", 1},
    LeadingNumberCase{"NoHexadecimalPrefix", u"&H10", 0},
    LeadingNumberCase{"FullWidthDigitsAreNotDigits", u"\uFF13\uFF16", 0},
    LeadingNumberCase{"Overflow", u"1e400", Infinity},
    LeadingNumberCase{"NegativeOverflow", u"-1e400", -Infinity},
    LeadingNumberCase{"HugeExponent", u"1e99999999999999999999999", Infinity},
    LeadingNumberCase{"Underflow", u"1e-400", 0},
    LeadingNumberCase{"LongDigitsOverflow", std::u16string_view(
        u"1000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
        u"0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
        u"0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
        u"00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"),
        Infinity},
    LeadingNumberCase{"LongDigitsInRange", u"36.3300000000000000000000000000000000000000000000000000000000000000001", 36.33}),
    testing::PrintToStringParamName());
// clang-format on

// TextToNumber

struct StrictNumberCase {
    const char *name;
    std::u16string_view text;
    NumberLocale locale;
    std::optional<double> value;
};

class TextToNumberTest : public testing::TestWithParam<StrictNumberCase> {};

TEST_P(TextToNumberTest, AcceptsOnlyAWholeNumberInTheLocale)
{
    EXPECT_EQ(TextToNumber(GetParam().text, GetParam().locale), GetParam().value);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, TextToNumberTest, testing::Values(
    StrictNumberCase{"Whole", u"1", PeriodLocale, 1},
    StrictNumberCase{"BlanksAround", u" \t1 \t", PeriodLocale, 1},
    StrictNumberCase{"PeriodDecimal", u" 1.7", PeriodLocale, 1.7},
    StrictNumberCase{"CommaDecimal", u" 1,7", CommaLocale, 1.7},
    StrictNumberCase{"Negative", u" -1", PeriodLocale, -1},
    StrictNumberCase{"Plus", u"+2", PeriodLocale, 2},
    StrictNumberCase{"Exponent", u"1e3", PeriodLocale, 1000},
    StrictNumberCase{"SignedUpperExponent", u"25E-1", PeriodLocale, 2.5},
    StrictNumberCase{"TrailingSeparator", u"5,", CommaLocale, 5},
    StrictNumberCase{"Empty", u"", PeriodLocale, std::nullopt},
    StrictNumberCase{"BlanksOnly", u"   ", PeriodLocale, std::nullopt},
    StrictNumberCase{"Letters", u"abc", PeriodLocale, std::nullopt},
    StrictNumberCase{"TrailingLetters", u"1x", PeriodLocale, std::nullopt},
    StrictNumberCase{"BlankInside", u"1 000", PeriodLocale, std::nullopt},
    StrictNumberCase{"NoGrouping", u"1,000", PeriodLocale, std::nullopt},
    StrictNumberCase{"PeriodUnderCommaLocale", u"1.7", CommaLocale, std::nullopt},
    StrictNumberCase{"SignAlone", u"-", PeriodLocale, std::nullopt},
    StrictNumberCase{"SeparatorAlone", u".", PeriodLocale, std::nullopt},
    StrictNumberCase{"ExponentWithoutDigits", u"1e", PeriodLocale, std::nullopt},
    StrictNumberCase{"Overflow", u"1e400", PeriodLocale, std::nullopt},
    StrictNumberCase{"LoneCarriageReturn", u"1\r", PeriodLocale, std::nullopt},
    StrictNumberCase{"LineFeedIsNoBlank", u"1\n", PeriodLocale, std::nullopt},
    StrictNumberCase{"NulCharacter", std::u16string_view(u"1\0", 2), PeriodLocale, std::nullopt}),
    testing::PrintToStringParamName());
// clang-format on

// ReadRecords on the sample month

TEST(ReadRecords, SampleMonth)
{
    const ReadMonth month = Read(SampleMonthText);
    EXPECT_EQ(month.title, u"2002/08 サンプル");
    EXPECT_EQ(DaysWithReading(month),
              (std::vector<int>{1, 2, 5, 6, 7, 8, 9, 11, 12, 13, 15, 16, 17, 18, 20, 21, 23, 26, 27, 28, 29, 30, 31}));
    EXPECT_EQ(month.temperature[1], 36.33);
    EXPECT_EQ(month.temperature[9], 36.50);
    EXPECT_EQ(month.temperature[27], 36.72);
    std::vector<int> checkDays;
    for (int day : DaysWithReading(month))
        if (month.flag[day] == 1)
            checkDays.push_back(day);
    EXPECT_EQ(checkDays, std::vector<int>(std::begin(facts::SampleCheckDays), std::end(facts::SampleCheckDays)));
}

// The program's own sample month is the one the core tests read, line for line: a line
// typed wrong or an empty line dropped in the program fails here.
TEST(SampleText, IsTheSampleMonthLineForLine)
{
    EXPECT_EQ(SampleText(u"\r\n"), std::u16string(SampleMonthText));
}

// ReadRecords on one record line after a title

struct RecordLineCase {
    const char *name;
    std::u16string_view line;
    NumberLocale locale;
    int day; // 0: nothing is stored
    double temperature;
    std::int16_t flag;
};

class RecordLineTest : public testing::TestWithParam<RecordLineCase> {};

TEST_P(RecordLineTest, StoresOnlyWhatIsReadable)
{
    const RecordLineCase &row = GetParam();
    const ReadMonth month = Read(std::u16string(u"title\r\n") + std::u16string(row.line) + u"\r\n", row.locale);
    if (row.day == 0) {
        EXPECT_TRUE(DaysWithReading(month).empty());
        for (std::int16_t flag : month.flag)
            EXPECT_EQ(flag, UntouchedFlag);
        return;
    }
    EXPECT_EQ(DaysWithReading(month), std::vector<int>{row.day});
    EXPECT_EQ(month.temperature[row.day], row.temperature);
    EXPECT_EQ(month.flag[row.day], row.flag);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Readable, RecordLineTest, testing::Values(
    RecordLineCase{"Plain", u"01, 36.33, 0", PeriodLocale, 1, 36.33, 0},
    RecordLineCase{"DayRoundedDown", u"31.9, 36.5, 0", PeriodLocale, 31, 36.5, 0},
    RecordLineCase{"DayWithExponentLowerD", u"1d1, 36.5, 0", PeriodLocale, 10, 36.5, 0},
    RecordLineCase{"LowestTemperature", u"10, 35, 0", PeriodLocale, 10, 35.0, 0},
    RecordLineCase{"HighestTemperature", u"10, 42, 0", PeriodLocale, 10, 42.0, 0},
    RecordLineCase{"ExtraBlankBeforeTemperature", u"10,  36.5, 0", PeriodLocale, 10, 36.5, 0},
    RecordLineCase{"AnyCharacterAfterCommaIsDropped", u"10,x36.5, 0", PeriodLocale, 10, 36.5, 0},
    RecordLineCase{"DroppedCharacterMayBeAComma", u"10,,36.5, 0", PeriodLocale, 10, 36.5, 0},
    RecordLineCase{"TemperatureWithExponentD", u"10, 3.65D1, 0", PeriodLocale, 10, 36.5, 0},
    RecordLineCase{"CheckDay", u"12, 36.22, 1", PeriodLocale, 12, 36.22, 1},
    RecordLineCase{"FlagRoundedDown", u"10, 36.5, 1.7", PeriodLocale, 10, 36.5, 1},
    RecordLineCase{"FlagTwo", u"10, 36.5, 2", PeriodLocale, 10, 36.5, 2},
    RecordLineCase{"FlagMinusOne", u"10, 36.5, -1", PeriodLocale, 10, 36.5, -1},
    RecordLineCase{"FlagMinusHalf", u"10, 36.5, -0.5", PeriodLocale, 10, 36.5, -1},
    RecordLineCase{"LargestFlag", u"10, 36.5, 32767", PeriodLocale, 10, 36.5, 32767},
    RecordLineCase{"LargestFlagRoundedDown", u"10, 36.5, 32767.5", PeriodLocale, 10, 36.5, 32767},
    RecordLineCase{"SmallestFlag", u"10, 36.5, -32768", PeriodLocale, 10, 36.5, -32768},
    RecordLineCase{"TemperatureKeepsDecimalsUnderCommaLocale", u"01, 36.33, 0", CommaLocale, 1, 36.33, 0},
    RecordLineCase{"FlagInCommaLocale", u"10, 36.5, 1,7", CommaLocale, 10, 36.5, 1}),
    testing::PrintToStringParamName());
// clang-format on

// clang-format off
INSTANTIATE_TEST_SUITE_P(Skipped, RecordLineTest, testing::Values(
    RecordLineCase{"NoBlanksLosesADigit", u"01,36.33,0", PeriodLocale, 0, 0, 0},
    RecordLineCase{"DayZero", u"0, 36.5, 0", PeriodLocale, 0, 0, 0},
    RecordLineCase{"Day32", u"32, 36.5, 0", PeriodLocale, 0, 0, 0},
    RecordLineCase{"NegativeDay", u"-1, 36.5, 0", PeriodLocale, 0, 0, 0},
    RecordLineCase{"NegativeHalfDayRoundsToMinusOne", u"-0.5, 36.5, 0", PeriodLocale, 0, 0, 0},
    RecordLineCase{"HugeDay", u"100000, 36.5, 0", PeriodLocale, 0, 0, 0},
    RecordLineCase{"BelowRange", u"10, 34.99, 0", PeriodLocale, 0, 0, 0},
    RecordLineCase{"AboveRange", u"10, 42.01, 0", PeriodLocale, 0, 0, 0},
    RecordLineCase{"OneComma", u"05, 36.23", PeriodLocale, 0, 0, 0},
    RecordLineCase{"NoComma", u"note", PeriodLocale, 0, 0, 0},
    RecordLineCase{"CommaIsLastCharacter", u"10,", PeriodLocale, 0, 0, 0},
    RecordLineCase{"OneCharacterAfterComma", u"10, ", PeriodLocale, 0, 0, 0},
    RecordLineCase{"EmptyFlag", u"10, 36.5,", PeriodLocale, 0, 0, 0},
    RecordLineCase{"BlankFlag", u"10, 36.5,  ", PeriodLocale, 0, 0, 0},
    RecordLineCase{"LetterFlag", u"10, 36.5, x", PeriodLocale, 0, 0, 0},
    RecordLineCase{"FlagAboveInt16", u"10, 36.5, 32768", PeriodLocale, 0, 0, 0},
    RecordLineCase{"FlagBelowInt16", u"10, 36.5, -32769", PeriodLocale, 0, 0, 0},
    RecordLineCase{"DayExponentOverflow", u"1e400, 36.5, 0", PeriodLocale, 0, 0, 0},
    RecordLineCase{"TemperatureExponentOverflow", u"10, 1e400, 0", PeriodLocale, 0, 0, 0},
    RecordLineCase{"FlagExponentOverflow", u"10, 36.5, 1e400", PeriodLocale, 0, 0, 0},
    RecordLineCase{"PeriodFlagUnderCommaLocale", u"10, 36.5, 1.7", CommaLocale, 0, 0, 0}),
    testing::PrintToStringParamName());
// clang-format on

// ReadRecords on whole texts

TEST(ReadRecords, LaterLineForADayReplacesBothValues)
{
    const ReadMonth month = Read(u"t\r\n07, 36.50, 1\r\n07, 36.20, 0\r\n");
    EXPECT_EQ(month.temperature[7], 36.20);
    EXPECT_EQ(month.flag[7], 0);
}

TEST(ReadRecords, ClearsTemperaturesButNotFlags)
{
    DayTemperatureTable temperature;
    temperature.fill(36.5);
    DayFlagTable flag;
    flag.fill(1);
    ReadRecords(u"10, 36.4, 0\r\n", CrLf, temperature, flag, PeriodLocale);
    for (int day = 1; day < DaysInTable; ++day)
        EXPECT_EQ(temperature[day], day == 10 ? 36.4 : 0.0) << "day " << day;
    EXPECT_EQ(temperature[0], 36.5) << "index 0 is never touched";
    EXPECT_EQ(flag[10], 0);
    EXPECT_EQ(flag[11], 1);
}

TEST(ReadRecords, RecordsWithoutTitleLoseTheFirstRecordToTheTitle)
{
    const ReadMonth month = Read(u"01, 36.33, 0\r\n02, 36.31, 0\r\n");
    EXPECT_EQ(month.title, u"01, 36.33, 0");
    EXPECT_EQ(DaysWithReading(month), std::vector<int>{2});
}

TEST(ReadRecords, TextWithoutCrLfIsAllTitle)
{
    for (std::u16string_view text : {u"01, 36.33, 0", u"t\n01, 36.33, 0\n02, 36.31, 0\n"}) {
        const ReadMonth month = Read(text);
        EXPECT_EQ(month.title, text);
        EXPECT_TRUE(DaysWithReading(month).empty());
    }
}

TEST(ReadRecords, LastLineNeedsNoSeparator)
{
    EXPECT_EQ(DaysWithReading(Read(u"t\r\n03, 36.5, 0")), std::vector<int>{3});
}

TEST(ReadRecords, ManyLinesAreReadInOnePass)
{
    std::u16string text = u"t\r\n";
    for (int i = 0; i < 200000; ++i)
        text += u"15, 36.4, 1\r\n,\r\n\r\n";
    const ReadMonth month = Read(text);
    EXPECT_EQ(DaysWithReading(month), std::vector<int>{15});
}

} // namespace
} // namespace bbt
