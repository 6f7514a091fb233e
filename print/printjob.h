#pragma once

#include "print/printserver.h"

#include <functional>
#include <stop_token>
#include <string>
#include <thread>

namespace bbt {

// One press of "印刷", from the press to its outcome, on a thread of its own so that the
// window never waits for the print server: finds the default printer's page, has `render`
// draw the document for it, sends it, follows the job and hands one report to `finished`,
// on the job's thread. Destroying the job abandons the exchange: the connection is shut at
// once, the thread ends within a moment, and `finished` is not called after that.
class PrintJob final {
public:
    // The PDF document for the printer's page; empty when it could not be made.
    using Render = std::function<std::string(const PrinterPage &)>;
    using Finished = std::function<void(const PrintReport &)>;

    // After this the job is left to the print server: an outcome still open is no failure.
    static constexpr std::chrono::seconds FollowLimit{30};

    PrintJob(std::string title, Render render, Finished finished);

private:
    static PrintReport Run(std::stop_token stop, const std::string &title, const Render &render);

    std::jthread m_worker;
};

} // namespace bbt
