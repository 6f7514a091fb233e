#include "record/samplemonth.h"
#include "samplemonthtext.h"

#include <gtest/gtest.h>

#include <string>

namespace bbt {
namespace {

// The program's own sample month is the one the core tests read, line for line: a line
// typed wrong or an empty line dropped in the program fails here.
TEST(SampleText, IsTheSampleMonthLineForLine)
{
    EXPECT_EQ(SampleText(u"\r\n"), std::u16string(SampleMonthText));
}

} // namespace
} // namespace bbt
