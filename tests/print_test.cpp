#include "fakeprintserver.h"
#include "print/printjob.h"
#include "testfacts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <iostream>
#include <memory>
#include <optional>

namespace bbt::printtest {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using facts::PrintTo;

// The smallest document a printer takes: one empty A4 page.
std::string OnePagePdf()
{
    const std::string objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>",
    };
    std::string pdf = "%PDF-1.4\n";
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
    Fake, // a fake of this test's own, in front of the run's CUPS
};

struct PrintCase {
    const char *name;
    Server server;
    Behaviour behaviour; // of the fake
    std::chrono::milliseconds delay; // of a late fake
    const char *printer; // PRINTER, or nullptr for the server's default
    PrintProblem problem;
    const char *reason; // what the report must carry
    bool printed; // the run's CUPS completes the job
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
            "print test", [](const PrinterPage &) { return OnePagePdf(); },
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
    std::cout << c.name << ": problem " << int(report.problem) << " after " << seconds << " s; printer \""
              << report.printer << "\", reason \"" << report.reason << "\"\n";

    EXPECT_EQ(report.problem, c.problem);
    EXPECT_NE(report.reason.find(c.reason), std::string::npos) << report.reason;
    if (c.problem != PrintProblem::None && c.problem != PrintProblem::NoDefaultPrinter
        && c.problem != PrintProblem::ServerUnreachable && c.problem != PrintProblem::ServerSilent) {
        EXPECT_EQ(report.printer, queue);
    }
    // However the server dribbles, one request is given up within its limit.
    if (c.problem == PrintProblem::ServerSilent) {
        EXPECT_LT(seconds, 16) << "the job outlasted the limit of a request";
    }
    if (c.printed) {
        for (auto deadline = Clock::now() + 30s; CompletedJobs(queue) == completedBefore && Clock::now() < deadline;)
            std::this_thread::sleep_for(250ms);
        EXPECT_EQ(CompletedJobs(queue), completedBefore + 1) << "CUPS did not print the page once";
    }
    if (c.problem == PrintProblem::Held || c.problem == PrintProblem::HeldForAuthentication)
        Lines("CUPS_SERVER=" + RunCups + " cancel -a " + queue + " 2>&1");
}

constexpr auto Now = 0ms;

INSTANTIATE_TEST_SUITE_P(
    , PrintCases,
    testing::Values(
        PrintCase{"Printed", Server::WithQueues, {}, Now, nullptr, PrintProblem::None, "", true},
        PrintCase{
            "NoDefaultPrinter", Server::WithoutPrinter, {}, Now, nullptr, PrintProblem::NoDefaultPrinter, "", false},
        PrintCase{"NoServer", Server::Stopped, {}, Now, nullptr, PrintProblem::ServerUnreachable, "", false},
        PrintCase{"ServerSilent", Server::Fake, Behaviour::Silent, Now, "Proxied", PrintProblem::ServerSilent, "",
                  false},
        PrintCase{"AnswersOneSecondLate", Server::Fake, Behaviour::Late, 1s, "OneSecondLate", PrintProblem::None, "",
                  true},
        PrintCase{"AnswersThreeSecondsLate", Server::Fake, Behaviour::Late, 3s, "ThreeSecondsLate", PrintProblem::None,
                  "", true},
        PrintCase{"ServerDribbles", Server::Fake, Behaviour::Dribbling, Now, "Proxied", PrintProblem::ServerSilent, "",
                  false},
        PrintCase{"ServerStallsAfterTakingThePage", Server::Fake, Behaviour::StallsAfterPage, Now, "Stalling",
                  PrintProblem::NotFollowed, "", true},
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
                  "",
                  false},
        PrintCase{"PrinterWantsPassword",
                  Server::WithQueues,
                  {},
                  Now,
                  "Password",
                  PrintProblem::NeedsAuthentication,
                  "",
                  false},
        PrintCase{"BackendStopsTheJob", Server::WithQueues, {}, Now, "Broken", PrintProblem::Stopped, "", false}),
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

} // namespace
} // namespace bbt::printtest
