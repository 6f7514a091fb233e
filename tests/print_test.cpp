#include "fakeprintserver.h"
#include "print/printjob.h"
#include "testfacts.h"

#include <cups/ipp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <memory>
#include <optional>

namespace bbt::printtest {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using facts::PrintTo;

// One empty A4 page, as large as the window's page is: more than a full spool has room for.
std::string OnePagePdf()
{
    const std::string objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>",
    };
    std::string pdf = "%PDF-1.4\n";
    for (int line = 0; line < 1024; ++line)
        pdf += "%" + std::string(63, 'x') + '\n';
    std::string offsets;
    for (std::size_t i = 0; i < std::size(objects); ++i) {
        char entry[32];
        std::snprintf(entry, sizeof(entry), "%010zu 00000 n \n", pdf.size());
        offsets += entry;
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 4\n0000000000 65535 f \n" + offsets;
    pdf += "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::string Environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// What `command` prints, line by line.
std::vector<std::string> Lines(const std::string &command)
{
    std::vector<std::string> lines;
    std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), pclose);
    char line[1024];
    while (pipe && std::fgets(line, sizeof(line), pipe.get()))
        lines.emplace_back(line);
    return lines;
}

// The run's own CUPS, whatever a case puts in front of it.
const std::string RunCups = Environment("CUPS_SERVER");

// Jobs the queue has finished, as the run's CUPS counts them.
int CompletedJobs(const std::string &queue)
{
    return int(Lines("CUPS_SERVER=" + RunCups + " lpstat -W completed -o " + queue + " 2>/dev/null").size());
}

enum class Server {
    WithQueues, // the run's CUPS, with a PDF printer as default and queues that misbehave
    WithoutPrinter, // a CUPS of the run's own with no printer at all
    Stopped, // nothing listens on the socket
    FullSpool, // a CUPS of the run's own whose spool has no room for a page
    Fake, // a fake of this test's own, in front of the run's CUPS
};

struct PrintCase {
    const char *name;
    Server server;
    Behaviour behaviour; // of the fake
    std::chrono::milliseconds delay; // of a late fake
    const char *printer; // PRINTER, or nullptr for the server's default
    PrintProblem problem;
    const char *reason; // what the report's reason must hold; nullptr where it has none
    bool printed; // the run's CUPS completes the job
    std::chrono::seconds within{}; // the longest the report may take, where it matters
};

// A print server chosen for a case, as the job meets it through CUPS_SERVER and PRINTER.
class PrintServerFixture : public testing::Test {
protected:
    void Use(Server server, Behaviour behaviour, std::chrono::milliseconds delay, const char *printer)
    {
        if (Environment("BBTCHART_REQUIRE_PRINTER").empty())
            GTEST_SKIP() << "no private CUPS here: its PDF printer needs root, or sudo without a password";
        const std::string fakePath = (std::filesystem::path(m_scratch) / "fake.sock").string();
        switch (server) {
        case Server::WithQueues:
            break;
        case Server::WithoutPrinter:
            setenv("CUPS_SERVER", Environment("BBTCHART_CUPS_WITHOUT_PRINTERS").c_str(), 1);
            break;
        case Server::Stopped:
            setenv("CUPS_SERVER", (std::filesystem::path(m_scratch) / "nobody.sock").c_str(), 1);
            break;
        case Server::FullSpool: {
            const std::filesystem::path socket = Environment("BBTCHART_CUPS_FULL_SPOOL");
            if (!std::filesystem::exists(socket)) {
                const std::vector<std::string> why = Lines("cat " + (socket.parent_path() / "why-not").string());
                GTEST_SKIP() << "no CUPS with a full spool here: " << (why.empty() ? "not started" : why[0]);
            }
            setenv("CUPS_SERVER", socket.c_str(), 1);
            break;
        }
        case Server::Fake:
            m_fake = std::make_unique<FakePrintServer>(behaviour, fakePath, m_cupsServer, delay);
            ASSERT_TRUE(m_fake->Listening());
            setenv("CUPS_SERVER", fakePath.c_str(), 1);
            break;
        }
        unsetenv("LPDEST");
        if (printer)
            setenv("PRINTER", printer, 1);
        else
            unsetenv("PRINTER");
    }

    void TearDown() override
    {
        m_fake.reset();
        unsetenv("PRINTER");
        setenv("CUPS_SERVER", m_cupsServer.c_str(), 1);
        std::filesystem::remove_all(m_scratch);
    }

    // Starts a job that sends a one-page document; its report arrives at `report`.
    std::unique_ptr<PrintJob> StartJob(std::promise<PrintReport> &report)
    {
        return std::make_unique<PrintJob>(
            "print test", [](const PrinterPaper &) { return OnePagePdf(); },
            [&report](const PrintReport &outcome) { report.set_value(outcome); });
    }

    const std::string m_cupsServer = RunCups;
    std::string m_scratch = [] {
        char folder[] = "/tmp/bbtchart-print-XXXXXX";
        return std::string(mkdtemp(folder));
    }();
    std::unique_ptr<FakePrintServer> m_fake;
};

class PrintCases : public PrintServerFixture, public testing::WithParamInterface<PrintCase> {};

TEST_P(PrintCases, TellTheTruthOnce)
{
    const PrintCase &c = GetParam();
    Use(c.server, c.behaviour, c.delay, c.printer);
    if (IsSkipped())
        return;
    const std::string queue = c.printer ? c.printer : "PDF";
    const int completedBefore = CompletedJobs(queue);

    std::promise<PrintReport> promise;
    std::future<PrintReport> outcome = promise.get_future();
    const auto pressed = Clock::now();
    const auto job = StartJob(promise);
    ASSERT_EQ(outcome.wait_for(60s), std::future_status::ready) << "no report within a minute";
    const PrintReport report = outcome.get();
    const auto seconds = std::chrono::duration<double>(Clock::now() - pressed).count();
    std::cout << c.name << ": " << testing::PrintToString(report.problem) << " after " << seconds << " s; printer \""
              << report.printer << "\", reason \"" << report.reason << "\"\n";

    EXPECT_EQ(report.problem, c.problem);
    if (c.reason)
        EXPECT_NE(report.reason.find(c.reason), std::string::npos) << report.reason;
    else
        EXPECT_EQ(report.reason, "");
    if (c.problem != PrintProblem::None && c.problem != PrintProblem::NoDefaultPrinter
        && c.problem != PrintProblem::ServerUnreachable && c.problem != PrintProblem::ServerSilent) {
        EXPECT_EQ(report.printer, queue);
    }
    // However the server keeps quiet or dribbles, it is given up within its bound.
    if (c.within.count() > 0) {
        EXPECT_LT(seconds, c.within.count()) << "the job outlasted the bound of an answer or of a request";
    }
    if (c.printed) {
        for (auto deadline = Clock::now() + 30s; CompletedJobs(queue) == completedBefore && Clock::now() < deadline;)
            std::this_thread::sleep_for(250ms);
        EXPECT_EQ(CompletedJobs(queue), completedBefore + 1) << "CUPS did not print the page once";
    }
    if (c.server == Server::FullSpool) {
        EXPECT_EQ(Lines("lpstat -o " + queue + " 2>&1"), std::vector<std::string>{}) << "a job left in the queue";
    }
    if (c.problem == PrintProblem::Held || c.problem == PrintProblem::HeldForAuthentication)
        Lines("CUPS_SERVER=" + RunCups + " cancel -a " + queue + " 2>&1");
}

constexpr auto Now = 0ms;

INSTANTIATE_TEST_SUITE_P(
    , PrintCases,
    testing::Values(
        PrintCase{"Printed", Server::WithQueues, {}, Now, nullptr, PrintProblem::None, nullptr, true},
        PrintCase{"NoDefaultPrinter",
                  Server::WithoutPrinter,
                  {},
                  Now,
                  nullptr,
                  PrintProblem::NoDefaultPrinter,
                  nullptr,
                  false},
        PrintCase{"NoServer", Server::Stopped, {}, Now, nullptr, PrintProblem::ServerUnreachable, nullptr, false},
        // libcups waits a second for the server to take the request, then each answer 5 s.
        PrintCase{"ServerSilent", Server::Fake, Behaviour::Silent, Now, "Proxied", PrintProblem::ServerSilent, nullptr,
                  false, 8s},
        PrintCase{"AnswersOneSecondLate", Server::Fake, Behaviour::Late, 1s, "OneSecondLate", PrintProblem::None,
                  nullptr, true},
        PrintCase{"AnswersThreeSecondsLate", Server::Fake, Behaviour::Late, 3s, "ThreeSecondsLate", PrintProblem::None,
                  nullptr, true},
        // Each answer in two pieces, as over Wi-Fi or a VPN: read to its end however far apart
        // they come within an answer's silence, told as silence beyond it.
        PrintCase{"AnswersInPiecesAThirdOfASecondApart", Server::Fake, Behaviour::InPieces, 300ms, "PiecesApart",
                  PrintProblem::None, nullptr, true},
        PrintCase{"AnswersInPiecesTwoSecondsApart", Server::Fake, Behaviour::InPieces, 2s, "PiecesFarApart",
                  PrintProblem::None, nullptr, true},
        PrintCase{"AnswersInPiecesSixSecondsApart", Server::Fake, Behaviour::InPieces, 6s, "Proxied",
                  PrintProblem::ServerSilent, nullptr, false, 8s},
        PrintCase{"ServerDribbles", Server::Fake, Behaviour::Dribbling, Now, "Proxied", PrintProblem::ServerSilent,
                  nullptr, false, 16s},
        PrintCase{"ServerStallsAfterTakingThePage", Server::Fake, Behaviour::StallsAfterPage, Now, "Stalling",
                  PrintProblem::NotFollowed, nullptr, true},
        PrintCase{"PrinterRefuses",
                  Server::WithQueues,
                  {},
                  Now,
                  "Refusing",
                  PrintProblem::Refusing,
                  "out of paper, refilled tomorrow",
                  false},
        PrintCase{"PrinterPaused",
                  Server::WithQueues,
                  {},
                  Now,
                  "Paused",
                  PrintProblem::Paused,
                  "paused for the night",
                  false},
        PrintCase{"JobHeld", Server::WithQueues, {}, Now, "HeldByDefault", PrintProblem::Held, "indefinite", false},
        PrintCase{"JobHeldForPassword",
                  Server::WithQueues,
                  {},
                  Now,
                  "HeldForPassword",
                  PrintProblem::HeldForAuthentication,
                  nullptr,
                  false},
        PrintCase{"PrinterWantsPassword",
                  Server::WithQueues,
                  {},
                  Now,
                  "Password",
                  PrintProblem::NeedsAuthentication,
                  nullptr,
                  false},
        PrintCase{"BackendStopsTheJob", Server::WithQueues, {}, Now, "Broken", PrintProblem::Stopped, nullptr, false},
        // The spool's disk is full: CUPS turns the page down (HTTP 413), and nothing prints.
        PrintCase{"SpoolFull", Server::FullSpool, {}, Now, "Full", PrintProblem::NoRoom, nullptr, false}),
    testing::PrintToStringParamName());

// A user closes the window while the server is being slow: the job lets go at once.
struct AbandonCase {
    const char *name;
    Behaviour behaviour;
    std::chrono::milliseconds delay;
};

class AbandonedJob : public PrintServerFixture, public testing::WithParamInterface<AbandonCase> {};

TEST_P(AbandonedJob, LetsGoWithinASecondAndReportsNothing)
{
    Use(Server::Fake, GetParam().behaviour, GetParam().delay, "Proxied");
    if (IsSkipped())
        return;
    std::promise<PrintReport> promise;
    auto job = StartJob(promise);
    std::this_thread::sleep_for(1500ms); // well into the exchange
    const auto closing = Clock::now();
    job.reset();
    const auto seconds = std::chrono::duration<double>(Clock::now() - closing).count();
    std::cout << GetParam().name << ": the job let go in " << seconds << " s\n";
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(promise.get_future().wait_for(0s), std::future_status::timeout) << "a report after the window closed";
}

INSTANTIATE_TEST_SUITE_P(, AbandonedJob,
                         testing::Values(AbandonCase{"Silent", Behaviour::Silent, 0ms},
                                         AbandonCase{"ThreeSecondsLate", Behaviour::Late, 3s},
                                         AbandonCase{"Dribbling", Behaviour::Dribbling, 0ms}),
                         testing::PrintToStringParamName());

// The process's memory, in kB, as its line `field` in /proc tells.
long MemoryKb(const std::string &field)
{
    std::ifstream status("/proc/self/status");
    for (std::string word; status >> word;)
        if (word == field && status >> word)
            return std::stol(word);
    return 0;
}

// What the largest answer read (4 MiB) may take, with what the job's thread needs beside it.
constexpr long LargestAnswerMemoryKb = 16 << 10;
// The sanitizers keep memory of their own beside the program's: AddressSanitizer holds on to
// what is freed, ThreadSanitizer shadows what is written.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
constexpr bool Sanitized = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool Sanitized = false;
#endif

// A print server that answers, but says what broken or hostile printers say: nothing it
// says is believed without a check, and its words reach the report as they are.
struct HostileCase {
    const char *name;
    FakePrinter printer;
    PrintProblem problem;
    std::string reason;
    PrinterPaper paper; // the paper the document is made for, where one is made
    const char *chosen = nullptr; // LPDEST and PRINTER, or nullptr for unset
};

class HostileAnswers : public PrintServerFixture, public testing::WithParamInterface<HostileCase> {};

TEST_P(HostileAnswers, AreCheckedAndToldAsTheyAre)
{
    const HostileCase &c = GetParam();
    const std::string path = (std::filesystem::path(m_scratch) / "hostile.sock").string();
    FakePrintServer fake(c.printer, path);
    ASSERT_TRUE(fake.Listening());
    setenv("CUPS_SERVER", path.c_str(), 1);
    for (const char *variable : {"LPDEST", "PRINTER"})
        c.chosen ? setenv(variable, c.chosen, 1) : unsetenv(variable);

    std::ofstream("/proc/self/clear_refs") << "5"; // the peak of memory held starts again
    const long memoryBefore = MemoryKb("VmRSS:");
    std::promise<PrintReport> promise;
    std::optional<PrinterPaper> given;
    PrintJob job(
        "print test",
        [&given](const PrinterPaper &paper) {
            given = paper;
            return OnePagePdf();
        },
        [&promise](const PrintReport &outcome) { promise.set_value(outcome); });
    std::future<PrintReport> outcome = promise.get_future();
    ASSERT_EQ(outcome.wait_for(20s), std::future_status::ready) << "no report from a server that answers at once";
    const PrintReport report = outcome.get();
    const long memoryTaken = MemoryKb("VmHWM:") - memoryBefore;
    std::cout << c.name << ": " << memoryTaken << " kB of memory taken at the most\n";

    EXPECT_EQ(report.problem, c.problem);
    EXPECT_EQ(report.reason, c.reason);
    if (!Sanitized) {
        EXPECT_LT(memoryTaken, LargestAnswerMemoryKb) << "kB taken by an answer";
    }
    if (report.problem != PrintProblem::None && report.problem != PrintProblem::NoDefaultPrinter) {
        EXPECT_EQ(report.printer, c.printer.name);
    }
    if (given) {
        EXPECT_EQ(given->resolution, c.paper.resolution);
        EXPECT_EQ(std::tie(given->width, given->length), std::tie(c.paper.width, c.paper.length));
        EXPECT_EQ(std::tie(given->left, given->top, given->right, given->bottom),
                  std::tie(c.paper.left, c.paper.top, c.paper.right, c.paper.bottom));
    }
    unsetenv("LPDEST");
}

// Whatever the queue's saved defaults, the job says how its page is to be printed: upright,
// one to a sheet, at real size, on the paper the printer said it has.
TEST_F(PrintServerFixture, TheJobStatesWhatItsPageNeeds)
{
    const std::string path = (std::filesystem::path(m_scratch) / "answers.sock").string();
    FakePrintServer fake(FakePrinter{.width = 14800, .length = 21000, .left = 500}, path);
    ASSERT_TRUE(fake.Listening());
    setenv("CUPS_SERVER", path.c_str(), 1);
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    std::promise<PrintReport> promise;
    const auto job = StartJob(promise);
    ASSERT_EQ(promise.get_future().wait_for(20s), std::future_status::ready);

    const std::vector<std::string> stated = fake.JobAttributes();
    for (const char *attribute :
         {"orientation-requested=portrait", "number-up=1", "print-scaling=none", "fit-to-page=false"})
        EXPECT_NE(std::find(stated.begin(), stated.end(), attribute), stated.end()) << attribute;
    const auto media
        = std::find_if(stated.begin(), stated.end(), [](const std::string &a) { return a.starts_with("media-col="); });
    ASSERT_NE(media, stated.end()) << "the paper";
    EXPECT_NE(media->find("media-size={x-dimension=14800 y-dimension=21000}"), std::string::npos) << *media;
    EXPECT_NE(media->find("media-left-margin=500"), std::string::npos) << *media;
}

const PrinterPaper A4{};
const std::string LongReason = [] {
    std::string reason;
    for (int line = 0; line < 3000; ++line)
        reason += "jam\n"; // an IPP text stays under 32 KB
    return reason;
}();

INSTANTIATE_TEST_SUITE_P(
    , HostileAnswers,
    testing::Values(
        HostileCase{"MarkupInTheNameAndTheReason",
                    {.name = "<h2>Q", .accepting = false, .stateMessage = R"(<img src="/dev/zero">)"},
                    PrintProblem::Refusing,
                    R"(<img src="/dev/zero">)",
                    A4},
        HostileCase{"AReasonOf3000Lines",
                    {.accepting = false, .stateMessage = LongReason},
                    PrintProblem::Refusing,
                    LongReason,
                    A4},
        HostileCase{"PaperOfNothing", {.width = 0, .length = 0}, PrintProblem::None, "", A4},
        HostileCase{
            "A5At300Dpi",
            {.width = 14800, .length = 21000, .left = 500, .right = 500, .top = 500, .bottom = 500, .resolution = 300},
            PrintProblem::None,
            "",
            {.resolution = 300, .width = 148, .length = 210, .left = 5, .top = 5, .right = 5, .bottom = 5}},
        HostileCase{"JobWithoutANumber", {.jobId = 0}, PrintProblem::SendFailed, "", A4},
        HostileCase{"DocumentTurnedDownAtItsEnd",
                    {.documentStatus = IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED},
                    PrintProblem::SendFailed,
                    "client-error-document-format-not-supported",
                    A4},
        // A server that says no after taking the whole page has not taken it.
        HostileCase{"DocumentAnsweredInternalError",
                    {.documentStatus = IPP_STATUS_ERROR_INTERNAL},
                    PrintProblem::SendFailed,
                    "server-error-internal-error",
                    A4},
        HostileCase{"NoRoomForTheDocument", {.documentHttpStatus = 413}, PrintProblem::NoRoom, "", A4},
        HostileCase{"CreateJobAnsweredHttp500",
                    {.createJobHttpStatus = 500},
                    PrintProblem::SendFailed,
                    "500 Internal Server Error",
                    A4},
        HostileCase{"Forbidden", {.createJobHttpStatus = 403}, PrintProblem::NeedsAuthentication, "", A4},
        HostileCase{"PausedWhileFollowed",
                    {.stateMessage = "paused by the office", .pausedOnceTheJobIsIn = true},
                    PrintProblem::Paused,
                    "paused by the office",
                    A4},
        HostileCase{"NoDefault", {.namedAsDefault = false}, PrintProblem::NoDefaultPrinter, "", A4},
        HostileCase{"PrinterAndLpdestSetButEmpty", {}, PrintProblem::None, "", A4, ""},
        // Pauses that add up to more than an answer's silence, none of them as long: read to the
        // end, in libcups's waits for the fields as in the reading of the body.
        HostileCase{"AnswersInThreePiecesBrokenInTheFields",
                    {.breaks = Breaks::InTheFields, .piecesApart = 3030ms},
                    PrintProblem::None,
                    "",
                    A4},
        HostileCase{"AnswersInThreePiecesBrokenInTheBody",
                    {.breaks = Breaks::InTheBody, .piecesApart = 3030ms},
                    PrintProblem::None,
                    "",
                    A4},
        // At full speed, an answer that never ends: its fields until the request's limit, its
        // body up to the largest answer read.
        HostileCase{"AnswersWithoutEndInTheFields", {.endless = Endless::Fields}, PrintProblem::ServerSilent, "", A4},
        HostileCase{"AnswersWithoutEndInTheBody", {.endless = Endless::Body}, PrintProblem::SendFailed, "", A4}),
    testing::PrintToStringParamName());

} // namespace
} // namespace bbt::printtest
