#include "fakeprintserver.h"

#include <algorithm>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace bbt::printtest {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto DribbleInterval = 200ms;

sockaddr_un AddressOf(const std::string &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    return address;
}

int ConnectTo(const std::string &path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = AddressOf(path);
    if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0)
        return fd;
    if (fd >= 0)
        close(fd);
    return -1;
}

void WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written <= 0)
            return;
        bytes.remove_prefix(std::size_t(written));
    }
}

} // namespace

FakePrintServer::FakePrintServer(Behaviour behaviour, std::string path, std::string upstream,
                                 std::chrono::milliseconds delay)
    : m_behaviour(behaviour)
    , m_path(std::move(path))
    , m_upstream(std::move(upstream))
    , m_delay(delay)
{
    unlink(m_path.c_str());
    m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = AddressOf(m_path);
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0
        || listen(m_listener, 16) != 0 || pipe2(m_wake, O_CLOEXEC) != 0) {
        if (m_listener >= 0)
            close(m_listener);
        m_listener = -1;
        return;
    }
    m_thread = std::jthread([this](std::stop_token stop) { Serve(stop); });
}

FakePrintServer::~FakePrintServer()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        [[maybe_unused]] const ssize_t woken = write(m_wake[1], "x", 1);
        m_thread.join();
    }
    for (const Link &link : m_links)
        for (int fd : {link.client, link.server})
            if (fd >= 0)
                close(fd);
    for (int fd : {m_listener, m_wake[0], m_wake[1]})
        if (fd >= 0)
            close(fd);
    unlink(m_path.c_str());
}

bool FakePrintServer::Listening() const
{
    return m_listener >= 0;
}

void FakePrintServer::Accept()
{
    const int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    Link link;
    link.client = client;
    if (m_behaviour != Behaviour::Silent)
        link.server = ConnectTo(m_upstream);
    std::lock_guard lock(m_mutex);
    m_links.push_back(std::move(link));
}

// Reads what one side sent and passes it on, or queues it for the client.
void FakePrintServer::Relay(Link &link, bool fromServer)
{
    char buffer[65536];
    const ssize_t got = recv(fromServer ? link.server : link.client, buffer, sizeof(buffer), 0);
    if (got <= 0) {
        int &closed = fromServer ? link.server : link.client;
        shutdown(fromServer ? link.client : link.server, SHUT_WR);
        close(closed);
        closed = -1;
        return;
    }
    const std::string_view bytes(buffer, std::size_t(got));
    if (!fromServer) {
        link.fromClient += bytes;
        link.pageSent = link.pageSent || link.fromClient.find("%%EOF") != std::string::npos;
        link.fromClient.erase(0, link.fromClient.size() - std::min<std::size_t>(link.fromClient.size(), 8));
        if (!link.stalled)
            WriteAll(link.server, bytes);
        return;
    }
    if (link.stalled)
        return;
    // The server's answer to the page: it has taken it. Everything after is held back.
    if (m_behaviour == Behaviour::StallsAfterPage && link.pageSent) {
        WriteAll(link.client, bytes);
        link.stalled = true;
        return;
    }
    const auto due = Clock::now() + (m_behaviour == Behaviour::Late ? m_delay : 0ms);
    if (m_behaviour == Behaviour::Dribbling)
        for (char byte : bytes)
            link.toClient.push_back({due, std::string(1, byte)});
    else
        link.toClient.push_back({due, std::string(bytes)});
}

void FakePrintServer::Deliver(Link &link)
{
    while (!link.toClient.empty() && link.toClient.front().due <= Clock::now()) {
        WriteAll(link.client, link.toClient.front().bytes);
        link.toClient.pop_front();
        if (m_behaviour == Behaviour::Dribbling) {
            if (!link.toClient.empty())
                link.toClient.front().due = Clock::now() + DribbleInterval;
            return;
        }
    }
}

int FakePrintServer::NextWakeMs() const
{
    int wait = -1;
    for (const Link &link : m_links)
        if (!link.toClient.empty()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(link.toClient.front().due - Clock::now());
            wait = std::max(0, wait < 0 ? int(left.count()) : std::min(wait, int(left.count())));
        }
    return wait;
}

void FakePrintServer::Serve(std::stop_token stop)
{
    while (!stop.stop_requested()) {
        std::vector<pollfd> watched{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        std::vector<std::pair<std::size_t, bool>> owners; // link and side of each further entry
        {
            std::lock_guard lock(m_mutex);
            for (std::size_t i = 0; m_behaviour != Behaviour::Silent && i < m_links.size(); ++i)
                for (bool fromServer : {false, true})
                    if (int fd = fromServer ? m_links[i].server : m_links[i].client; fd >= 0) {
                        watched.push_back({fd, POLLIN, 0});
                        owners.emplace_back(i, fromServer);
                    }
        }
        poll(watched.data(), watched.size(), NextWakeMs());
        if (watched[1].revents & POLLIN)
            Accept();
        std::lock_guard lock(m_mutex);
        for (std::size_t i = 0; i < owners.size(); ++i)
            if (watched[i + 2].revents & (POLLIN | POLLHUP | POLLERR))
                Relay(m_links[owners[i].first], owners[i].second);
        for (Link &link : m_links)
            Deliver(link);
    }
}

} // namespace bbt::printtest
