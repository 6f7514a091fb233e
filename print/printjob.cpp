#include "print/printjob.h"

namespace bbt {

PrintJob::PrintJob(std::string title, Render render, Finished finished)
    : m_worker(
        [title = std::move(title), render = std::move(render), finished = std::move(finished)](std::stop_token stop) {
            const PrintReport report = Run(stop, title, render);
            if (!stop.stop_requested())
                finished(report);
        })
{
}

PrintReport PrintJob::Run(std::stop_token stop, const std::string &title, const Render &render)
{
    PrintServer server(stop);
    PrinterPage page;
    if (PrintReport found = server.FindDefaultPrinter(page); found.problem != PrintProblem::None)
        return found;
    const std::string pdf = render(page);
    if (pdf.empty())
        return {PrintProblem::PageNotMade, page.printer, ""};
    if (PrintReport sent = server.Send(pdf, title); sent.problem != PrintProblem::None)
        return sent;
    return server.Follow(FollowLimit);
}

} // namespace bbt
