#include "window/printserver.h"

#include <cups/cups.h>

#include <array>
#include <span>
#include <sys/socket.h>

namespace bbt {

namespace {

using namespace std::chrono_literals;

// How long connecting, and each answer of the server, may take before we give up.
constexpr int ConnectTimeoutMs = 5000;
constexpr auto AnswerTimeout = 5s;
// libcups asks whether to keep waiting this often, so that a stop request is heard.
constexpr double WaitSliceSeconds = 0.25;
constexpr auto PollInterval = 250ms;

int KeepWaitingCallback(http_t *, void *server)
{
    return static_cast<PrintServer *>(server)->KeepWaiting() ? 1 : 0;
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

struct IppResponse {
    ipp_t *ipp;
    ~IppResponse()
    {
        ippDelete(ipp);
    }
};

} // namespace

PrintServer::PrintServer(std::stop_token stop)
    : m_stop(std::move(stop))
{
}

PrintServer::~PrintServer()
{
    if (m_http)
        httpClose(m_http);
}

bool PrintServer::KeepWaiting()
{
    if (m_stop.stop_requested())
        return false;
    m_timedOut = std::chrono::steady_clock::now() - m_askedAt >= AnswerTimeout;
    return !m_timedOut;
}

PrintReport PrintServer::Connect()
{
    m_http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, ConnectTimeoutMs, nullptr);
    if (!m_http)
        return {PrintProblem::ServerUnreachable, "", ""};
    httpSetTimeout(m_http, WaitSliceSeconds, KeepWaitingCallback, this);
    return {};
}

void PrintServer::StartAnswerClock()
{
    m_askedAt = std::chrono::steady_clock::now();
    m_timedOut = false;
}

ipp_t *PrintServer::Ask(ipp_t *request)
{
    StartAnswerClock();
    return cupsDoRequest(m_http, request, "/");
}

PrintReport PrintServer::Failure(PrintProblem problem, const std::string &printer) const
{
    if (m_timedOut)
        return {PrintProblem::ServerSilent, printer, ""};
    const ipp_status_t status = cupsLastError();
    if (status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || httpError(m_http) != 0)
        return {PrintProblem::ServerUnreachable, printer, ""};
    if (status == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS)
        return {PrintProblem::Refusing, printer, cupsLastErrorString()};
    if (status == IPP_STATUS_ERROR_NOT_FOUND)
        return {PrintProblem::NoDefaultPrinter, printer, ""};
    return {problem, printer, cupsLastErrorString()};
}

std::string PrintServer::PrinterUri(const std::string &printer) const
{
    std::array<char, HTTP_MAX_URI> uri{};
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri.data(), uri.size(), "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", printer.c_str());
    return uri.data();
}

PrintReport PrintServer::FindDefaultPrinter(PrinterPage &page)
{
    if (PrintReport connected = Connect(); connected.problem != PrintProblem::None)
        return connected;

    StartAnswerClock();
    const char *name = cupsGetDefault2(m_http);
    if (!name)
        return Failure(PrintProblem::NoDefaultPrinter, "");
    // A default taken from lpoptions may name an instance, "printer/instance".
    page.printer = std::string(name).substr(0, std::string_view(name).find('/'));

    static const char *const wanted[] = {"printer-state", "printer-state-message", "printer-is-accepting-jobs",
                                         "printer-resolution-default", "media-col-default"};
    const IppResponse response{Ask(AttributesRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, PrinterUri(page.printer), wanted))};
    if (!response.ipp || cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return Failure(PrintProblem::SendFailed, page.printer);

    page.paused = IntegerOf(response.ipp, "printer-state", IPP_PSTATE_IDLE) == IPP_PSTATE_STOPPED;
    ipp_attribute_t *accepting = ippFindAttribute(response.ipp, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    page.state = StringOf(response.ipp, "printer-state-message");
    ReadResolution(response.ipp, page);
    ReadMedia(response.ipp, page);
    if (accepting && !ippGetBoolean(accepting, 0))
        return {PrintProblem::Refusing, page.printer, page.state};
    return {};
}

PrintReport PrintServer::Send(const PrinterPage &page, std::string_view pdf, const std::string &title)
{
    StartAnswerClock();
    m_job = cupsCreateJob(m_http, page.printer.c_str(), title.c_str(), 0, nullptr);
    if (m_job == 0)
        return Failure(PrintProblem::SendFailed, page.printer);

    StartAnswerClock();
    if (cupsStartDocument(m_http, page.printer.c_str(), m_job, title.c_str(), CUPS_FORMAT_PDF, 1)
            != HTTP_STATUS_CONTINUE
        || cupsWriteRequestData(m_http, pdf.data(), pdf.size()) != HTTP_STATUS_CONTINUE)
        return Failure(PrintProblem::SendFailed, page.printer);
    StartAnswerClock();
    if (cupsFinishDocument(m_http, page.printer.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return Failure(PrintProblem::SendFailed, page.printer);

    if (page.paused)
        return {PrintProblem::Paused, page.printer, page.state};
    return {};
}

bool PrintServer::Pause(std::chrono::milliseconds interval)
{
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_for(lock, m_stop, interval, [] { return false; }) && !m_stop.stop_requested();
}

PrintReport PrintServer::Follow(const PrinterPage &page, std::chrono::milliseconds limit)
{
    static const char *const jobWanted[] = {"job-state", "job-state-message", "job-printer-state-message"};
    static const char *const printerWanted[] = {"printer-state", "printer-state-message"};
    const std::string printerUri = PrinterUri(page.printer);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline && Pause(PollInterval)) {
        ipp_t *request = AttributesRequest(IPP_OP_GET_JOB_ATTRIBUTES, printerUri, jobWanted);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", m_job);
        const IppResponse job{Ask(request)};
        if (!job.ipp || cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
            return Failure(PrintProblem::Stopped, page.printer);

        const IppResponse printer{Ask(AttributesRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printerUri, printerWanted))};
        const bool printerStopped
            = printer.ipp && IntegerOf(printer.ipp, "printer-state", IPP_PSTATE_IDLE) == IPP_PSTATE_STOPPED;
        const std::string printerState = printer.ipp ? StringOf(printer.ipp, "printer-state-message") : "";

        switch (IntegerOf(job.ipp, "job-state", IPP_JSTATE_PENDING)) {
        case IPP_JSTATE_COMPLETED:
            return {};
        case IPP_JSTATE_STOPPED:
        case IPP_JSTATE_CANCELED:
        case IPP_JSTATE_ABORTED:
            return {PrintProblem::Stopped, page.printer, StopReason(job.ipp, printerState)};
        default:
            // The backend failed and the server stopped the printer: the job waits for it.
            if (printerStopped)
                return {PrintProblem::Stopped, page.printer, StopReason(job.ipp, printerState)};
        }
    }
    return {};
}

} // namespace bbt
