#pragma once

#include "print/ippanswer.h"
#include "print/ippconnection.h"
#include "print/ippreaders.h"
#include "print/printreport.h"

#include <chrono>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace bbt {

// One press of "印刷" as the CUPS print server meets it: finding the default printer, sending
// it one PDF document and following the job, each request on one bounded connection. Every
// call blocks, so it belongs on a thread of its own.
class CupsClient final {
public:
    // A stop request on `stopFollowing` ends following the job, nothing else: a page
    // being handed over is handed over.
    explicit CupsClient(std::stop_token stopFollowing);

    // The printer's paper comes checked: a size, margin or resolution no real printer has
    // is replaced by A4 at 600 dpi.
    PrintReport FindDefaultPrinter(PrinterPaper &paper);
    // Sends the document to the printer found; once the server has taken it, tells
    // whether the printer is paused.
    PrintReport Send(std::string_view pdf, const std::string &title);
    // Follows the job sent until it is done or stopped, `limit` has passed, or following
    // is stopped.
    PrintReport Follow(std::chrono::milliseconds limit);

private:
    // The user's choice, else the server's default; a report where the server could not say.
    std::optional<PrintReport> FindDefaultPrinterName();
    void AddWhatThePageNeeds(ipp_t *request) const;
    // Takes the job created back out of the queue, whatever the server answers.
    void CancelJob();
    // A request from the user about the printer found, and about its job once there is one.
    Ipp JobRequest(ipp_op_t operation) const;
    std::string PrinterUri() const;
    // Waits `interval`; false when following was stopped first.
    bool PauseUnlessStopped(std::chrono::milliseconds interval);

    std::stop_token m_stopFollowing;
    IppConnection m_connection;
    std::string m_printer;
    Ipp m_media; // the paper the printer said it has, as it said it; none where it was not believed
    PrinterState m_printerState;
    int m_job = 0;
};

} // namespace bbt
