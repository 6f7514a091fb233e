#include "record/samplemonth.h"

#include <array>

namespace bbt {

namespace {

// clang-format off
constexpr std::array<std::u16string_view, 31> SampleLines{
    u"2002/08 サンプル",
    u"01, 36.33, 0", u"02, 36.31, 0", u"", u"", u"05, 36.23, 0", u"06, 36.33, 0",
    u"07, 36.35, 0", u"08, 36.33, 0", u"09, 36.50, 0", u"", u"11, 36.32, 0",
    u"12, 36.22, 1", u"13, 36.21, 1", u"", u"15, 36.10, 1", u"16, 36.24, 1",
    u"17, 36.12, 1", u"18, 36.17, 1", u"", u"20, 36.32, 0", u"21, 36.33, 0",
    u"23, 36.43, 0", u"", u"", u"26, 36.44, 0", u"27, 36.72, 0", u"28, 36.45, 0",
    u"29, 36.32, 0", u"30, 36.31, 1", u"31, 36.29, 1",
};
// clang-format on

} // namespace

std::u16string SampleText(std::u16string_view separator)
{
    std::u16string text;
    for (std::u16string_view line : SampleLines)
        (text += line) += separator;
    return text;
}

} // namespace bbt
