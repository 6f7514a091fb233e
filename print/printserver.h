#pragma once

#include "print/printreport.h"

#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

typedef struct _http_s http_t;
typedef struct _ipp_s ipp_t;

namespace bbt {

// One exchange with the CUPS print server: finding the default printer, sending it one PDF
// document and following the job. Every call blocks, so it belongs on a thread of its own,
// and only that thread ever touches the connection. No wait depends on the server's good
// will: the name lookup and each answer may be at most `AnswerTimeout` silent, and each
// request takes at most `RequestLimit` in all, however the server dribbles; libcups checks
// both through its timeout callback. libcups never asks for a password on this thread.
class PrintServer final {
public:
    static constexpr std::chrono::seconds AnswerTimeout{5};
    static constexpr std::chrono::seconds RequestLimit{15};

    // A stop request on `stopFollowing` ends following the job, nothing else: a page
    // being handed over is handed over.
    explicit PrintServer(std::stop_token stopFollowing = {});
    ~PrintServer();
    PrintServer(const PrintServer &) = delete;
    PrintServer &operator=(const PrintServer &) = delete;

    // The printer's page comes checked: a size, margin or resolution no real printer has
    // is replaced by A4 at 600 dpi.
    PrintReport FindDefaultPrinter(PrinterPage &page);
    // Sends the document to the printer found; once the server has taken it, tells
    // whether the printer is paused or the job held.
    PrintReport Send(std::string_view pdf, const std::string &title);
    // Follows the job sent until it is done or stopped, `limit` has passed, or following
    // is stopped.
    PrintReport Follow(std::chrono::milliseconds limit);

    // libcups's timeout callback, called after each `WaitSlice` of silence: whether to go
    // on waiting.
    bool KeepWaiting();

private:
    struct HttpClose {
        void operator()(http_t *http) const;
    };
    using Clock = std::chrono::steady_clock;

    PrintReport Connect();
    // Runs one request of libcups within the bounds, its answer timed afresh.
    template <typename Request>
    auto Bounded(Request request);
    ipp_t *Ask(ipp_t *request);
    // Whether the last request lost the server: silent, dribbling, or the connection gone.
    bool ServerLost() const;
    PrintReport Failure(PrintProblem otherwise) const;
    std::optional<std::string> DefaultPrinterName();
    // The outcome the job's and the printer's state tell; none while the job is on its way.
    std::optional<PrintReport> JobReport(ipp_t *job, ipp_t *printer) const;
    std::string PrinterUri() const;
    // Waits `interval`; false when following was stopped first.
    bool PauseUnlessStopped(std::chrono::milliseconds interval);

    std::stop_token m_stopFollowing;
    std::string m_printer;
    bool m_printerPaused = false;
    std::string m_printerState;
    int m_job = 0;

    // The bounds of the request under way, read and written on the job's thread only.
    bool m_silent = false; // the last request met AnswerTimeout or RequestLimit
    Clock::time_point m_requestDeadline;
    Clock::time_point m_silentSince;
    Clock::time_point m_lastWait;

    std::unique_ptr<http_t, HttpClose> m_http;
};

} // namespace bbt
