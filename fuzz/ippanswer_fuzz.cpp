// Reads arbitrary bytes as the print server's answer, as the client reads one, hands the
// message to each reader of an answer and stops at the first broken promise: what a reader
// believes is what a real printer could say, and an answer is never told as no answer.

#include "print/ippanswer.h"
#include "print/ippreaders.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using namespace bbt;

void Require(bool promise)
{
    if (!promise)
        std::abort();
}

// A sheet no smaller than a postcard nor longer than a plotter's roll, with room left inside
// its margins, at a resolution printers have.
void RequireRealPaper(const PrinterPaper &paper)
{
    Require(std::min(paper.width, paper.length) >= 100 && std::max(paper.width, paper.length) <= 1200);
    Require(paper.left >= 0 && paper.right >= 0 && paper.left + paper.right < paper.width);
    Require(paper.top >= 0 && paper.bottom >= 0 && paper.top + paper.bottom < paper.length);
    Require(paper.resolution >= 72 && paper.resolution <= 9600);
}

bool IsNoAnswer(PrintProblem problem)
{
    return problem == PrintProblem::ServerUnreachable || problem == PrintProblem::ServerSilent
        || problem == PrintProblem::NotFollowed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Ipp message = IppMessageOf({reinterpret_cast<const char *>(data), size});
    if (!message)
        return 0;
    ipp_t *answer = message.get();

    Require(DefaultPrinterOf(answer).find('/') == std::string::npos);
    RequireRealPaper(PaperOf(answer));
    if (ipp_t *media = BelievedMediaOf(answer))
        Require(ippFindAttribute(media, "media-size", IPP_TAG_BEGIN_COLLECTION) != nullptr);
    PrinterStateOf(answer);
    Require(JobIdOf(answer) >= 0);
    if (const auto outcome = JobOutcomeOf(answer, answer, "Q"))
        Require(outcome->problem == PrintProblem::None || outcome->printer == "Q");

    for (const PageStage stage : {PageStage::NotSent, PageStage::AllSent}) {
        IppAnswer answered{IppAnswer::Heard::Answered};
        answered.status = ippGetStatusCode(answer);
        answered.message = IppMessageOf({reinterpret_cast<const char *>(data), size});
        Require(!IsNoAnswer(FailureOf(answered, stage, PrintProblem::SendFailed, "Q").problem));
    }
    return 0;
}
