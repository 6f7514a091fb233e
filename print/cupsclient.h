#pragma once

#include "print/printreport.h"

#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <utility>

#include <cups/ipp.h>

namespace bbt {

// One exchange with the CUPS print server: finding the default printer, sending it one PDF
// document and following the job. Every call blocks, so it belongs on a thread of its own,
// and only that thread ever touches the connection. No wait depends on the server's good
// will: the name lookup and each answer may be at most `AnswerTimeout` silent, and each
// request takes at most `RequestLimit` in all, however the server dribbles. An answer that
// keeps coming within those bounds, in pieces however far apart, is read to its end: the
// answers are read here, piece by piece, rather than by libcups, whose reading of an IPP
// answer gives up after one slice of silence. libcups never asks for a password here.
class CupsClient final {
public:
    static constexpr std::chrono::seconds AnswerTimeout{5};
    static constexpr std::chrono::seconds RequestLimit{15};

    // A stop request on `stopFollowing` ends following the job, nothing else: a page
    // being handed over is handed over.
    explicit CupsClient(std::stop_token stopFollowing);
    ~CupsClient();
    CupsClient(const CupsClient &) = delete;
    CupsClient &operator=(const CupsClient &) = delete;

    // The printer's paper comes checked: a size, margin or resolution no real printer has
    // is replaced by A4 at 600 dpi.
    PrintReport FindDefaultPrinter(PrinterPaper &paper);
    // Sends the document to the printer found; once the server has taken it, tells
    // whether the printer is paused or the job held.
    PrintReport Send(std::string_view pdf, const std::string &title);
    // Follows the job sent until it is done or stopped, `limit` has passed, or following
    // is stopped.
    PrintReport Follow(std::chrono::milliseconds limit);

    // libcups's timeout callback, called after each `WaitSlice` of silence in one of its
    // waits: whether to go on waiting.
    bool KeepWaiting();

private:
    struct HttpClose {
        void operator()(http_t *http) const;
    };
    using Clock = std::chrono::steady_clock;

    struct IppDelete {
        void operator()(ipp_t *ipp) const;
    };
    using Ipp = std::unique_ptr<ipp_t, IppDelete>;

    PrintReport Connect();
    // Runs one request within the bounds, its answer timed afresh.
    template <typename Request>
    auto Bounded(Request request);
    // Sends `request` and reads its answer; none where there was no answer to read.
    Ipp Ask(Ipp request);
    // Reads the answer to the request just sent, and notes its status.
    std::pair<http_status_t, Ipp> ReadAnswer();
    void AddWhatThePageNeeds(ipp_t *request) const;
    // Waits for the server's next bytes within the bounds: whether they came.
    bool AwaitBytes();
    // The server was heard from just now: its silence starts again.
    void Heard();
    // Whether the bounds of the request allow another wait.
    bool WithinBounds();
    // The request went no further than an HTTP status.
    void Stopped(http_status_t status);
    // After a request for a password, whether libcups gave credentials that need none (a
    // local socket's own) and the connection is ready for the request again.
    bool Authenticated(const std::string &resource);
    bool Succeeded() const;
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
    Ipp m_media; // the paper the printer said it has, as it said it; none where it did not
    bool m_printerPaused = false;
    std::string m_printerState;
    int m_job = 0;
    // The outcome of the last request, as IPP words it.
    ipp_status_t m_status = IPP_STATUS_OK;
    std::string m_statusMessage;

    // The bounds of the request under way, read and written on the job's thread only.
    bool m_silent = false; // the last request met AnswerTimeout or RequestLimit
    Clock::time_point m_requestDeadline;
    Clock::time_point m_silentSince; // the server was last heard from
    Clock::time_point m_lastWait; // libcups last asked whether to go on waiting

    std::unique_ptr<http_t, HttpClose> m_http;
};

} // namespace bbt
