#include "print/cupsclient.h"

#include <cups/cups.h>

#include <array>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <span>

namespace bbt {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How often a job is asked after.
constexpr auto PollInterval = 250ms;

// A request about the printer at `printerUri` for the attributes `wanted`.
Ipp AttributesRequest(ipp_op_t operation, const std::string &printerUri, std::span<const char *const> wanted)
{
    Ipp request(ippNewRequest(operation));
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri.c_str());
    ippAddStrings(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(wanted.size()),
                  nullptr, wanted.data());
    return request;
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

} // namespace

CupsClient::CupsClient(std::stop_token stopFollowing)
    : m_stopFollowing(std::move(stopFollowing))
{
}

std::string CupsClient::PrinterUri() const
{
    std::array<char, HTTP_MAX_URI> uri{};
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri.data(), uri.size(), "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", m_printer.c_str());
    return uri.data();
}

std::optional<PrintReport> CupsClient::FindDefaultPrinterName()
{
    if (std::string chosen = ChosenPrinter(); !chosen.empty()) {
        // A default may name an instance, "printer/instance".
        m_printer = chosen.substr(0, chosen.find('/'));
        return std::nullopt;
    }
    const Ipp request(ippNewRequest(IPP_OP_CUPS_GET_DEFAULT));
    const IppAnswer answer = m_connection.Ask(request.get());
    if (!answer.Succeeded())
        return FailureOf(answer, PageStage::NotSent, PrintProblem::NoDefaultPrinter, "");
    m_printer = DefaultPrinterOf(answer.message.get());
    if (m_printer.empty())
        return PrintReport{PrintProblem::NoDefaultPrinter, "", ""};
    return std::nullopt;
}

PrintReport CupsClient::FindDefaultPrinter(PrinterPaper &paper)
{
    if (!m_connection.Connect())
        return {PrintProblem::ServerUnreachable, "", ""};
    if (auto failed = FindDefaultPrinterName())
        return *failed;

    static const char *const wanted[] = {"printer-state", "printer-state-message", "printer-is-accepting-jobs",
                                         "printer-resolution-default", "media-col-default"};
    const Ipp request = AttributesRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, PrinterUri(), wanted);
    const IppAnswer answer = m_connection.Ask(request.get());
    if (!answer.Succeeded())
        return FailureOf(answer, PageStage::NotSent, PrintProblem::SendFailed, m_printer);

    ipp_t *attributes = answer.message.get();
    paper = PaperOf(attributes);
    paper.printer = m_printer;
    if (ipp_t *media = BelievedMediaOf(attributes)) {
        m_media.reset(ippNew());
        ippCopyAttributes(m_media.get(), media, 0, nullptr, nullptr);
    }
    m_printerState = PrinterStateOf(attributes);
    if (!m_printerState.accepting)
        return {PrintProblem::Refusing, m_printer, m_printerState.message};
    return {};
}

PrintReport CupsClient::Send(std::string_view pdf, const std::string &title)
{
    // Asked here rather than through cupsCreateJob, which looks the printer up again on
    // connections of its own, outside the bounds of this one.
    const Ipp create = JobRequest(IPP_OP_CREATE_JOB);
    ippAddString(create.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
    AddWhatThePageNeeds(create.get());
    const IppAnswer created = m_connection.Ask(create.get());
    m_job = created.Succeeded() ? JobIdOf(created.message.get()) : 0;
    if (m_job == 0)
        return FailureOf(created, PageStage::NotSent, PrintProblem::SendFailed, m_printer);

    const Ipp send = JobRequest(IPP_OP_SEND_DOCUMENT);
    ippAddString(send.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", nullptr, title.c_str());
    ippAddString(send.get(), IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, CUPS_FORMAT_PDF);
    ippAddBoolean(send.get(), IPP_TAG_OPERATION, "last-document", 1);
    const auto [stage, sent] = m_connection.Send(send.get(), "/printers/" + m_printer, pdf);
    // Once every byte of the page went out, only an answer that never came leaves it
    // unknown whether the server kept it; a no is a page that will not print, and its job,
    // left without a document, would wait in the queue until the server gives it up.
    if (!sent.Succeeded()) {
        if (sent.heard == IppAnswer::Heard::Answered)
            CancelJob();
        return FailureOf(sent, stage, PrintProblem::SendFailed, m_printer);
    }
    if (m_printerState.stopped)
        return {PrintProblem::Paused, m_printer, m_printerState.message};
    return {};
}

void CupsClient::CancelJob()
{
    m_connection.Ask(JobRequest(IPP_OP_CANCEL_JOB).get());
}

Ipp CupsClient::JobRequest(ipp_op_t operation) const
{
    Ipp request(ippNewRequest(operation));
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri().c_str());
    if (m_job != 0)
        ippAddInteger(request.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", m_job);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return request;
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
        // The page is in the server's hands: whatever it answers now, it may print.
        const Ipp jobRequest = AttributesRequest(IPP_OP_GET_JOB_ATTRIBUTES, printerUri, jobWanted);
        ippAddInteger(jobRequest.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", m_job);
        const IppAnswer job = m_connection.Ask(jobRequest.get());
        if (!job.Succeeded())
            return {PrintProblem::NotFollowed, m_printer, ""};
        const Ipp printerRequest = AttributesRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printerUri, printerWanted);
        const IppAnswer printer = m_connection.Ask(printerRequest.get());
        if (!printer.Succeeded())
            return {PrintProblem::NotFollowed, m_printer, ""};
        if (auto report = JobOutcomeOf(job.message.get(), printer.message.get(), m_printer))
            return *report;
    } while (Clock::now() + PollInterval < deadline && PauseUnlessStopped(PollInterval));
    return {};
}

} // namespace bbt
