#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

typedef struct _http_s http_t;
typedef struct _ipp_s ipp_t;

namespace bbt {

// How a print job went, as far as the user needs to know.
enum class PrintProblem {
    None, // printed, or still on its way after the time it is followed
    NoDefaultPrinter, // none is set up, or the one named is not there
    ServerUnreachable, // no print server to connect to
    ServerSilent, // connected, but the server did not answer in time
    Refusing, // the printer does not accept jobs
    NeedsAuthentication, // the printer takes jobs only from users who give a password
    PageNotMade, // the page could not be rendered for the printer
    SendFailed, // the server turned the job down for another reason
    Paused, // the page waits in the printer's queue until the printer is resumed
    Held, // the page waits in the queue until a time or until someone releases it
    HeldForAuthentication, // the page waits in the queue until someone gives a password
    NotFollowed, // the server took the page, then could no longer be asked how it went
    Stopped, // the printer or its backend stopped, aborted or cancelled the job
};

struct PrintReport {
    PrintProblem problem = PrintProblem::None;
    std::string printer;
    // The server's or the printer's own words where it gave any; for a held job, until
    // when (CUPS's job-hold-until: "indefinite", "night", "18:30:00"…).
    std::string reason;
};

// The default printer's page as the print server describes it. Lengths in millimetres.
struct PrinterPage {
    std::string printer;
    int resolution = 600; // dots per inch
    double width = 210, length = 297;
    double left = 0, top = 0, right = 0, bottom = 0; // the unprintable margins
};

// One exchange with the CUPS print server: finding the default printer, sending it one PDF
// document and following the job. Every call blocks, so it belongs on a thread of its own.
// No wait depends on the server's good will: each answer may be at most `AnswerTimeout`
// silent and each request takes at most `RequestLimit` in all, however the server
// dribbles; a stop request shuts the connection at once. libcups never asks for a
// password on this thread.
class PrintServer final {
public:
    static constexpr std::chrono::seconds AnswerTimeout{5};
    static constexpr std::chrono::seconds RequestLimit{15};

    explicit PrintServer(std::stop_token stop);
    ~PrintServer();
    PrintServer(const PrintServer &) = delete;
    PrintServer &operator=(const PrintServer &) = delete;

    PrintReport FindDefaultPrinter(PrinterPage &page);
    // Sends the document to the printer found; once the server has taken it, tells
    // whether the printer is paused or the job held.
    PrintReport Send(std::string_view pdf, const std::string &title);
    // Follows the job sent until it is done or stopped, or `limit` has passed.
    PrintReport Follow(std::chrono::milliseconds limit);

    // Called by libcups when the server has been silent for AnswerTimeout.
    int GiveUpWaiting();

private:
    struct HttpClose {
        void operator()(http_t *http) const;
    };
    struct ShutOnStop {
        PrintServer *server;
        void operator()() const;
    };

    PrintReport Connect();
    // Runs one request of libcups under the watchdog, its answer timed afresh.
    template <typename Request>
    auto Bounded(Request request);
    ipp_t *Ask(ipp_t *request);
    void ArmWatchdog();
    void DisarmWatchdog();
    // Whether the last request lost the server: silent, dribbling, or the connection gone.
    bool ServerLost() const;
    void Watch(std::stop_token end);
    void ShutConnection();
    PrintReport Failure(PrintProblem otherwise) const;
    // The outcome the job's state tells; none while the job is still on its way.
    std::optional<PrintReport> JobReport(ipp_t *job, bool printerStopped, const std::string &printerState) const;
    std::string PrinterUri() const;
    // Waits `interval`; false when a stop request came first.
    bool PauseUnlessStopped(std::chrono::milliseconds interval);

    std::stop_token m_stop;
    std::string m_printer;
    bool m_printerPaused = false;
    std::string m_printerState;
    int m_job = 0;
    std::atomic<bool> m_silent = false; // the last request met AnswerTimeout or RequestLimit
    int m_cancelConnect = 0;

    std::mutex m_mutex; // guards the connection and the watchdog's deadline
    std::condition_variable_any m_wake;
    std::unique_ptr<http_t, HttpClose> m_http;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
    std::stop_callback<ShutOnStop> m_onStop;
    std::jthread m_watchdog;
};

} // namespace bbt
