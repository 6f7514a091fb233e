#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>

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
    Paused, // the page waits in the printer's queue until it is resumed
    Stopped, // the job was stopped, aborted or cancelled after it was sent
    SendFailed, // the server turned the job down for another reason
};

struct PrintReport {
    PrintProblem problem = PrintProblem::None;
    std::string printer;
    std::string reason; // the server's or the printer's own words, where it gave any
};

// The default printer's page as the print server describes it. Lengths in millimetres.
struct PrinterPage {
    std::string printer;
    int resolution = 600; // dots per inch
    double width = 210, length = 297;
    double left = 0, top = 0, right = 0, bottom = 0; // the unprintable margins
    bool paused = false;
    std::string state; // the printer's own message
};

// One exchange with the CUPS print server: finding the default printer, sending it one
// PDF document and following the job. Every call blocks, bounded by timeouts, so it
// belongs on a thread of its own; a stop request ends any wait early.
class PrintServer final {
public:
    explicit PrintServer(std::stop_token stop);
    ~PrintServer();
    PrintServer(const PrintServer &) = delete;
    PrintServer &operator=(const PrintServer &) = delete;

    PrintReport FindDefaultPrinter(PrinterPage &page);
    PrintReport Send(const PrinterPage &page, std::string_view pdf, const std::string &title);
    // Follows the job sent last until it is done or stopped, or `limit` has passed.
    PrintReport Follow(const PrinterPage &page, std::chrono::milliseconds limit);

    // Called by libcups while it waits for the server.
    bool KeepWaiting();

private:
    PrintReport Connect();
    // Every answer the server owes is timed from here.
    void StartAnswerClock();
    ipp_t *Ask(ipp_t *request);
    PrintReport Failure(PrintProblem problem, const std::string &printer) const;
    std::string PrinterUri(const std::string &printer) const;
    bool Pause(std::chrono::milliseconds interval);

    std::stop_token m_stop;
    http_t *m_http = nullptr;
    int m_job = 0;
    std::chrono::steady_clock::time_point m_askedAt;
    bool m_timedOut = false;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
};

} // namespace bbt
