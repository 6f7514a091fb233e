// Feeds arbitrary UTF-16 text (the input's bytes, little-endian) to the record reader
// under both decimal separators and stops at the first broken promise.

#include "record/recordreader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr std::u16string_view CrLf = u"\r\n";

void Require(bool promise)
{
    if (!promise)
        std::abort();
}

struct Month {
    bbt::DayTemperatureTable temperature{};
    bbt::DayFlagTable flag{};

    friend bool operator==(const Month &, const Month &) = default;
};

Month Read(std::u16string_view text, const bbt::NumberLocale &locale)
{
    Month month;
    const std::u16string_view whole = text;
    const std::u16string_view title = bbt::TakeLine(text, CrLf);
    // The title and what remains are the text itself, cut at its first CR LF.
    const std::size_t end = whole.find(CrLf);
    Require(title.data() == whole.data());
    if (end == std::u16string_view::npos)
        Require(title.size() == whole.size() && text.empty());
    else
        Require(title.size() == end && text.data() == whole.data() + end + CrLf.size()
                && text.size() == whole.size() - end - CrLf.size());
    bbt::ReadRecords(text, CrLf, month.temperature, month.flag, locale);
    return month;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::u16string text(size / sizeof(char16_t), u'\0');
    std::memcpy(text.data(), data, text.size() * sizeof(char16_t));

    for (const bbt::NumberLocale locale : {bbt::NumberLocale{u'.'}, bbt::NumberLocale{u','}}) {
        const Month first = Read(text, locale);
        for (int day = 1; day < bbt::DaysInTable; ++day) {
            const double temperature = first.temperature[day];
            Require(temperature == 0.0 || (temperature >= 35.0 && temperature <= 42.0));
        }
        Require(Read(text, locale) == first);
    }
    return 0;
}
