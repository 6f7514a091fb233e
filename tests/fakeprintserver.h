#pragma once

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <cups/ipp.h>

// Print servers on a bad day, on Unix sockets of the test's own: one that takes
// connections and never says a word, proxies in front of a real CUPS server that pass
// its answers on late, a byte at a time, or not at all once the page has gone through,
// and a server that answers for a printer of its own as a broken or hostile one does.
namespace bbt::printtest {

// Where the answering fake breaks its answers to Get-Printer-Attributes into three pieces.
enum class Breaks {
    None,
    InTheFields, // in the status line and in a field
    InTheBody, // twice in the IPP message
};

// How the answering fake answers Get-Printer-Attributes where it never ends, at full speed.
enum class Endless {
    No,
    Fields, // a field, again and again, after the status line
    Body, // IPP bytes, chunk after chunk
};

// What the answering fake says of its one printer. Lengths in hundredths of a millimetre,
// states and statuses as IPP numbers them.
struct FakePrinter {
    std::string name = "Fake";
    bool namedAsDefault = true; // CUPS-Get-Default names the printer
    bool accepting = true;
    std::string stateMessage{};
    bool describesMedia = true;
    int width = 21000, length = 29700;
    int left = 0, right = 0, top = 0, bottom = 0;
    bool describesResolution = true;
    int resolution = 600;
    bool perCentimetre = false;
    Breaks breaks = Breaks::None;
    std::chrono::milliseconds piecesApart{};
    Endless endless = Endless::No;
    int createJobHttpStatus = 200; // an HTTP answer in place of the IPP one
    int documentHttpStatus = 200;
    int jobId = 7; // 0: the job's number is left out
    int documentStatus = 0; // successful-ok
    int jobState = 9; // completed
    std::string holdUntil{};
    bool pausedOnceTheJobIsIn = false;
};

// What the answering fake says of `printer` in its answers to Get-Printer-Attributes, and of
// its job in those to Get-Job-Attributes, added to `answer`.
void AddPrinterAttributes(ipp_t *answer, const FakePrinter &printer, bool paused = false);
void AddJobAttributes(ipp_t *answer, const FakePrinter &printer);

enum class Behaviour {
    Silent, // takes every connection, reads nothing, answers nothing
    Late, // passes every piece of the server's answers on `delay` late
    InPieces, // passes every piece of the server's answers on in two halves, `delay` apart
    Dribbling, // passes the server's answers on one byte every 200 ms
    StallsAfterPage, // passes everything until the server has answered the page, then nothing
    Answers, // answers every request itself, for its FakePrinter
};

class FakePrintServer final {
public:
    // Listens on `path`; the proxies pass what they are sent on to the server at `upstream`.
    FakePrintServer(Behaviour behaviour, std::string path, std::string upstream = {},
                    std::chrono::milliseconds delay = {});
    // Answers for `printer` on `path`, with no server behind it.
    FakePrintServer(FakePrinter printer, std::string path);
    ~FakePrintServer();
    FakePrintServer(const FakePrintServer &) = delete;
    FakePrintServer &operator=(const FakePrintServer &) = delete;

    bool Listening() const;
    // The job attributes of the last Create-Job request the answering fake was sent, each as
    // "name=value" in IPP's own words.
    std::vector<std::string> JobAttributes() const;

private:
    struct Piece {
        std::chrono::steady_clock::time_point due;
        std::string bytes;
    };
    struct Link {
        int client = -1, server = -1;
        std::deque<Piece> toClient;
        std::string fromClient; // the tail of what the client sent, to see the page's end
        bool pageSent = false, stalled = false;
        std::string request; // what the client sent of the request being answered
        bool continued = false; // told to go on with the request's body
    };

    void Listen();
    void Serve(std::stop_token stop);
    void Accept();
    void Relay(Link &link, bool fromServer);
    void Deliver(Link &link);
    void Answer(Link &link);
    // The HTTP answer to an IPP request, and the request's operation.
    std::pair<int, std::string> AnswerTo(std::string_view ippRequest);
    void AnswerInPieces(Link &link, const std::string &answer);
    int NextWakeMs() const;

    Behaviour m_behaviour;
    std::string m_path, m_upstream;
    std::chrono::milliseconds m_delay;
    FakePrinter m_printer;
    bool m_jobIn = false;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    mutable std::mutex m_mutex; // guards m_jobAttributes, written by the serving thread
    std::vector<std::string> m_jobAttributes;
    std::vector<Link> m_links;
    std::jthread m_thread;
};

} // namespace bbt::printtest
