#include "print/printreport.h"

namespace bbt {

bool PageHandedOver(PrintProblem problem)
{
    switch (problem) {
    case PrintProblem::NoDefaultPrinter:
    case PrintProblem::ServerUnreachable:
    case PrintProblem::ServerSilent:
    case PrintProblem::Refusing:
    case PrintProblem::NeedsAuthentication:
    case PrintProblem::PageNotMade:
    case PrintProblem::SendFailed:
        return false;
    case PrintProblem::None:
    case PrintProblem::Paused:
    case PrintProblem::Held:
    case PrintProblem::HeldForAuthentication:
    case PrintProblem::NotFollowed:
    case PrintProblem::Stopped:
        return true;
    }
    return false;
}

} // namespace bbt
