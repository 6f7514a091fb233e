#pragma once

#include "print/ippanswer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include <cups/http.h>

namespace bbt {

// One connection to the CUPS print server, every request on it bounded: the name lookup, the
// connection and each answer may be at most `AnswerTimeout` silent, and each request takes at
// most `RequestLimit` in all, however the server dribbles, and even where it talks without end
// at full speed. An answer that keeps coming within those bounds, in pieces however far apart,
// is read to its end: libcups sends each request and reads the answer's status line and fields,
// asking `KeepWaiting` after every slice of silence; the answer's body is read here, piece by
// piece, since libcups's own reading of it gives up after one such slice. Every call blocks, so
// the connection belongs to one thread, and only that thread touches it. libcups never asks
// for a password here.
class IppConnection final {
public:
    static constexpr std::chrono::seconds AnswerTimeout{5};
    static constexpr std::chrono::seconds RequestLimit{15};

    // The answer to a request that carried the page, and how far the page had gone.
    struct DocumentAnswer {
        PageStage stage;
        IppAnswer answer;
    };

    IppConnection();
    ~IppConnection();
    IppConnection(const IppConnection &) = delete;
    IppConnection &operator=(const IppConnection &) = delete;

    // Connects to the print server the user's settings name: whether it could.
    bool Connect();
    // Sends `request` and reads its answer. Where the server wants credentials, asks again
    // with those libcups has without a password (a local socket's own).
    IppAnswer Ask(ipp_t *request);
    // Sends `request` to `resource` with `document` after it, and reads the answer.
    DocumentAnswer Send(ipp_t *request, const std::string &resource, std::string_view document);

    // libcups's timeout callback, called after each slice of silence in one of its waits:
    // whether to go on waiting.
    bool KeepWaiting();

private:
    struct HttpClose {
        void operator()(http_t *http) const;
    };
    using Clock = std::chrono::steady_clock;

    // Starts the bounds of a request.
    void Begin();
    // The request is over: the watchdog stands down.
    void End();
    // The server's first bytes of an answer, or none within the bounds: whether they came.
    bool AwaitBytes();
    // The server was heard from just now: its silence starts again.
    void Heard();
    // Whether the bounds of the request allow another wait.
    bool WithinBounds();
    // What became of a request the server did not answer.
    IppAnswer Unanswered() const;
    // What an HTTP status that ended a request says: the server's no, or no answer at all.
    IppAnswer Refused(http_status_t status) const;
    // Reads the answer to the request just sent.
    IppAnswer ReadAnswer();
    // Opens the connection again where the server closed it after its last answer, within
    // the request's bounds rather than libcups's own half minute.
    bool ReopenIfClosed();
    // After a request for a password, whether libcups gave credentials that need none and the
    // connection is ready for the request again.
    bool Authenticated(const std::string &resource);
    // Cuts the connection off where a request passes its limit while libcups reads on.
    void Watch(std::stop_token stop);

    // The bounds of the request under way, read and written on the connection's thread only.
    bool m_silent = false; // the request met AnswerTimeout or RequestLimit
    Clock::time_point m_requestDeadline;
    Clock::time_point m_silentSince; // the server was last heard from
    Clock::time_point m_lastWait; // libcups last asked whether to go on waiting
    std::time_t m_lastActivity = 0; // when libcups last read a line, in whole seconds

    std::unique_ptr<http_t, HttpClose> m_http;

    // The watchdog: a server that talks at full speed never lets libcups wait, and so never
    // lets it ask KeepWaiting; past the request's limit the connection is shut under it.
    std::mutex m_watchMutex;
    std::condition_variable_any m_watchChanged;
    std::optional<Clock::time_point> m_watchDeadline; // of the request under way
    std::atomic<bool> m_cutOff = false;
    std::jthread m_watchdog;
};

} // namespace bbt
