#include "print/printserver.h"

#include <cups/cups.h>

#include <array>
#include <span>
#include <sys/socket.h>

namespace bbt {

namespace {

using namespace std::chrono_literals;

constexpr int ConnectTimeoutMs = 5000;
// How often a job is asked after.
constexpr auto PollInterval = 250ms;

// CUPS's name for the reason a job waits for a password.
constexpr std::string_view HeldForAuthenticationReason = "cups-held-for-authentication";

int GiveUpWaitingCallback(http_t *, void *server)
{
    return static_cast<PrintServer *>(server)->GiveUpWaiting();
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
    return attribute ? ippGetInteger(attribute, 0) : otherwise;
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

void ReadMedia(ipp_t *response, PrinterPage &page)
{
    ipp_attribute_t *media = ippFindAttribute(response, "media-col-default", IPP_TAG_BEGIN_COLLECTION);
    if (!media)
        return;
    ipp_t *col = ippGetCollection(media, 0);
    if (ipp_attribute_t *size = ippFindAttribute(col, "media-size", IPP_TAG_BEGIN_COLLECTION)) {
        page.width = Millimetres(ippGetCollection(size, 0), "x-dimension", page.width);
        page.length = Millimetres(ippGetCollection(size, 0), "y-dimension", page.length);
    }
    page.left = Millimetres(col, "media-left-margin", page.left);
    page.top = Millimetres(col, "media-top-margin", page.top);
    page.right = Millimetres(col, "media-right-margin", page.right);
    page.bottom = Millimetres(col, "media-bottom-margin", page.bottom);
}

void ReadResolution(ipp_t *response, PrinterPage &page)
{
    ipp_attribute_t *attribute = ippFindAttribute(response, "printer-resolution-default", IPP_TAG_RESOLUTION);
    if (!attribute)
        return;
    int vertical = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    const int horizontal = ippGetResolution(attribute, 0, &vertical, &units);
    const int dpi = units == IPP_RES_PER_CM ? horizontal * 254 / 100 : horizontal;
    if (dpi > 0)
        page.resolution = dpi;
}

// The printer's own words on why a job did not print: the job's, else the printer's.
std::string StopReason(ipp_t *job, const std::string &printerState)
{
    for (const char *name : {"job-printer-state-message", "job-state-message"})
        if (std::string message = StringOf(job, name); !message.empty())
            return message;
    return printerState;
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

struct IppDelete {
    void operator()(ipp_t *ipp) const
    {
        ippDelete(ipp);
    }
};
using IppResponse = std::unique_ptr<ipp_t, IppDelete>;

bool Succeeded()
{
    return cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
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

} // namespace

void PrintServer::HttpClose::operator()(http_t *http) const
{
    httpClose(http);
}

void PrintServer::ShutOnStop::operator()() const
{
    server->m_cancelConnect = 1;
    server->ShutConnection();
}

PrintServer::PrintServer(std::stop_token stop)
    : m_stop(std::move(stop))
    , m_onStop(m_stop, ShutOnStop{this})
    , m_watchdog([this](std::stop_token end) { Watch(std::move(end)); })
{
    cupsSetPasswordCB2(DeclinePassword, nullptr);
}

PrintServer::~PrintServer() = default;

int PrintServer::GiveUpWaiting()
{
    m_silent = true;
    return 0;
}

void PrintServer::ShutConnection()
{
    std::lock_guard lock(m_mutex);
    if (m_http)
        shutdown(httpGetFd(m_http.get()), SHUT_RDWR);
}

// Shuts the connection when a request overruns its limit: a server that dribbles an
// answer a byte at a time never leaves libcups waiting long enough to time out.
void PrintServer::Watch(std::stop_token end)
{
    std::unique_lock lock(m_mutex);
    while (!end.stop_requested()) {
        if (m_deadline && std::chrono::steady_clock::now() >= *m_deadline) {
            m_silent = true;
            m_deadline.reset();
            if (m_http)
                shutdown(httpGetFd(m_http.get()), SHUT_RDWR);
        }
        if (m_deadline)
            m_wake.wait_until(lock, end, *m_deadline, [] { return false; });
        else
            m_wake.wait(lock, end, [this] { return m_deadline.has_value(); });
    }
}

void PrintServer::ArmWatchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_deadline = std::chrono::steady_clock::now() + RequestLimit;
    }
    m_wake.notify_all();
}

void PrintServer::DisarmWatchdog()
{
    std::lock_guard lock(m_mutex);
    m_deadline.reset();
}

PrintReport PrintServer::Connect()
{
    http_t *http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, ConnectTimeoutMs,
                                &m_cancelConnect);
    if (!http)
        return {PrintProblem::ServerUnreachable, "", ""};
    // Any wait of libcups ends after this much silence; any byte from the server restarts it.
    httpSetTimeout(http, std::chrono::duration<double>(AnswerTimeout).count(), GiveUpWaitingCallback, this);
    std::lock_guard lock(m_mutex);
    m_http.reset(http);
    if (m_stop.stop_requested())
        shutdown(httpGetFd(http), SHUT_RDWR);
    return {};
}

template <typename Request>
auto PrintServer::Bounded(Request request)
{
    m_silent = false;
    ArmWatchdog();
    const auto result = request();
    DisarmWatchdog();
    return result;
}

ipp_t *PrintServer::Ask(ipp_t *request)
{
    return Bounded([&] { return cupsDoRequest(m_http.get(), request, "/"); });
}

bool PrintServer::ServerLost() const
{
    const ipp_status_t status = cupsLastError();
    return m_silent || status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || status == IPP_STATUS_ERROR_INTERNAL;
}

PrintReport PrintServer::Failure(PrintProblem otherwise) const
{
    if (m_silent)
        return {PrintProblem::ServerSilent, m_printer, ""};
    if (ServerLost())
        return {PrintProblem::ServerUnreachable, m_printer, ""};
    const ipp_status_t status = cupsLastError();
    if (WantsAuthentication(status))
        return {PrintProblem::NeedsAuthentication, m_printer, ""};
    if (status == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS)
        return {PrintProblem::Refusing, m_printer, cupsLastErrorString()};
    if (status == IPP_STATUS_ERROR_NOT_FOUND)
        return {PrintProblem::NoDefaultPrinter, m_printer, ""};
    return {otherwise, m_printer, cupsLastErrorString()};
}

std::string PrintServer::PrinterUri() const
{
    std::array<char, HTTP_MAX_URI> uri{};
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri.data(), uri.size(), "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", m_printer.c_str());
    return uri.data();
}

PrintReport PrintServer::FindDefaultPrinter(PrinterPage &page)
{
    if (PrintReport connected = Connect(); connected.problem != PrintProblem::None)
        return connected;

    const char *name = Bounded([this] { return cupsGetDefault2(m_http.get()); });
    if (!name)
        return Failure(PrintProblem::NoDefaultPrinter);
    // A default taken from lpoptions may name an instance, "printer/instance".
    m_printer = std::string(name).substr(0, std::string_view(name).find('/'));
    page.printer = m_printer;

    static const char *const wanted[] = {"printer-state", "printer-state-message", "printer-is-accepting-jobs",
                                         "printer-resolution-default", "media-col-default"};
    const IppResponse response{Ask(AttributesRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, PrinterUri(), wanted))};
    if (!response || !Succeeded())
        return Failure(PrintProblem::SendFailed);

    m_printerPaused = IntegerOf(response.get(), "printer-state", IPP_PSTATE_IDLE) == IPP_PSTATE_STOPPED;
    m_printerState = StringOf(response.get(), "printer-state-message");
    ReadResolution(response.get(), page);
    ReadMedia(response.get(), page);
    ipp_attribute_t *accepting = ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    if (accepting && !ippGetBoolean(accepting, 0))
        return {PrintProblem::Refusing, m_printer, m_printerState};
    return {};
}

PrintReport PrintServer::Send(std::string_view pdf, const std::string &title)
{
    // The page is drawn upright; a queue set to landscape would turn it on its side.
    cups_option_t *options = nullptr;
    const int optionCount = cupsAddOption("orientation-requested", "3", 0, &options);
    m_job
        = Bounded([&] { return cupsCreateJob(m_http.get(), m_printer.c_str(), title.c_str(), optionCount, options); });
    cupsFreeOptions(optionCount, options);
    if (m_job == 0)
        return Failure(PrintProblem::SendFailed);

    const bool written = Bounded([&] {
        return cupsStartDocument(m_http.get(), m_printer.c_str(), m_job, title.c_str(), CUPS_FORMAT_PDF, 1)
            == HTTP_STATUS_CONTINUE
            && cupsWriteRequestData(m_http.get(), pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE;
    });
    if (!written)
        return Failure(PrintProblem::SendFailed);

    const ipp_status_t finished = Bounded([this] { return cupsFinishDocument(m_http.get(), m_printer.c_str()); });
    // Every byte of the page went out: whether the server kept it, only its answer
    // could tell, and that may be lost on the way while the page prints all the same.
    if (ServerLost())
        return {PrintProblem::NotFollowed, m_printer, ""};
    if (finished > IPP_STATUS_OK_EVENTS_COMPLETE)
        return Failure(PrintProblem::SendFailed);

    if (m_printerPaused)
        return {PrintProblem::Paused, m_printer, m_printerState};
    return {};
}

std::optional<PrintReport> PrintServer::JobReport(ipp_t *job, bool printerStopped,
                                                  const std::string &printerState) const
{
    switch (IntegerOf(job, "job-state", IPP_JSTATE_PENDING)) {
    case IPP_JSTATE_COMPLETED:
        return PrintReport{};
    case IPP_JSTATE_STOPPED:
    case IPP_JSTATE_CANCELED:
    case IPP_JSTATE_ABORTED:
        return PrintReport{PrintProblem::Stopped, m_printer, StopReason(job, printerState)};
    case IPP_JSTATE_HELD:
        if (HasKeyword(job, "job-state-reasons", HeldForAuthenticationReason))
            return PrintReport{PrintProblem::HeldForAuthentication, m_printer, ""};
        return PrintReport{PrintProblem::Held, m_printer, StringOf(job, "job-hold-until")};
    default:
        // The backend failed and the server stopped the printer: the job waits for it.
        if (printerStopped)
            return PrintReport{PrintProblem::Stopped, m_printer, StopReason(job, printerState)};
        return std::nullopt;
    }
}

bool PrintServer::PauseUnlessStopped(std::chrono::milliseconds interval)
{
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait_for(lock, m_stop, interval, [] { return false; });
    return !m_stop.stop_requested();
}

PrintReport PrintServer::Follow(std::chrono::milliseconds limit)
{
    static const char *const jobWanted[]
        = {"job-state", "job-state-reasons", "job-state-message", "job-printer-state-message", "job-hold-until"};
    static const char *const printerWanted[] = {"printer-state", "printer-state-message"};
    const std::string printerUri = PrinterUri();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
        ipp_t *request = AttributesRequest(IPP_OP_GET_JOB_ATTRIBUTES, printerUri, jobWanted);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", m_job);
        const IppResponse job{Ask(request)};
        if (!job || !Succeeded())
            return {PrintProblem::NotFollowed, m_printer, ""};
        const IppResponse printer{Ask(AttributesRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printerUri, printerWanted))};
        if (!printer || !Succeeded())
            return {PrintProblem::NotFollowed, m_printer, ""};

        const bool printerStopped = IntegerOf(printer.get(), "printer-state", IPP_PSTATE_IDLE) == IPP_PSTATE_STOPPED;
        if (auto report = JobReport(job.get(), printerStopped, StringOf(printer.get(), "printer-state-message")))
            return *report;
    } while (std::chrono::steady_clock::now() + PollInterval < deadline && PauseUnlessStopped(PollInterval));
    return {};
}

} // namespace bbt
