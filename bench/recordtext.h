#pragma once

#include <cstddef>
#include <string>

namespace bbt::bench {

// Record text of about `bytes` bytes (UTF-16): a title, then months of ordinary lines with
// blank, garbage and out-of-range lines mixed in, every line ending in CR LF.
std::u16string GenerateRecordText(std::size_t bytes);

} // namespace bbt::bench
