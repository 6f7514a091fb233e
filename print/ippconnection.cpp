#include "print/ippconnection.h"

#include "print/ippreaders.h"

#include <cups/cups.h>

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bbt {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long libcups waits in silence before it asks whether to go on, and how long this
// code waits before it looks at the bounds again: a server that dribbles slower than this
// is caught by the request's limit.
constexpr auto WaitSlice = 100ms;
// libcups asks again this long after it last asked only where its wait in between ended
// with bytes from the server: each silent wait takes one slice.
constexpr auto HeardBetweenWaits = WaitSlice * 3 / 2;
// The largest answer read: far more than any printer's attributes take.
constexpr std::size_t LargestAnswer = std::size_t(4) << 20;
// How often a request goes again after libcups found credentials that need no password.
constexpr int AuthenticationAttempts = 3;

int KeepWaitingCallback(http_t *, void *connection)
{
    return static_cast<IppConnection *>(connection)->KeepWaiting() ? 1 : 0;
}

// libcups would otherwise ask on the terminal the program was started from, and wait there.
const char *DeclinePassword(const char *, http_t *, const char *, const char *, void *)
{
    return nullptr;
}

std::chrono::milliseconds Left(Clock::time_point deadline)
{
    return std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
}

// The addresses of the print server's host, looked up on a thread of their own: a lookup
// cannot be interrupted, so the job waits for it only until its deadline and then leaves
// it to finish by itself.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    http_addrlist_t *addresses = nullptr;
    ~Lookup()
    {
        httpAddrFreeList(addresses);
    }
};

std::shared_ptr<Lookup> LookUp(const std::string &host, int port, Clock::time_point deadline)
{
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host, service = std::to_string(port)] {
        http_addrlist_t *addresses = httpAddrGetList(host.c_str(), AF_UNSPEC, service.c_str());
        const std::lock_guard lock(lookup->mutex);
        lookup->addresses = addresses;
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_until(lock, deadline, [&] { return lookup->finished; }))
        return nullptr;
    return lookup;
}

} // namespace

void IppConnection::HttpClose::operator()(http_t *http) const
{
    httpClose(http);
}

IppConnection::IppConnection()
{
    cupsSetPasswordCB2(DeclinePassword, nullptr);
}

IppConnection::~IppConnection() = default;

bool IppConnection::Connect()
{
    const std::string host = cupsServer();
    const int port = ippPort();
    const auto deadline = Clock::now() + AnswerTimeout;
    const std::shared_ptr<Lookup> lookup = LookUp(host, port, deadline);
    if (!lookup || !lookup->addresses)
        return false;
    http_t *http = httpConnect2(host.c_str(), port, lookup->addresses, AF_UNSPEC, cupsEncryption(), 1,
                                int(std::max(Left(deadline), 1ms).count()), nullptr);
    if (!http)
        return false;
    // Every wait of libcups asks KeepWaiting after a slice of silence.
    httpSetTimeout(http, std::chrono::duration<double>(WaitSlice).count(), KeepWaitingCallback, this);
    m_http.reset(http);
    m_watchdog = std::jthread([this](std::stop_token stop) { Watch(stop); });
    return true;
}

void IppConnection::Watch(std::stop_token stop)
{
    std::unique_lock lock(m_watchMutex);
    while (!stop.stop_requested()) {
        if (!m_watchDeadline) {
            m_watchChanged.wait(lock, stop, [this] { return m_watchDeadline.has_value(); });
            continue;
        }
        const Clock::time_point deadline = *m_watchDeadline;
        if (m_watchChanged.wait_until(lock, stop, deadline, [&] { return m_watchDeadline != deadline; }))
            continue;
        if (stop.stop_requested())
            return;
        // Only the socket is touched, never libcups's connection: shut, it wakes libcups's wait;
        // replaced by /dev/null, it gives libcups nothing more of what the server had already
        // sent, so that its reading ends at once. The number stays open, so nothing else can be
        // given it in between.
        m_cutOff = true;
        const int socket = httpGetFd(m_http.get());
        shutdown(socket, SHUT_RDWR);
        if (const int nothing = open("/dev/null", O_RDWR | O_CLOEXEC); nothing >= 0) {
            dup3(nothing, socket, O_CLOEXEC);
            close(nothing);
        }
        m_watchDeadline.reset();
    }
}

bool IppConnection::KeepWaiting()
{
    const auto now = Clock::now();
    const std::time_t activity = httpGetActivity(m_http.get());
    if (now - m_lastWait > HeardBetweenWaits || activity != m_lastActivity)
        m_silentSince = now - WaitSlice;
    m_lastWait = now;
    m_lastActivity = activity;
    return WithinBounds();
}

bool IppConnection::WithinBounds()
{
    const auto now = Clock::now();
    m_silent = m_silent || m_cutOff || now - m_silentSince >= AnswerTimeout || now >= m_requestDeadline;
    return !m_silent;
}

void IppConnection::Heard()
{
    m_silentSince = m_lastWait = Clock::now();
    m_lastActivity = httpGetActivity(m_http.get());
}

void IppConnection::Begin()
{
    m_silent = false;
    m_requestDeadline = Clock::now() + RequestLimit;
    Heard();
    const std::lock_guard lock(m_watchMutex);
    m_watchDeadline = m_requestDeadline;
    m_watchChanged.notify_all();
}

void IppConnection::End()
{
    const std::lock_guard lock(m_watchMutex);
    m_watchDeadline.reset();
    m_watchChanged.notify_all();
}

bool IppConnection::AwaitBytes()
{
    while (!httpWait(m_http.get(), int(WaitSlice.count())))
        if (!WithinBounds())
            return false;
    Heard();
    return true;
}

IppAnswer IppConnection::Unanswered() const
{
    return {m_silent || m_cutOff ? IppAnswer::Heard::Silent : IppAnswer::Heard::Lost};
}

IppAnswer IppConnection::Refused(http_status_t status) const
{
    // Below 300 no status is a no. libcups also names a connection it could not open again
    // 503: the connection's own status tells that no server said it.
    if (status < HTTP_STATUS_MULTIPLE_CHOICES || httpGetStatus(m_http.get()) == HTTP_STATUS_ERROR)
        return Unanswered();
    IppAnswer answer{IppAnswer::Heard::Answered, status};
    answer.reason = std::to_string(int(status)) + ' ' + httpStatus(status);
    return answer;
}

// The answer's status line and fields are libcups's to read; its body is read here, each
// piece as it comes, and taken apart in memory once it is whole. A failed answer is left
// unread: the connection is given up with the request.
IppAnswer IppConnection::ReadAnswer()
{
    http_t *http = m_http.get();
    const http_state_t state = httpGetState(http);
    if (state != HTTP_STATE_POST_RECV && state != HTTP_STATE_POST_SEND)
        return Unanswered();
    http_status_t status = HTTP_STATUS_CONTINUE;
    while (status == HTTP_STATUS_CONTINUE && WithinBounds() && AwaitBytes())
        status = httpUpdate(http);
    if (!WithinBounds())
        return Unanswered();
    if (status != HTTP_STATUS_OK)
        return Refused(status);

    std::string body;
    std::array<char, 32768> buffer;
    ssize_t got = 0;
    while (body.size() <= LargestAnswer && WithinBounds()
           && (got = httpRead2(http, buffer.data(), buffer.size())) > 0) {
        body.append(buffer.data(), std::size_t(got));
        Heard();
    }
    if (m_silent || m_cutOff || got < 0)
        return Unanswered();
    if (body.size() > LargestAnswer)
        return {IppAnswer::Heard::Unreadable};
    Ipp message = IppMessageOf(body);
    if (!message)
        return httpError(http) != 0 ? Unanswered() : IppAnswer{IppAnswer::Heard::Unreadable};
    IppAnswer answer{IppAnswer::Heard::Answered};
    answer.status = ippGetStatusCode(message.get());
    ipp_attribute_t *words = ippFindAttribute(message.get(), "status-message", IPP_TAG_TEXT);
    const char *reason = words ? ippGetString(words, 0, nullptr) : nullptr;
    answer.reason = reason && *reason ? reason : ippErrorString(ipp_status_t(answer.status));
    answer.message = std::move(message);
    return answer;
}

bool IppConnection::ReopenIfClosed()
{
    http_t *http = m_http.get();
    const char *connection = httpGetField(http, HTTP_FIELD_CONNECTION);
    if (httpGetState(http) == HTTP_STATE_WAITING && (!connection || std::string_view(connection) != "close"))
        return true;
    httpClearFields(http);
    const auto left = Left(m_requestDeadline);
    return left > 0ms && httpReconnect2(http, int(left.count()), nullptr) == 0;
}

bool IppConnection::Authenticated(const std::string &resource)
{
    if (cupsDoAuthentication(m_http.get(), "POST", resource.c_str()) != 0)
        return false;
    const auto left = Left(m_requestDeadline);
    return left > 0ms && httpReconnect2(m_http.get(), int(left.count()), nullptr) == 0;
}

IppAnswer IppConnection::Ask(ipp_t *request)
{
    Begin();
    IppAnswer answer;
    for (int attempt = 1;; ++attempt) {
        if (!ReopenIfClosed()) {
            answer = Unanswered();
            break;
        }
        const http_status_t sent = cupsSendRequest(m_http.get(), request, "/", ippLength(request));
        answer = sent == HTTP_STATUS_CONTINUE || sent == HTTP_STATUS_OK ? ReadAnswer() : Refused(sent);
        if (answer.http != HTTP_STATUS_UNAUTHORIZED || attempt == AuthenticationAttempts || !Authenticated("/"))
            break;
    }
    End();
    return answer;
}

IppConnection::DocumentAnswer IppConnection::Send(ipp_t *request, const std::string &resource,
                                                  std::string_view document)
{
    Begin();
    http_status_t status = HTTP_STATUS_ERROR;
    if (ReopenIfClosed())
        status = cupsSendRequest(m_http.get(), request, resource.c_str(), CUPS_LENGTH_VARIABLE);
    if (status == HTTP_STATUS_CONTINUE)
        status = cupsWriteRequestData(m_http.get(), document.data(), document.size());
    // The document goes in chunks: an empty one ends it.
    const bool allSent = status == HTTP_STATUS_CONTINUE && httpWrite2(m_http.get(), "", 0) >= 0;
    // A server that says no to the page may shut the connection before it has taken all of
    // it, so a write that failed is no proof of silence: what the server said is read.
    const bool readOn = allSent || status == HTTP_STATUS_CONTINUE || status == HTTP_STATUS_ERROR;
    DocumentAnswer answer{allSent ? PageStage::AllSent : PageStage::NotSent, readOn ? ReadAnswer() : Refused(status)};
    End();
    return answer;
}

} // namespace bbt
