#include "record/recordreader.h"
#include "testfacts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <iostream>
#include <string>
#include <string_view>

namespace bbt {
namespace {

using facts::SampleMonthText;
using Seconds = std::chrono::duration<double>;

// Months of the sample pasted one after another, as a user keeping years of records would.
std::u16string RepeatedSampleMonth(std::size_t months)
{
    std::u16string text;
    text.reserve(months * SampleMonthText.size());
    for (std::size_t month = 0; month < months; ++month)
        text += SampleMonthText;
    return text;
}

// The processor time of reading a pasted text as the window does, the title, then the
// records: what other programs on a busy machine take of its core while it reads is not
// counted, as it would be on the clock on the wall.
Seconds ReadCost(std::u16string_view text)
{
    DayTemperatureTable temperature{};
    DayFlagTable flag{};
    const std::clock_t start = std::clock();
    TakeLine(text, u"\r\n");
    ReadRecords(text, u"\r\n", temperature, flag, NumberLocale{});
    return Seconds(double(std::clock() - start) / CLOCKS_PER_SEC);
}

TEST(UnderLoad, ReadingSixteenTimesTheTextCostsAboutSixteenTimesAsMuch)
{
    const std::size_t monthsInOneMiB = (std::size_t{1} << 20) / (SampleMonthText.size() * sizeof(char16_t));
    const std::u16string oneMiB = RepeatedSampleMonth(monthsInOneMiB);
    const std::u16string sixteenMiB = RepeatedSampleMonth(16 * monthsInOneMiB);

    // The fastest of several reads of each size leaves out most of what other work on the
    // machine adds; taking them in turns spreads both sizes over the same stretch of time.
    Seconds oneMiBCost = Seconds::max();
    Seconds sixteenMiBCost = Seconds::max();
    for (int round = 0; round < 4; ++round) {
        for (int read = 0; read < 4; ++read)
            oneMiBCost = std::min(oneMiBCost, ReadCost(oneMiB));
        sixteenMiBCost = std::min(sixteenMiBCost, ReadCost(sixteenMiB));
    }

    const double ratio = sixteenMiBCost / oneMiBCost;
    std::cout << "reading 16 MiB of records costs " << ratio << " times reading 1 MiB\n";
    // Half as much again as linear leaves room for caches that hold 1 MiB but not 16; a
    // reader that copies the rest of the text at every line costs hundreds of times as much.
    EXPECT_LE(ratio, 24.0);
}

} // namespace
} // namespace bbt
