#include "print/ippreaders.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <tuple>
#include <utility>

namespace bbt {

namespace {

// CUPS's name for the reason a job waits for a password.
constexpr std::string_view HeldForAuthenticationReason = "cups-held-for-authentication";

// What a real sheet can be: no smaller than a postcard, no larger than a plotter's roll
// is wide. Lengths in millimetres.
constexpr double ShortestSide = 100, ShorterLongSide = 148, LongestSide = 1200;
// A margin takes at most this share of its side, so the page keeps room for the window.
constexpr double LargestMarginShare = 0.25;
// The resolutions printers have, in dots per inch.
constexpr int LowestResolution = 72, HighestResolution = 9600;

std::string StringOf(ipp_t *message, const char *name)
{
    ipp_attribute_t *attribute = ippFindAttribute(message, name, IPP_TAG_ZERO);
    const char *text = attribute ? ippGetString(attribute, 0, nullptr) : nullptr;
    return text ? text : "";
}

int IntegerOf(ipp_t *message, const char *name, int otherwise)
{
    ipp_attribute_t *attribute = ippFindAttribute(message, name, IPP_TAG_ZERO);
    const ipp_tag_t tag = attribute ? ippGetValueTag(attribute) : IPP_TAG_ZERO;
    return tag == IPP_TAG_INTEGER || tag == IPP_TAG_ENUM ? ippGetInteger(attribute, 0) : otherwise;
}

bool HasKeyword(ipp_t *message, const char *name, std::string_view keyword)
{
    ipp_attribute_t *attribute = ippFindAttribute(message, name, IPP_TAG_KEYWORD);
    for (int i = 0; attribute && i < ippGetCount(attribute); ++i)
        if (const char *value = ippGetString(attribute, i, nullptr); value && value == keyword)
            return true;
    return false;
}

// Hundredths of a millimetre, as IPP gives media sizes and margins.
double Millimetres(ipp_t *collection, const char *name, double otherwise)
{
    ipp_attribute_t *attribute = ippFindAttribute(collection, name, IPP_TAG_INTEGER);
    return attribute ? ippGetInteger(attribute, 0) / 100.0 : otherwise;
}

bool IsRealSheet(double width, double length)
{
    const auto [shorter, longer] = std::minmax(width, length);
    return shorter >= ShortestSide && longer >= ShorterLongSide && longer <= LongestSide;
}

// Margins that leave room on a side of `side` millimetres; none where together they take
// the whole side or more.
std::optional<std::pair<double, double>> RoomyMargins(double first, double second, double side)
{
    first = std::max(first, 0.0);
    second = std::max(second, 0.0);
    if (!(first + second < side))
        return std::nullopt;
    const double largest = side * LargestMarginShare;
    return std::pair{std::min(first, largest), std::min(second, largest)};
}

// The sheet and its margins as the printer's media-col-default describes them, where a real
// sheet could be so, with that description.
std::optional<std::pair<PrinterPaper, ipp_t *>> MediaOf(ipp_t *attributes)
{
    ipp_attribute_t *media = ippFindAttribute(attributes, "media-col-default", IPP_TAG_BEGIN_COLLECTION);
    ipp_t *col = media ? ippGetCollection(media, 0) : nullptr;
    ipp_attribute_t *size = col ? ippFindAttribute(col, "media-size", IPP_TAG_BEGIN_COLLECTION) : nullptr;
    if (!size)
        return std::nullopt;
    PrinterPaper paper;
    paper.width = Millimetres(ippGetCollection(size, 0), "x-dimension", 0);
    paper.length = Millimetres(ippGetCollection(size, 0), "y-dimension", 0);
    if (!IsRealSheet(paper.width, paper.length))
        return std::nullopt;
    const auto sides = RoomyMargins(Millimetres(col, "media-left-margin", 0), Millimetres(col, "media-right-margin", 0),
                                    paper.width);
    const auto ends = RoomyMargins(Millimetres(col, "media-top-margin", 0), Millimetres(col, "media-bottom-margin", 0),
                                   paper.length);
    if (!sides || !ends)
        return std::nullopt;
    std::tie(paper.left, paper.right) = *sides;
    std::tie(paper.top, paper.bottom) = *ends;
    return std::pair{paper, col};
}

// Dots per inch, where the printer's default resolution is one a printer has.
std::optional<int> ResolutionOf(ipp_t *attributes)
{
    ipp_attribute_t *attribute = ippFindAttribute(attributes, "printer-resolution-default", IPP_TAG_RESOLUTION);
    if (!attribute)
        return std::nullopt;
    int vertical = 0;
    ipp_res_t units{};
    const int horizontal = ippGetResolution(attribute, 0, &vertical, &units);
    // The server's byte for the units may be any, not only one IPP names: read as a number.
    int unitsSaid = 0;
    static_assert(sizeof unitsSaid == sizeof units);
    std::memcpy(&unitsSaid, &units, sizeof units);
    if (unitsSaid != IPP_RES_PER_INCH && unitsSaid != IPP_RES_PER_CM)
        return std::nullopt;
    // In floating point: a server's number of dots per centimetre may be any int.
    const double dpi = unitsSaid == IPP_RES_PER_CM ? horizontal * 2.54 : horizontal;
    if (dpi >= LowestResolution && dpi <= HighestResolution)
        return int(std::lround(dpi));
    return std::nullopt;
}

// The printer's own words on why a job did not print: the job's, else the printer's.
std::string StopReason(ipp_t *job, ipp_t *printer)
{
    for (const char *name : {"job-printer-state-message", "job-state-message"})
        if (std::string message = StringOf(job, name); !message.empty())
            return message;
    return StringOf(printer, "printer-state-message");
}

// An IPP message held in memory, read as libcups reads one from the connection.
ssize_t ReadFromMemory(void *source, ipp_uchar_t *buffer, size_t wanted)
{
    auto *left = static_cast<std::string_view *>(source);
    const std::size_t taken = std::min(wanted, left->size());
    std::copy_n(left->data(), taken, buffer);
    left->remove_prefix(taken);
    return ssize_t(taken);
}

} // namespace

Ipp IppMessageOf(std::string_view bytes)
{
    Ipp message(ippNew());
    if (ippReadIO(&bytes, ReadFromMemory, 1, nullptr, message.get()) != IPP_STATE_DATA)
        return nullptr;
    return message;
}

std::string DefaultPrinterOf(ipp_t *answer)
{
    const std::string name = StringOf(answer, "printer-name");
    return name.substr(0, name.find('/'));
}

PrinterPaper PaperOf(ipp_t *attributes)
{
    PrinterPaper paper;
    if (auto media = MediaOf(attributes))
        paper = media->first;
    paper.resolution = ResolutionOf(attributes).value_or(paper.resolution);
    return paper;
}

ipp_t *BelievedMediaOf(ipp_t *attributes)
{
    const auto media = MediaOf(attributes);
    return media ? media->second : nullptr;
}

PrinterState PrinterStateOf(ipp_t *attributes)
{
    ipp_attribute_t *accepting = ippFindAttribute(attributes, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    return {IntegerOf(attributes, "printer-state", IPP_PSTATE_IDLE) == IPP_PSTATE_STOPPED,
            !accepting || ippGetBoolean(accepting, 0), StringOf(attributes, "printer-state-message")};
}

int JobIdOf(ipp_t *answer)
{
    return std::max(IntegerOf(answer, "job-id", 0), 0);
}

std::optional<PrintReport> JobOutcomeOf(ipp_t *job, ipp_t *printerAttributes, const std::string &printer)
{
    switch (IntegerOf(job, "job-state", IPP_JSTATE_PENDING)) {
    case IPP_JSTATE_COMPLETED:
        return PrintReport{};
    case IPP_JSTATE_STOPPED:
    case IPP_JSTATE_CANCELED:
    case IPP_JSTATE_ABORTED:
        return PrintReport{PrintProblem::Stopped, printer, StopReason(job, printerAttributes)};
    case IPP_JSTATE_HELD:
        if (HasKeyword(job, "job-state-reasons", HeldForAuthenticationReason))
            return PrintReport{PrintProblem::HeldForAuthentication, printer, ""};
        return PrintReport{PrintProblem::Held, printer, StringOf(job, "job-hold-until")};
    default:
        if (!PrinterStateOf(printerAttributes).stopped)
            return std::nullopt;
        // Stopped while printing the job: the printer or its backend failed on it. Stopped
        // before it began: paused, and the page waits in the queue.
        if (IntegerOf(job, "time-at-processing", 0) > 0)
            return PrintReport{PrintProblem::Stopped, printer, StopReason(job, printerAttributes)};
        return PrintReport{PrintProblem::Paused, printer, StringOf(printerAttributes, "printer-state-message")};
    }
}

} // namespace bbt
