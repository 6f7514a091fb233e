#include "print/printjob.h"

#include "print/cupsclient.h"

#include <mutex>
#include <stop_token>
#include <thread>

namespace bbt {

// What the job's thread and its owner share: the owner may go while the thread runs on.
struct PrintJob::Shared {
    std::mutex mutex; // held while `finished` is called, and while the owner lets go
    Finished finished;
    bool reported = false; // `finished` was called: the thread has nothing left but to end
    std::stop_source stopFollowing;
};

namespace {

PrintReport Run(std::stop_token stopFollowing, const std::string &title, const PrintJob::Render &render)
{
    CupsClient client(stopFollowing);
    PrinterPaper paper;
    if (PrintReport found = client.FindDefaultPrinter(paper); found.problem != PrintProblem::None)
        return found;
    const std::string pdf = render(paper);
    if (pdf.empty())
        return {PrintProblem::PageNotMade, paper.printer, ""};
    if (PrintReport sent = client.Send(pdf, title); sent.problem != PrintProblem::None)
        return sent;
    if (stopFollowing.stop_requested())
        return {};
    return client.Follow(PrintJob::FollowLimit);
}

} // namespace

PrintJob::PrintJob(std::string title, Render render, Finished finished)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->finished = std::move(finished);
    m_worker = std::thread([shared = m_shared, title = std::move(title), render = std::move(render)]() mutable {
        const PrintReport report = Run(shared->stopFollowing.get_token(), title, render);
        // What the window gave the job goes on this thread, before the report may let the
        // program end.
        render = nullptr;
        const std::lock_guard lock(shared->mutex);
        shared->reported = true;
        if (shared->finished)
            shared->finished(report);
    });
}

PrintJob::~PrintJob()
{
    m_shared->stopFollowing.request_stop();
    bool reported = false;
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->finished = nullptr;
        reported = m_shared->reported;
    }
    // A thread that has reported is ending: waited for, so that nothing of it outlives the
    // program. One still at work ends by itself within the print server's limits.
    if (reported)
        m_worker.join();
    else
        m_worker.detach();
}

void PrintJob::StopFollowing()
{
    m_shared->stopFollowing.request_stop();
}

} // namespace bbt
