#pragma once

#include "print/printreport.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace bbt {

// One press of "印刷", from the press to its outcome, on a thread of its own so that the
// window never waits for the print server: finds the default printer's paper, has `render`
// draw the document for it, sends it, follows the job and hands one report to `finished`,
// on the job's thread. Every wait of the job is bounded by the print server's limits.
class PrintJob final {
public:
    // The PDF document for the printer's paper; empty when it could not be made.
    using Render = std::function<std::string(const PrinterPaper &)>;
    using Finished = std::function<void(const PrintReport &)>;

    // After this the job is left to the print server: an outcome still open is no failure.
    static constexpr std::chrono::seconds FollowLimit{30};

    PrintJob(std::string title, Render render, Finished finished);
    // Returns at once; `finished` is never called after it has returned. A job still at work
    // ends by itself within the print server's limits.
    ~PrintJob();
    PrintJob(const PrintJob &) = delete;
    PrintJob &operator=(const PrintJob &) = delete;

    // The window is gone: the page is still handed to the server, but the job is not
    // followed after that. The report then says whether the page was handed over.
    void StopFollowing();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::thread m_worker;
};

} // namespace bbt
