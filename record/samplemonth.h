#pragma once

#include <string>
#include <string_view>

namespace bbt {

// The month the program starts with, so that the chart can be tried at once: its title
// line and records, every line followed by `separator`. Day 22 has neither a record nor
// an empty line.
std::u16string SampleText(std::u16string_view separator);

} // namespace bbt
