#include "fakeprintserver.h"

#include "print/ippreaders.h"

#include <cups/ipp.h>

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <optional>
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

// Whether all of `bytes` went out.
bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written <= 0)
            return false;
        bytes.remove_prefix(std::size_t(written));
    }
    return true;
}

// The headers of the HTTP request at the front of `received`, lower-cased, once they are
// all there.
std::optional<std::string> HeadersOf(std::string_view received)
{
    const std::size_t end = received.find("\r\n\r\n");
    if (end == std::string_view::npos)
        return std::nullopt;
    std::string headers(received.substr(0, end));
    std::transform(headers.begin(), headers.end(), headers.begin(), [](unsigned char c) { return std::tolower(c); });
    return headers;
}

// The body of the HTTP request at the front of `received`, once it is all there, and how
// many bytes the request took; the body in pieces where the client sent it chunked.
std::optional<std::pair<std::string, std::size_t>> WholeRequest(std::string_view received)
{
    const std::optional<std::string> headers = HeadersOf(received);
    if (!headers)
        return std::nullopt;
    std::size_t at = headers->size() + 4;
    if (headers->find("transfer-encoding: chunked") == std::string::npos) {
        const std::size_t field = headers->find("content-length:");
        const std::size_t length = field == std::string::npos ? 0 : std::stoul(headers->substr(field + 15));
        if (received.size() < at + length)
            return std::nullopt;
        return std::pair{std::string(received.substr(at, length)), at + length};
    }
    std::string body;
    for (;;) {
        const std::size_t lineEnd = received.find("\r\n", at);
        if (lineEnd == std::string_view::npos)
            return std::nullopt;
        const std::size_t size = std::stoul(std::string(received.substr(at, lineEnd - at)), nullptr, 16);
        if (received.size() < lineEnd + 2 + size + 2)
            return std::nullopt;
        body += received.substr(lineEnd + 2, size);
        at = lineEnd + 2 + size + 2;
        if (size == 0)
            return std::pair{std::move(body), at};
    }
}

std::string Encoded(ipp_t *ipp)
{
    std::string bytes;
    ippWriteIO(
        &bytes,
        [](void *sink, ipp_uchar_t *buffer, size_t length) -> ssize_t {
            static_cast<std::string *>(sink)->append(reinterpret_cast<const char *>(buffer), length);
            return ssize_t(length);
        },
        1, nullptr, ipp);
    return bytes;
}

// An answer that goes on until the client stops reading it, as fast as the client reads.
void AnswerWithoutEnd(int client, Endless endless)
{
    const bool fields = endless == Endless::Fields;
    const std::string line = fields ? "Allow: GET, POST\r\n" : "8000\r\n" + std::string(0x8000, '\x01') + "\r\n";
    std::string again;
    while (again.size() < 0x10000)
        again += line;
    if (!WriteAll(client,
                  fields ? "HTTP/1.1 200 OK\r\n"
                         : "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nTransfer-Encoding: chunked\r\n\r\n"))
        return;
    while (WriteAll(client, again)) {}
}

std::string HttpAnswer(int status, std::string_view body)
{
    return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Refused")
        + "\r\nContent-Type: application/ipp\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n"
        + std::string(body);
}

void AddMedia(ipp_t *answer, const FakePrinter &printer)
{
    ipp_t *size = ippNew();
    ippAddInteger(size, IPP_TAG_ZERO, IPP_TAG_INTEGER, "x-dimension", printer.width);
    ippAddInteger(size, IPP_TAG_ZERO, IPP_TAG_INTEGER, "y-dimension", printer.length);
    ipp_t *media = ippNew();
    ippAddCollection(media, IPP_TAG_ZERO, "media-size", size);
    ippAddInteger(media, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-left-margin", printer.left);
    ippAddInteger(media, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-right-margin", printer.right);
    ippAddInteger(media, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-top-margin", printer.top);
    ippAddInteger(media, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-bottom-margin", printer.bottom);
    ippAddCollection(answer, IPP_TAG_PRINTER, "media-col-default", media);
    ippDelete(size);
    ippDelete(media);
}

} // namespace

void AddPrinterAttributes(ipp_t *answer, const FakePrinter &printer, bool paused)
{
    ippAddInteger(answer, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state",
                  paused ? IPP_PSTATE_STOPPED : IPP_PSTATE_IDLE);
    ippAddString(answer, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-state-message", nullptr, printer.stateMessage.c_str());
    ippAddBoolean(answer, IPP_TAG_PRINTER, "printer-is-accepting-jobs", printer.accepting);
    if (printer.describesResolution)
        ippAddResolution(answer, IPP_TAG_PRINTER, "printer-resolution-default",
                         printer.perCentimetre ? IPP_RES_PER_CM : IPP_RES_PER_INCH, printer.resolution,
                         printer.resolution);
    if (printer.describesMedia)
        AddMedia(answer, printer);
}

void AddJobAttributes(ipp_t *answer, const FakePrinter &printer)
{
    ippAddInteger(answer, IPP_TAG_JOB, IPP_TAG_ENUM, "job-state",
                  printer.pausedOnceTheJobIsIn ? IPP_JSTATE_PENDING : printer.jobState);
    ippAddString(answer, IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-state-reasons", nullptr, "none");
    if (!printer.holdUntil.empty())
        ippAddString(answer, IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-hold-until", nullptr, printer.holdUntil.c_str());
}

FakePrintServer::FakePrintServer(Behaviour behaviour, std::string path, std::string upstream,
                                 std::chrono::milliseconds delay)
    : m_behaviour(behaviour)
    , m_path(std::move(path))
    , m_upstream(std::move(upstream))
    , m_delay(delay)
{
    Listen();
}

FakePrintServer::FakePrintServer(FakePrinter printer, std::string path)
    : m_behaviour(Behaviour::Answers)
    , m_path(std::move(path))
    , m_delay(0)
    , m_printer(std::move(printer))
{
    Listen();
}

void FakePrintServer::Listen()
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

std::vector<std::string> FakePrintServer::JobAttributes() const
{
    std::lock_guard lock(m_mutex);
    return m_jobAttributes;
}

void FakePrintServer::Accept()
{
    const int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    Link link;
    link.client = client;
    if (m_behaviour != Behaviour::Silent && m_behaviour != Behaviour::Answers)
        link.server = ConnectTo(m_upstream);
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
    if (m_behaviour == Behaviour::Answers) {
        link.request += bytes;
        Answer(link);
        return;
    }
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
    if (m_behaviour == Behaviour::InPieces) {
        // After what is still held back, so that the pieces keep their order.
        const auto first = link.toClient.empty() ? due : std::max(due, link.toClient.back().due);
        const std::size_t half = (bytes.size() + 1) / 2;
        link.toClient.push_back({first, std::string(bytes.substr(0, half))});
        if (bytes.size() > half)
            link.toClient.push_back({first + m_delay, std::string(bytes.substr(half))});
    } else if (m_behaviour == Behaviour::Dribbling)
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

// Answers each whole request the client has sent; tells it to go on with a body first
// where it waits to be told.
void FakePrintServer::Answer(Link &link)
{
    for (;;) {
        const std::optional<std::string> headers = HeadersOf(link.request);
        if (!link.continued && headers && headers->find("expect: 100-continue") != std::string::npos) {
            WriteAll(link.client, "HTTP/1.1 100 Continue\r\n\r\n");
            link.continued = true;
        }
        const auto request = WholeRequest(link.request);
        if (!request)
            return;
        link.request.erase(0, request->second);
        link.continued = false;
        const auto [operation, answer] = AnswerTo(request->first);
        if (operation != IPP_OP_GET_PRINTER_ATTRIBUTES)
            WriteAll(link.client, answer);
        else if (m_printer.endless != Endless::No)
            AnswerWithoutEnd(link.client, m_printer.endless);
        else
            AnswerInPieces(link, answer);
    }
}

// Three pieces `piecesApart` apart, broken where the printer says; one where it says none.
void FakePrintServer::AnswerInPieces(Link &link, const std::string &answer)
{
    const std::size_t body = answer.find("\r\n\r\n") + 4;
    std::size_t breaks[2] = {answer.size(), answer.size()};
    if (m_printer.breaks == Breaks::InTheFields)
        breaks[0] = 8, breaks[1] = answer.find("\r\n") + 6; // "HTTP/1.1| 200 OK\r\nCont|ent-Type…"
    else if (m_printer.breaks == Breaks::InTheBody)
        breaks[0] = body + 5, breaks[1] = body + (answer.size() - body) / 2;
    const auto now = Clock::now();
    link.toClient.push_back({now, answer.substr(0, breaks[0])});
    link.toClient.push_back({now + m_printer.piecesApart, answer.substr(breaks[0], breaks[1] - breaks[0])});
    link.toClient.push_back({now + 2 * m_printer.piecesApart, answer.substr(breaks[1])});
}

std::pair<int, std::string> FakePrintServer::AnswerTo(std::string_view ippRequest)
{
    // Read as the client reads an answer; what cannot be read is a request of nothing.
    Ipp parsed = IppMessageOf(ippRequest);
    if (!parsed)
        parsed.reset(ippNew());
    ipp_t *request = parsed.get();
    ipp_t *answer = ippNewResponse(request);
    const FakePrinter &printer = m_printer;
    int httpStatus = 200;
    switch (ippGetOperation(request)) {
    case IPP_OP_CUPS_GET_DEFAULT:
        if (printer.namedAsDefault)
            ippAddString(answer, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr, printer.name.c_str());
        else
            ippSetStatusCode(answer, IPP_STATUS_ERROR_NOT_FOUND);
        break;
    case IPP_OP_GET_PRINTER_ATTRIBUTES:
        AddPrinterAttributes(answer, printer, printer.pausedOnceTheJobIsIn && m_jobIn);
        break;
    case IPP_OP_CREATE_JOB: {
        const std::lock_guard lock(m_mutex);
        m_jobAttributes.clear();
        for (ipp_attribute_t *attribute = ippFirstAttribute(request); attribute; attribute = ippNextAttribute(request))
            if (ippGetGroupTag(attribute) == IPP_TAG_JOB) {
                char value[1024];
                ippAttributeString(attribute, value, sizeof(value));
                m_jobAttributes.push_back(std::string(ippGetName(attribute)) + "=" + value);
            }
        httpStatus = printer.createJobHttpStatus;
        if (printer.jobId != 0)
            ippAddInteger(answer, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", printer.jobId);
        ippAddInteger(answer, IPP_TAG_JOB, IPP_TAG_ENUM, "job-state", IPP_JSTATE_PENDING);
        break;
    }
    case IPP_OP_SEND_DOCUMENT:
        httpStatus = printer.documentHttpStatus;
        ippSetStatusCode(answer, ipp_status_t(printer.documentStatus));
        m_jobIn = printer.documentStatus == IPP_STATUS_OK && httpStatus == 200;
        break;
    case IPP_OP_GET_JOB_ATTRIBUTES:
        AddJobAttributes(answer, printer);
        break;
    default:
        ippSetStatusCode(answer, IPP_STATUS_ERROR_OPERATION_NOT_SUPPORTED);
    }
    const std::string answerBytes = httpStatus == 200 ? Encoded(answer) : std::string();
    const int operation = ippGetOperation(request);
    ippDelete(answer);
    return {operation, HttpAnswer(httpStatus, answerBytes)};
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
        for (std::size_t i = 0; m_behaviour != Behaviour::Silent && i < m_links.size(); ++i)
            for (bool fromServer : {false, true})
                if (int fd = fromServer ? m_links[i].server : m_links[i].client; fd >= 0) {
                    watched.push_back({fd, POLLIN, 0});
                    owners.emplace_back(i, fromServer);
                }
        poll(watched.data(), watched.size(), NextWakeMs());
        if (watched[1].revents & POLLIN)
            Accept();
        for (std::size_t i = 0; i < owners.size(); ++i)
            if (watched[i + 2].revents & (POLLIN | POLLHUP | POLLERR))
                Relay(m_links[owners[i].first], owners[i].second);
        for (Link &link : m_links)
            Deliver(link);
    }
}

} // namespace bbt::printtest
