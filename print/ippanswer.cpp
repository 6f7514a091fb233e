#include "print/ippanswer.h"

namespace bbt {

namespace {

// The problem an HTTP status names, where it names one of its own.
PrintProblem ProblemOfHttp(int status, PrintProblem otherwise)
{
    switch (status) {
    case HTTP_STATUS_UNAUTHORIZED:
    case HTTP_STATUS_FORBIDDEN:
    case HTTP_STATUS_CUPS_AUTHORIZATION_CANCELED:
        return PrintProblem::NeedsAuthentication;
    case HTTP_STATUS_NOT_FOUND:
        return PrintProblem::NoDefaultPrinter;
    // CUPS answers so where its spool cannot hold the page: a full disk, or a page larger
    // than the server takes.
    case HTTP_STATUS_REQUEST_TOO_LARGE:
        return PrintProblem::NoRoom;
    default:
        return otherwise;
    }
}

// The problem an IPP status names, where it names one of its own.
PrintProblem ProblemOfIpp(int status, PrintProblem otherwise)
{
    switch (status) {
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_FORBIDDEN:
        return PrintProblem::NeedsAuthentication;
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
        return PrintProblem::Refusing;
    case IPP_STATUS_ERROR_NOT_FOUND:
        return PrintProblem::NoDefaultPrinter;
    case IPP_STATUS_ERROR_REQUEST_ENTITY:
        return PrintProblem::NoRoom;
    default:
        return otherwise;
    }
}

// Whether the words of `problem` carry the server's reason.
bool ToldWithReason(PrintProblem problem)
{
    return problem == PrintProblem::Refusing || problem == PrintProblem::SendFailed;
}

} // namespace

void IppDelete::operator()(ipp_t *ipp) const
{
    ippDelete(ipp);
}

bool IppAnswer::Succeeded() const
{
    return heard == Heard::Answered && message && status <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

PrintReport FailureOf(const IppAnswer &answer, PageStage stage, PrintProblem otherwise, const std::string &printer)
{
    const bool pageMayPrint = stage == PageStage::AllSent;
    switch (answer.heard) {
    case IppAnswer::Heard::Silent:
        return {pageMayPrint ? PrintProblem::NotFollowed : PrintProblem::ServerSilent, printer, ""};
    case IppAnswer::Heard::Lost:
        return {pageMayPrint ? PrintProblem::NotFollowed : PrintProblem::ServerUnreachable, printer, ""};
    case IppAnswer::Heard::Unreadable:
        return {pageMayPrint ? PrintProblem::NotFollowed : otherwise, printer, ""};
    case IppAnswer::Heard::Answered:
        break;
    }
    // An answer that says success but lacks what was asked for has no reason worth telling.
    if (answer.Succeeded())
        return {otherwise, printer, ""};
    const PrintProblem problem = answer.http != HTTP_STATUS_OK ? ProblemOfHttp(answer.http, otherwise)
                                                               : ProblemOfIpp(answer.status, otherwise);
    return {problem, printer, ToldWithReason(problem) ? answer.reason : ""};
}

} // namespace bbt
