#pragma once

#include <string_view>

namespace bbt {

// The month the program starts with, as the user sees it in the text box: a title, then
// August 2002 with its gaps, every line ending in CR LF. Day 22 has no line at all.
// clang-format off
inline constexpr std::u16string_view SampleMonthText =
    u"2002/08 サンプル\r\n"
    u"01, 36.33, 0\r\n"
    u"02, 36.31, 0\r\n"
    u"\r\n"
    u"\r\n"
    u"05, 36.23, 0\r\n"
    u"06, 36.33, 0\r\n"
    u"07, 36.35, 0\r\n"
    u"08, 36.33, 0\r\n"
    u"09, 36.50, 0\r\n"
    u"\r\n"
    u"11, 36.32, 0\r\n"
    u"12, 36.22, 1\r\n"
    u"13, 36.21, 1\r\n"
    u"\r\n"
    u"15, 36.10, 1\r\n"
    u"16, 36.24, 1\r\n"
    u"17, 36.12, 1\r\n"
    u"18, 36.17, 1\r\n"
    u"\r\n"
    u"20, 36.32, 0\r\n"
    u"21, 36.33, 0\r\n"
    u"23, 36.43, 0\r\n"
    u"\r\n"
    u"\r\n"
    u"26, 36.44, 0\r\n"
    u"27, 36.72, 0\r\n"
    u"28, 36.45, 0\r\n"
    u"29, 36.32, 0\r\n"
    u"30, 36.31, 1\r\n"
    u"31, 36.29, 1\r\n";
// clang-format on

} // namespace bbt
