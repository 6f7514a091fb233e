#pragma once

#include "print/printreport.h"

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
