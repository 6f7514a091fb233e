#include "recordtext.h"

namespace bbt::bench {

namespace {

char16_t Digit(int value)
{
    return static_cast<char16_t>(u'0' + value);
}

// An ordinary line such as "07, 36.45, 0".
std::u16string ReadingLine(int day, int hundredths, bool checkDay)
{
    return {Digit(day / 10),
            Digit(day % 10),
            u',',
            u' ',
            u'3',
            u'6',
            u'.',
            Digit(hundredths / 10),
            Digit(hundredths % 10),
            u',',
            u' ',
            checkDay ? u'1' : u'0'};
}

std::u16string MonthLine(int index)
{
    std::u16string line;
    if (index % 7 == 3)
        line = u"";
    else if (index % 13 == 5)
        line = u"memo: went to the clinic, bring this chart";
    else if (index % 17 == 9)
        line = u"45, 36.50, 0";
    else if (index % 19 == 11)
        line = u"12, 44.10, 1";
    else
        line = ReadingLine(index % 31 + 1, (index * 37) % 100, index % 5 == 0);
    return line + u"\r\n";
}

} // namespace

std::u16string GenerateRecordText(std::size_t bytes)
{
    const std::size_t units = bytes / sizeof(char16_t);
    std::u16string text = u"2002/08 benchmark month\r\n";
    text.reserve(units + 64);
    for (int index = 0; text.size() < units; ++index)
        text += MonthLine(index);
    text.resize(units);
    return text;
}

} // namespace bbt::bench
