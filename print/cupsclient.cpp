#include "print/cupsclient.h"

#include <cups/cups.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <span>
#include <thread>

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
// How often a job is asked after.
constexpr auto PollInterval = 250ms;

// CUPS's name for the reason a job waits for a password.
constexpr std::string_view HeldForAuthenticationReason = "cups-held-for-authentication";

// What a real sheet can be: no smaller than a postcard, no larger than a plotter's roll
// is wide. Lengths in millimetres.
constexpr double ShortestSide = 100, ShorterLongSide = 148, LongestSide = 1200;
// A margin takes at most this share of its side, so the page keeps room for the window.
constexpr double LargestMarginShare = 0.25;
// The resolutions printers have, in dots per inch.
constexpr int LowestResolution = 72, HighestResolution = 9600;

int KeepWaitingCallback(http_t *, void *client)
{
    return static_cast<CupsClient *>(client)->KeepWaiting() ? 1 : 0;
}

// libcups would otherwise ask on the terminal the program was started from, and wait there.
const char *DeclinePassword(const char *, http_t *, const char *, const char *, void *)
{
    return nullptr;
}

std::string StringOf(ipp_t *response, const char *name)
{
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    const char *text = attribute ? ippGetString(attribute, 0, nullptr) : nullptr;
    return text ? text : "";
}

int IntegerOf(ipp_t *response, const char *name, int otherwise)
{
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    const ipp_tag_t tag = attribute ? ippGetValueTag(attribute) : IPP_TAG_ZERO;
    return tag == IPP_TAG_INTEGER || tag == IPP_TAG_ENUM ? ippGetInteger(attribute, 0) : otherwise;
}

bool HasKeyword(ipp_t *response, const char *name, std::string_view keyword)
{
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_KEYWORD);
    for (int i = 0; attribute && i < ippGetCount(attribute); ++i)
        if (const char *value = ippGetString(attribute, i, nullptr); value && value == keyword)
            return true;
    return false;
}

// Hundredths of a millimetre, as IPP gives media sizes and margins.
double Millimetres(ipp_t *collection, const char *name, double otherwise)
{
    ipp_attribute_t *attribute = ippFindAttribute(collection, name, IPP_TAG_INTEGER);
    return attribute ? ippGetInteger(attribute, 0) / 100.0 : otherwise;
}

bool IsRealSheet(double width, double length)
{
    const auto [shorter, longer] = std::minmax(width, length);
    return shorter >= ShortestSide && longer >= ShorterLongSide && longer <= LongestSide;
}

// Margins that leave room on a side of `side` millimetres; none where together they take
// the whole side or more.
std::optional<std::pair<double, double>> RoomyMargins(double first, double second, double side)
{
    first = std::max(first, 0.0);
    second = std::max(second, 0.0);
    if (!(first + second < side))
        return std::nullopt;
    const double largest = side * LargestMarginShare;
    return std::pair{std::min(first, largest), std::min(second, largest)};
}

// The paper as the printer describes it, where a real sheet could be so, and the printer's
// own description of it; else `paper` as it was, the A4 without margins the program prints
// on when the printer does not say, and none.
ipp_t *ReadMedia(ipp_t *response, PrinterPaper &paper)
{
    ipp_attribute_t *media = ippFindAttribute(response, "media-col-default", IPP_TAG_BEGIN_COLLECTION);
    ipp_t *col = media ? ippGetCollection(media, 0) : nullptr;
    ipp_attribute_t *size = col ? ippFindAttribute(col, "media-size", IPP_TAG_BEGIN_COLLECTION) : nullptr;
    if (!size)
        return nullptr;
    const double width = Millimetres(ippGetCollection(size, 0), "x-dimension", 0);
    const double length = Millimetres(ippGetCollection(size, 0), "y-dimension", 0);
    if (!IsRealSheet(width, length))
        return nullptr;
    const auto sides
        = RoomyMargins(Millimetres(col, "media-left-margin", 0), Millimetres(col, "media-right-margin", 0), width);
    const auto ends
        = RoomyMargins(Millimetres(col, "media-top-margin", 0), Millimetres(col, "media-bottom-margin", 0), length);
    if (!sides || !ends)
        return nullptr;
    paper.width = width;
    paper.length = length;
    std::tie(paper.left, paper.right) = *sides;
    std::tie(paper.top, paper.bottom) = *ends;
    return col;
}

void ReadResolution(ipp_t *response, PrinterPaper &paper)
{
    ipp_attribute_t *attribute = ippFindAttribute(response, "printer-resolution-default", IPP_TAG_RESOLUTION);
    if (!attribute)
        return;
    int vertical = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    const int horizontal = ippGetResolution(attribute, 0, &vertical, &units);
    // In floating point: a server's number of dots per centimetre may be any int.
    const double dpi = units == IPP_RES_PER_CM ? horizontal * 2.54 : horizontal;
    if (dpi >= LowestResolution && dpi <= HighestResolution)
        paper.resolution = int(std::lround(dpi));
}

// The printer's own words on why a job did not print: the job's, else the printer's.
std::string StopReason(ipp_t *job, ipp_t *printer)
{
    for (const char *name : {"job-printer-state-message", "job-state-message"})
        if (std::string message = StringOf(job, name); !message.empty())
            return message;
    return StringOf(printer, "printer-state-message");
}

// A request about the printer at `printerUri` for the attributes `wanted`.
ipp_t *AttributesRequest(ipp_op_t operation, const std::string &printerUri, std::span<const char *const> wanted)
{
    ipp_t *request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri.c_str());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(wanted.size()), nullptr,
                  wanted.data());
    return request;
}

// The IPP status libcups gives an HTTP status that carries no IPP answer.
ipp_status_t StatusOf(http_status_t status)
{
    switch (status) {
    case HTTP_STATUS_UNAUTHORIZED:
        return IPP_STATUS_ERROR_NOT_AUTHENTICATED;
    case HTTP_STATUS_CUPS_AUTHORIZATION_CANCELED:
        return IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED;
    case HTTP_STATUS_FORBIDDEN:
        return IPP_STATUS_ERROR_FORBIDDEN;
    case HTTP_STATUS_NOT_FOUND:
        return IPP_STATUS_ERROR_NOT_FOUND;
    case HTTP_STATUS_BAD_REQUEST:
        return IPP_STATUS_ERROR_BAD_REQUEST;
    case HTTP_STATUS_ERROR: // no answer: the connection failed
        return IPP_STATUS_ERROR_INTERNAL;
    default:
        return IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
    }
}

// An IPP message held in memory, read as libcups reads one from the connection.
ssize_t ReadFromMemory(void *source, ipp_uchar_t *buffer, size_t wanted)
{
    auto *left = static_cast<std::string_view *>(source);
    const std::size_t taken = std::min(wanted, left->size());
    std::copy_n(left->data(), taken, buffer);
    left->remove_prefix(taken);
    return ssize_t(taken);
}

bool WantsAuthentication(ipp_status_t status)
{
    switch (status) {
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_FORBIDDEN:
        return true;
    default:
        return false;
    }
}

// The variable's value; one set but empty counts as unset.
std::string Variable(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// The printer the user chose for this session, as lp reads it: LPDEST, else PRINTER, where
// "lp" means none in particular.
std::string ChosenPrinter()
{
    if (std::string destination = Variable("LPDEST"); !destination.empty())
        return destination;
    if (std::string printer = Variable("PRINTER"); printer != "lp")
        return printer;
    return {};
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

void CupsClient::HttpClose::operator()(http_t *http) const
{
    httpClose(http);
}

void CupsClient::IppDelete::operator()(ipp_t *ipp) const
{
    ippDelete(ipp);
}

CupsClient::CupsClient(std::stop_token stopFollowing)
    : m_stopFollowing(std::move(stopFollowing))
{
    cupsSetPasswordCB2(DeclinePassword, nullptr);
}

CupsClient::~CupsClient() = default;

bool CupsClient::KeepWaiting()
{
    const auto now = Clock::now();
    if (now - m_lastWait > HeardBetweenWaits)
        m_silentSince = now - WaitSlice;
    m_lastWait = now;
    return WithinBounds();
}

bool CupsClient::WithinBounds()
{
    const auto now = Clock::now();
    m_silent = m_silent || now - m_silentSince >= AnswerTimeout || now >= m_requestDeadline;
    return !m_silent;
}

void CupsClient::Heard()
{
    m_silentSince = m_lastWait = Clock::now();
}

bool CupsClient::AwaitBytes()
{
    while (!httpWait(m_http.get(), int(WaitSlice.count())))
        if (!WithinBounds())
            return false;
    Heard();
    return true;
}

PrintReport CupsClient::Connect()
{
    const std::string host = cupsServer();
    const int port = ippPort();
    const auto deadline = Clock::now() + AnswerTimeout;
    const std::shared_ptr<Lookup> lookup = LookUp(host, port, deadline);
    if (!lookup || !lookup->addresses)
        return {PrintProblem::ServerUnreachable, "", ""};
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    http_t *http = httpConnect2(host.c_str(), port, lookup->addresses, AF_UNSPEC, cupsEncryption(), 1,
                                int(std::max(left, 1ms).count()), nullptr);
    if (!http)
        return {PrintProblem::ServerUnreachable, "", ""};
    // Every wait of libcups asks KeepWaiting after a slice of silence.
    httpSetTimeout(http, std::chrono::duration<double>(WaitSlice).count(), KeepWaitingCallback, this);
    m_http.reset(http);
    return {};
}

template <typename Request>
auto CupsClient::Bounded(Request request)
{
    m_silent = false;
    m_status = IPP_STATUS_ERROR_INTERNAL;
    m_statusMessage.clear();
    m_requestDeadline = Clock::now() + RequestLimit;
    Heard();
    return request();
}

void CupsClient::Stopped(http_status_t status)
{
    m_status = StatusOf(status);
    m_statusMessage = httpStatus(status);
}

// The answer's status line and fields are libcups's to read; its body is read here, each
// piece as it comes, and taken apart in memory once it is whole. A failed answer is left
// unread: the connection is given up with the request.
std::pair<http_status_t, CupsClient::Ipp> CupsClient::ReadAnswer()
{
    http_t *http = m_http.get();
    const http_state_t state = httpGetState(http);
    if (state != HTTP_STATE_POST_RECV && state != HTTP_STATE_POST_SEND)
        return {HTTP_STATUS_ERROR, nullptr};
    http_status_t status = HTTP_STATUS_CONTINUE;
    while (status == HTTP_STATUS_CONTINUE && WithinBounds() && AwaitBytes())
        status = httpUpdate(http);
    if (status != HTTP_STATUS_OK) {
        Stopped(status);
        return {status, nullptr};
    }

    std::string body;
    std::array<char, 32768> buffer;
    ssize_t got = 0;
    while (body.size() <= LargestAnswer && WithinBounds()
           && (got = httpRead2(http, buffer.data(), buffer.size())) > 0) {
        body.append(buffer.data(), std::size_t(got));
        Heard();
    }
    Ipp answer{ippNew()};
    std::string_view unread = body;
    if (m_silent || got < 0 || body.size() > LargestAnswer
        || ippReadIO(&unread, ReadFromMemory, 1, nullptr, answer.get()) != IPP_STATE_DATA)
        return {HTTP_STATUS_ERROR, nullptr};
    m_status = ippGetStatusCode(answer.get());
    const std::string message = StringOf(answer.get(), "status-message");
    m_statusMessage = message.empty() ? ippErrorString(m_status) : message;
    return {status, std::move(answer)};
}

bool CupsClient::Authenticated(const std::string &resource)
{
    if (cupsDoAuthentication(m_http.get(), "POST", resource.c_str()) != 0) {
        Stopped(HTTP_STATUS_CUPS_AUTHORIZATION_CANCELED);
        return false;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_requestDeadline - Clock::now());
    return left > 0ms && httpReconnect2(m_http.get(), int(left.count()), nullptr) == 0;
}

CupsClient::Ipp CupsClient::Ask(Ipp request)
{
    return Bounded([&] {
        for (int attempt = 1;; ++attempt) {
            const http_status_t sent = cupsSendRequest(m_http.get(), request.get(), "/", ippLength(request.get()));
            if (sent != HTTP_STATUS_CONTINUE && sent != HTTP_STATUS_OK) {
                Stopped(sent);
                return Ipp();
            }
            auto [status, answer] = ReadAnswer();
            if (status != HTTP_STATUS_UNAUTHORIZED || attempt == AuthenticationAttempts || !Authenticated("/"))
                return std::move(answer);
        }
    });
}

bool CupsClient::Succeeded() const
{
    return m_status <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

bool CupsClient::ServerLost() const
{
    return m_silent || m_status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || m_status == IPP_STATUS_ERROR_INTERNAL;
}

PrintReport CupsClient::Failure(PrintProblem otherwise) const
{
    if (m_silent)
        return {PrintProblem::ServerSilent, m_printer, ""};
    if (ServerLost())
        return {PrintProblem::ServerUnreachable, m_printer, ""};
    if (WantsAuthentication(m_status))
        return {PrintProblem::NeedsAuthentication, m_printer, ""};
    if (m_status == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS)
        return {PrintProblem::Refusing, m_printer, m_statusMessage};
    if (m_status == IPP_STATUS_ERROR_NOT_FOUND)
        return {PrintProblem::NoDefaultPrinter, m_printer, ""};
    // An answer that says success but lacks what was asked for has no reason worth telling.
    return {otherwise, m_printer, Succeeded() ? "" : m_statusMessage};
}

std::string CupsClient::PrinterUri() const
{
    std::array<char, HTTP_MAX_URI> uri{};
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri.data(), uri.size(), "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", m_printer.c_str());
    return uri.data();
}

// The user's choice, else the server's default; nothing when the server could not say.
std::optional<std::string> CupsClient::DefaultPrinterName()
{
    if (std::string chosen = ChosenPrinter(); !chosen.empty())
        return chosen;
    const Ipp response = Ask(Ipp(ippNewRequest(IPP_OP_CUPS_GET_DEFAULT)));
    if (!response || !Succeeded())
        return std::nullopt;
    return StringOf(response.get(), "printer-name");
}

PrintReport CupsClient::FindDefaultPrinter(PrinterPaper &paper)
{
    if (PrintReport connected = Connect(); connected.problem != PrintProblem::None)
        return connected;

    const std::optional<std::string> name = DefaultPrinterName();
    if (!name)
        return Failure(PrintProblem::NoDefaultPrinter);
    if (name->empty())
        return {PrintProblem::NoDefaultPrinter, "", ""};
    // A default may name an instance, "printer/instance".
    m_printer = name->substr(0, name->find('/'));
    paper.printer = m_printer;

    static const char *const wanted[] = {"printer-state", "printer-state-message", "printer-is-accepting-jobs",
                                         "printer-resolution-default", "media-col-default"};
    const Ipp response = Ask(Ipp(AttributesRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, PrinterUri(), wanted)));
    if (!response || !Succeeded())
        return Failure(PrintProblem::SendFailed);

    m_printerPaused = IntegerOf(response.get(), "printer-state", IPP_PSTATE_IDLE) == IPP_PSTATE_STOPPED;
    m_printerState = StringOf(response.get(), "printer-state-message");
    ReadResolution(response.get(), paper);
    if (ipp_t *media = ReadMedia(response.get(), paper)) {
        m_media.reset(ippNew());
        ippCopyAttributes(m_media.get(), media, 0, nullptr, nullptr);
    }
    ipp_attribute_t *accepting = ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    if (accepting && !ippGetBoolean(accepting, 0))
        return {PrintProblem::Refusing, m_printer, m_printerState};
    return {};
}

PrintReport CupsClient::Send(std::string_view pdf, const std::string &title)
{
    // Asked here rather than through cupsCreateJob, which looks the printer up again on
    // connections of its own, outside the bounds of this one.
    Ipp request(ippNewRequest(IPP_OP_CREATE_JOB));
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri().c_str());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
    AddWhatThePageNeeds(request.get());
    const Ipp created = Ask(std::move(request));
    m_job = created && Succeeded() ? IntegerOf(created.get(), "job-id", 0) : 0;
    if (m_job <= 0)
        return Failure(PrintProblem::SendFailed);

    const bool written = Bounded([&] {
        http_status_t status
            = cupsStartDocument(m_http.get(), m_printer.c_str(), m_job, title.c_str(), CUPS_FORMAT_PDF, 1);
        if (status == HTTP_STATUS_CONTINUE)
            status = cupsWriteRequestData(m_http.get(), pdf.data(), pdf.size());
        if (status != HTTP_STATUS_CONTINUE)
            Stopped(status);
        return status == HTTP_STATUS_CONTINUE;
    });
    if (!written)
        return Failure(PrintProblem::SendFailed);

    // The document goes in chunks: an empty one ends it.
    Bounded([this] { return httpWrite2(m_http.get(), "", 0) >= 0 && ReadAnswer().second; });
    // Every byte of the page went out: whether the server kept it, only its answer
    // could tell, and that may be lost on the way while the page prints all the same.
    if (ServerLost())
        return {PrintProblem::NotFollowed, m_printer, ""};
    if (!Succeeded())
        return Failure(PrintProblem::SendFailed);

    if (m_printerPaused)
        return {PrintProblem::Paused, m_printer, m_printerState};
    return {};
}

// The page is drawn upright, one to a sheet, at real size, for the paper the printer said it
// has: a queue whose saved defaults say otherwise (landscape, two to a sheet, fill, fit to
// page) would turn, shrink or move it. A queue that cannot honour one of these ignores it.
void CupsClient::AddWhatThePageNeeds(ipp_t *request) const
{
    ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_ENUM, "orientation-requested", IPP_ORIENT_PORTRAIT);
    ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_INTEGER, "number-up", 1);
    ippAddString(request, IPP_TAG_JOB, IPP_TAG_KEYWORD, "print-scaling", nullptr, "none");
    ippAddBoolean(request, IPP_TAG_JOB, "fit-to-page", 0);
    if (m_media)
        ippAddCollection(request, IPP_TAG_JOB, "media-col", m_media.get());
}

std::optional<PrintReport> CupsClient::JobReport(ipp_t *job, ipp_t *printer) const
{
    const bool printerStopped = IntegerOf(printer, "printer-state", IPP_PSTATE_IDLE) == IPP_PSTATE_STOPPED;
    switch (IntegerOf(job, "job-state", IPP_JSTATE_PENDING)) {
    case IPP_JSTATE_COMPLETED:
        return PrintReport{};
    case IPP_JSTATE_STOPPED:
    case IPP_JSTATE_CANCELED:
    case IPP_JSTATE_ABORTED:
        return PrintReport{PrintProblem::Stopped, m_printer, StopReason(job, printer)};
    case IPP_JSTATE_HELD:
        if (HasKeyword(job, "job-state-reasons", HeldForAuthenticationReason))
            return PrintReport{PrintProblem::HeldForAuthentication, m_printer, ""};
        return PrintReport{PrintProblem::Held, m_printer, StringOf(job, "job-hold-until")};
    default:
        if (!printerStopped)
            return std::nullopt;
        // Stopped while printing the job: the printer or its backend failed on it. Stopped
        // before it began: paused, and the page waits in the queue.
        if (IntegerOf(job, "time-at-processing", 0) > 0)
            return PrintReport{PrintProblem::Stopped, m_printer, StopReason(job, printer)};
        return PrintReport{PrintProblem::Paused, m_printer, StringOf(printer, "printer-state-message")};
    }
}

bool CupsClient::PauseUnlessStopped(std::chrono::milliseconds interval)
{
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait_for(lock, m_stopFollowing, interval, [] { return false; });
    return !m_stopFollowing.stop_requested();
}

PrintReport CupsClient::Follow(std::chrono::milliseconds limit)
{
    static const char *const jobWanted[]
        = {"job-state",      "job-state-reasons", "job-state-message", "job-printer-state-message",
           "job-hold-until", "time-at-processing"};
    static const char *const printerWanted[] = {"printer-state", "printer-state-message"};
    const std::string printerUri = PrinterUri();
    const auto deadline = Clock::now() + limit;
    do {
        Ipp request(AttributesRequest(IPP_OP_GET_JOB_ATTRIBUTES, printerUri, jobWanted));
        ippAddInteger(request.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", m_job);
        const Ipp job = Ask(std::move(request));
        if (!job || !Succeeded())
            return {PrintProblem::NotFollowed, m_printer, ""};
        const Ipp printer = Ask(Ipp(AttributesRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printerUri, printerWanted)));
        if (!printer || !Succeeded())
            return {PrintProblem::NotFollowed, m_printer, ""};
        if (auto report = JobReport(job.get(), printer.get()))
            return *report;
    } while (Clock::now() + PollInterval < deadline && PauseUnlessStopped(PollInterval));
    return {};
}

} // namespace bbt
