#pragma once

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Print servers on a bad day, on Unix sockets of the test's own: one that takes
// connections and never says a word, and proxies in front of a real CUPS server that pass
// its answers on late, a byte at a time, or not at all once the page has gone through.
namespace bbt::printtest {

enum class Behaviour {
    Silent, // takes every connection, reads nothing, answers nothing
    Late, // passes every piece of the server's answers on `delay` late
    Dribbling, // passes the server's answers on one byte every 200 ms
    StallsAfterPage, // passes everything until the server has answered the page, then nothing
};

class FakePrintServer final {
public:
    // Listens on `path`; the proxies pass what they are sent on to the server at `upstream`.
    FakePrintServer(Behaviour behaviour, std::string path, std::string upstream = {},
                    std::chrono::milliseconds delay = {});
    ~FakePrintServer();
    FakePrintServer(const FakePrintServer &) = delete;
    FakePrintServer &operator=(const FakePrintServer &) = delete;

    bool Listening() const;

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
    };

    void Serve(std::stop_token stop);
    void Accept();
    void Relay(Link &link, bool fromServer);
    void Deliver(Link &link);
    int NextWakeMs() const;

    Behaviour m_behaviour;
    std::string m_path, m_upstream;
    std::chrono::milliseconds m_delay;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::mutex m_mutex;
    std::vector<Link> m_links;
    std::jthread m_thread;
};

} // namespace bbt::printtest
