#include "fakeprintserver.h"
#include "print/ippanswer.h"
#include "print/ippreaders.h"
#include "testfacts.h"

#include <gtest/gtest.h>

// What the print server's answers say and what a no from it means, on IPP messages built in
// memory: the paper, the resolution and a job's outcome as the answering fake describes
// them, believed only where a real printer could say so.
namespace bbt::printtest {
namespace {

using facts::PrintTo;

Ipp PrinterAnswer(const FakePrinter &printer, bool paused = false)
{
    Ipp answer(ippNew());
    AddPrinterAttributes(answer.get(), printer, paused);
    return answer;
}

const PrinterPaper A4{};

struct PaperCase {
    const char *name;
    FakePrinter printer;
    PrinterPaper paper;
    bool mediaBelieved; // stated again with the job as the printer gave it
};

class PaperOfAnAnswer : public testing::TestWithParam<PaperCase> {};

TEST_P(PaperOfAnAnswer, IsBelievedOnlyWhereARealPrinterCouldHaveIt)
{
    const PaperCase &c = GetParam();
    const Ipp answer = PrinterAnswer(c.printer);
    const PrinterPaper paper = PaperOf(answer.get());
    EXPECT_EQ(paper.resolution, c.paper.resolution);
    EXPECT_EQ(std::tie(paper.width, paper.length), std::tie(c.paper.width, c.paper.length));
    EXPECT_EQ(std::tie(paper.left, paper.top, paper.right, paper.bottom),
              std::tie(c.paper.left, c.paper.top, c.paper.right, c.paper.bottom));
    EXPECT_EQ(BelievedMediaOf(answer.get()) != nullptr, c.mediaBelieved);
}

INSTANTIATE_TEST_SUITE_P(
    , PaperOfAnAnswer,
    testing::Values(
        PaperCase{"A4", {}, A4, true}, PaperCase{"PaperOfNothing", {.width = 0, .length = 0}, A4, false},
        PaperCase{"PaperOfNegativeSize", {.width = -21000, .length = -29700}, A4, false},
        PaperCase{"PaperOfAHundredthOfAMillimetre", {.width = 1, .length = 1}, A4, false},
        PaperCase{"PaperTenMetresLong", {.width = 1000000, .length = 1000000}, A4, false},
        PaperCase{"MarginsWiderThanThePaper", {.left = 15000, .right = 15000}, A4, false},
        PaperCase{"MarginsOfHalfThePaper",
                  {.left = 10500, .top = 500},
                  {.width = 210, .length = 297, .left = 52.5, .top = 5},
                  true},
        PaperCase{
            "A5At300Dpi",
            {.width = 14800, .length = 21000, .left = 500, .right = 500, .top = 500, .bottom = 500, .resolution = 300},
            {.resolution = 300, .width = 148, .length = 210, .left = 5, .top = 5, .right = 5, .bottom = 5},
            true},
        PaperCase{"ResolutionOfNothing", {.resolution = 0}, A4, true},
        PaperCase{
            "ResolutionOfTenMillionDotsPerCentimetre", {.resolution = 10'000'000, .perCentimetre = true}, A4, true},
        PaperCase{"WithoutPaperOrResolution", {.describesMedia = false, .describesResolution = false}, A4, false}),
    testing::PrintToStringParamName());

struct JobCase {
    const char *name;
    FakePrinter printer; // its job's state, and whether the printer is paused
    bool printerStopped;
    std::optional<PrintProblem> outcome; // none while the job is on its way
    std::string reason;
};

class JobOutcome : public testing::TestWithParam<JobCase> {};

TEST_P(JobOutcome, IsTheJobsOwnEnd)
{
    const JobCase &c = GetParam();
    const Ipp job(ippNew());
    AddJobAttributes(job.get(), c.printer);
    const Ipp printer = PrinterAnswer(c.printer, c.printerStopped);
    const std::optional<PrintReport> report = JobOutcomeOf(job.get(), printer.get(), "Q");
    ASSERT_EQ(report.has_value(), c.outcome.has_value());
    if (report) {
        EXPECT_EQ(report->problem, *c.outcome);
        EXPECT_EQ(report->reason, c.reason);
        EXPECT_EQ(report->printer, report->problem == PrintProblem::None ? "" : "Q");
    }
}

INSTANTIATE_TEST_SUITE_P(
    , JobOutcome,
    testing::Values(JobCase{"Completed", {}, false, PrintProblem::None, ""},
                    JobCase{"OnItsWay", {.jobState = IPP_JSTATE_PROCESSING}, false, std::nullopt, ""},
                    JobCase{"Aborted", {.jobState = IPP_JSTATE_ABORTED}, false, PrintProblem::Stopped, ""},
                    JobCase{"CanceledForThePrintersReason",
                            {.stateMessage = "jammed", .jobState = IPP_JSTATE_CANCELED},
                            false,
                            PrintProblem::Stopped,
                            "jammed"},
                    JobCase{"HeldUntilATime",
                            {.jobState = IPP_JSTATE_HELD, .holdUntil = "18:30:00"},
                            false,
                            PrintProblem::Held,
                            "18:30:00"},
                    JobCase{"WaitingOnAPausedPrinter",
                            {.stateMessage = "paused by the office", .jobState = IPP_JSTATE_PENDING},
                            true,
                            PrintProblem::Paused,
                            "paused by the office"}),
    testing::PrintToStringParamName());

// What a request that did not succeed means for the page: a server that answered, however it
// said no, is never unreachable or silent; only one that did not answer after taking every
// byte of the page may have kept it.
struct FailureCase {
    const char *name;
    IppAnswer::Heard heard;
    http_status_t http;
    ipp_status_t status;
    PageStage stage;
    PrintProblem problem;
    const char *reason = ""; // of the report, the answer's being "the server's words"
};

class FailedAnswer : public testing::TestWithParam<FailureCase> {};

TEST_P(FailedAnswer, IsToldForWhatItSays)
{
    const FailureCase &c = GetParam();
    IppAnswer answer{c.heard, c.http};
    answer.message.reset(c.heard == IppAnswer::Heard::Answered && c.http == HTTP_STATUS_OK ? ippNew() : nullptr);
    answer.status = c.status;
    answer.reason = "the server's words";
    const PrintReport report = FailureOf(answer, c.stage, PrintProblem::SendFailed, "Q");
    EXPECT_EQ(report.problem, c.problem);
    EXPECT_EQ(report.reason, c.reason);
}

using H = IppAnswer::Heard;
constexpr auto Before = PageStage::NotSent, After = PageStage::AllSent;
constexpr auto Http = HTTP_STATUS_OK;
constexpr auto Ok = IPP_STATUS_OK;
constexpr const char *Words = "the server's words";

INSTANTIATE_TEST_SUITE_P(
    , FailedAnswer,
    testing::Values(
        FailureCase{"SilentBeforeThePage", H::Silent, Http, Ok, Before, PrintProblem::ServerSilent},
        FailureCase{"SilentAfterThePage", H::Silent, Http, Ok, After, PrintProblem::NotFollowed},
        FailureCase{"LostBeforeThePage", H::Lost, Http, Ok, Before, PrintProblem::ServerUnreachable},
        FailureCase{"LostAfterThePage", H::Lost, Http, Ok, After, PrintProblem::NotFollowed},
        FailureCase{"UnreadableBeforeThePage", H::Unreadable, Http, Ok, Before, PrintProblem::SendFailed},
        FailureCase{"UnreadableAfterThePage", H::Unreadable, Http, Ok, After, PrintProblem::NotFollowed},
        FailureCase{"SuccessWithoutWhatWasAsked", H::Answered, Http, Ok, Before, PrintProblem::SendFailed},
        FailureCase{"Http413AfterThePage", H::Answered, HTTP_STATUS_REQUEST_TOO_LARGE, Ok, After, PrintProblem::NoRoom},
        FailureCase{"Http500AfterThePage", H::Answered, HTTP_STATUS_SERVER_ERROR, Ok, After, PrintProblem::SendFailed,
                    Words},
        FailureCase{"Http503BeforeThePage", H::Answered, HTTP_STATUS_SERVICE_UNAVAILABLE, Ok, Before,
                    PrintProblem::SendFailed, Words},
        FailureCase{"Http401", H::Answered, HTTP_STATUS_UNAUTHORIZED, Ok, Before, PrintProblem::NeedsAuthentication},
        FailureCase{"Http403", H::Answered, HTTP_STATUS_FORBIDDEN, Ok, Before, PrintProblem::NeedsAuthentication},
        FailureCase{"Http404", H::Answered, HTTP_STATUS_NOT_FOUND, Ok, Before, PrintProblem::NoDefaultPrinter},
        FailureCase{"InternalErrorAfterThePage", H::Answered, Http, IPP_STATUS_ERROR_INTERNAL, After,
                    PrintProblem::SendFailed, Words},
        FailureCase{"ServiceUnavailableBeforeThePage", H::Answered, Http, IPP_STATUS_ERROR_SERVICE_UNAVAILABLE, Before,
                    PrintProblem::SendFailed, Words},
        FailureCase{"NotAcceptingJobs", H::Answered, Http, IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS, Before,
                    PrintProblem::Refusing, Words},
        FailureCase{"NotAuthorized", H::Answered, Http, IPP_STATUS_ERROR_NOT_AUTHORIZED, Before,
                    PrintProblem::NeedsAuthentication},
        FailureCase{"NoSuchPrinter", H::Answered, Http, IPP_STATUS_ERROR_NOT_FOUND, Before,
                    PrintProblem::NoDefaultPrinter},
        FailureCase{"RequestTooLarge", H::Answered, Http, IPP_STATUS_ERROR_REQUEST_ENTITY, After,
                    PrintProblem::NoRoom}),
    testing::PrintToStringParamName());

} // namespace
} // namespace bbt::printtest
