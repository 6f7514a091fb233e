#include "printedpage.h"
#include "windowtesting.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace bbt {
namespace {

using namespace bbt::windowtest;

// The sample month drawn with its check days, and one more character typed into the box,
// so that there is an undo history for printing to keep.
std::unique_ptr<Form1> FormWithSampleChart()
{
    auto form = OpenForm();
    Click(*form, "Check1");
    Click(*form, "Command3");
    auto *text = Find<QPlainTextEdit>(*form, "Text1");
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, "x");
    return form;
}

// What printing must leave as it was.
struct WindowState {
    QString text, title;
    bool undoable = false;
    Qt::CheckState check = Qt::Unchecked;
    QImage chart;

    explicit WindowState(Form1 &form)
        : text(Find<QPlainTextEdit>(form, "Text1")->toPlainText())
        , title(Find<QLabel>(form, "Label2")->text())
        , undoable(Find<QPlainTextEdit>(form, "Text1")->document()->isUndoAvailable())
        , check(Find<QCheckBox>(form, "Check1")->checkState())
        , chart(Shown(form).copy(0, 45, 520, 350))
    {
    }
    friend bool operator==(const WindowState &, const WindowState &) = default;
};

TEST(RenderPage, PutsTheWindowOnAPdfPageAtRealSize)
{
    auto form = FormWithSampleChart();
    ExpectSampleChartOnPage(RenderedWindowPage(*form, 600));
}

TEST(RenderPage, ReportsADeviceThatCannotStart)
{
    auto form = OpenForm();
    QPdfWriter writer(QStringLiteral("/nonexistent-folder/window.pdf"));
    EXPECT_FALSE(form->RenderPage(writer));
}

QStringList Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

bool IsCompletePdf(const QString &path)
{
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {path});
    return pdfinfo.waitForFinished(10000) && pdfinfo.exitCode() == 0;
}

// cups-pdf writes the job a few seconds after it was sent: waits until the queue is empty
// and a PDF written since `sent` is complete. A file of an earlier run may bear the same
// name, so only its time tells.
QString WaitForPrintedPdf(const QDir &output, const QDateTime &sent)
{
    const QDateTime deadline = QDateTime::currentDateTime().addSecs(60);
    while (QDateTime::currentDateTime() < deadline) {
        QTest::qWait(250);
        if (!Run(QStringLiteral("lpstat"), {QStringLiteral("-o"), QStringLiteral("PDF")}).isEmpty())
            continue;
        for (const QFileInfo &file : output.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time))
            if (file.lastModified() >= sent && IsCompletePdf(file.filePath()))
                return file.filePath();
    }
    return {};
}

int JobsEverSentTo(const char *printer)
{
    return Run(QStringLiteral("lpstat"),
               {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"), QString::fromLatin1(printer)})
        .size();
}

// A print server that takes connections and never says a word: the kernel queues every
// connection, and nobody reads them until the test counts them.
class SilentServer final {
public:
    bool Listen(const QString &path)
    {
        m_socket = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = path.toLocal8Bit();
        if (m_socket < 0 || name.size() >= qsizetype(sizeof(address.sun_path)))
            return false;
        std::copy(name.begin(), name.end(), address.sun_path);
        return bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0
            && listen(m_socket, 16) == 0;
    }
    int Connections()
    {
        for (int client; (client = accept(m_socket, nullptr, nullptr)) >= 0;) {
            m_clients.push_back(client);
        }
        return int(m_clients.size());
    }
    ~SilentServer()
    {
        for (int client : m_clients)
            close(client);
        if (m_socket >= 0)
            close(m_socket);
    }

private:
    int m_socket = -1;
    std::vector<int> m_clients;
};

// Where "印刷" finds its print server.
enum class Server {
    WithQueues, // the test run's CUPS, with a PDF printer as default and failing queues
    WithoutPrinter, // a CUPS of the run's own with no printer at all
    Stopped, // nothing listens on the socket
    Silent, // a socket of this test's own that takes connections and never answers
};

struct PrintCase {
    const char *name;
    Server server;
    const char *printer; // PRINTER, or nullptr for the server's default
    const char *message; // how the message box begins; nullptr: no message
    const char *reason; // the printer's own words the message must carry, if any
};

void PrintTo(const PrintCase &c, std::ostream *out)
{
    *out << c.name;
}

class PrintCommand : public testing::TestWithParam<PrintCase> {
protected:
    void SetUp() override
    {
        if (!qEnvironmentVariableIsSet("BBTCHART_REQUIRE_PRINTER"))
            GTEST_SKIP() << "no private CUPS here; scripts/test.sh starts one";
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        switch (GetParam().server) {
        case Server::WithQueues:
            break;
        case Server::WithoutPrinter:
            qputenv("CUPS_SERVER", qgetenv("BBTCHART_CUPS_WITHOUT_PRINTERS"));
            break;
        case Server::Stopped:
            qputenv("CUPS_SERVER", m_scratch.filePath(QStringLiteral("nobody.sock")).toLocal8Bit());
            break;
        case Server::Silent:
            ASSERT_TRUE(m_silent.Listen(m_scratch.filePath(QStringLiteral("silent.sock"))));
            qputenv("CUPS_SERVER", m_scratch.filePath(QStringLiteral("silent.sock")).toLocal8Bit());
            break;
        }
        if (GetParam().printer)
            qputenv("PRINTER", GetParam().printer);
    }

    void TearDown() override
    {
        qunsetenv("PRINTER");
        qputenv("CUPS_SERVER", m_cupsServer);
    }

    QTemporaryDir m_scratch;
    SilentServer m_silent;
    QByteArray m_cupsServer = qgetenv("CUPS_SERVER");
};

TEST_P(PrintCommand, TellsWhatWentWrongAndChangesNothing)
{
    const PrintCase &c = GetParam();
    auto form = FormWithSampleChart();
    const WindowState before(*form);
    const bool printsOnThePdfQueue = !c.message;
    const int jobsBefore = printsOnThePdfQueue ? JobsEverSentTo("PDF") : 0;
    const QDateTime pressed = QDateTime::currentDateTime().addSecs(-1);
    const auto box = AnswerNextMessageBox();

    // The window answers at once whatever the server does: a click on the check box
    // right after the press shows its tick.
    QElapsedTimer answer;
    answer.start();
    Click(*form, "Command1");
    Click(*form, "Command1"); // a second press while the page is on its way
    Click(*form, "Check1");
    const qint64 answerMs = answer.elapsed();
    EXPECT_EQ(Find<QCheckBox>(*form, "Check1")->checkState(), Qt::Unchecked);
    Click(*form, "Check1");
    std::cout << c.name << ": the window answered " << answerMs << " ms after the press\n";
    EXPECT_LE(answerMs, 100);

    if (!printsOnThePdfQueue) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return box->seen; }, 45000)) << "no message box";
        std::cout << c.name << ": " << box->text.toStdString() << '\n';
        EXPECT_TRUE(box->text.startsWith(QString::fromUtf8(c.message))) << box->text.toStdString();
        EXPECT_TRUE(box->text.contains(QString::fromUtf8(c.reason))) << box->text.toStdString();
        EXPECT_EQ(box->title, QStringLiteral("基礎体温表"));
        EXPECT_EQ(box->buttons, QMessageBox::Ok);
    } else {
        const QString pdf = WaitForPrintedPdf(qEnvironmentVariable("BBTCHART_PRINT_DIR"), pressed);
        ASSERT_FALSE(pdf.isEmpty()) << "no page came out of the default printer";
        ExpectSampleChartOnPage(RenderPrintedPage(pdf, YellowGroundOf(*form)));
        EXPECT_EQ(JobsEverSentTo("PDF"), jobsBefore + 1) << "one press, one job";
        QTest::qWait(1000); // the job is followed until CUPS calls it completed
        EXPECT_FALSE(box->seen) << box->text.toStdString();
    }
    if (c.server == Server::Silent) {
        EXPECT_EQ(m_silent.Connections(), 1) << "the second press started a second job";
    }
    EXPECT_TRUE(WindowState(*form) == before) << "printing changed the window";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintCommand,
    testing::Values(
        PrintCase{"Success", Server::WithQueues, nullptr, nullptr, ""},
        PrintCase{"NoDefaultPrinter", Server::WithoutPrinter, nullptr,
                  "印刷できませんでした。既定のプリンターが設定されていません。", ""},
        PrintCase{"ServerStopped", Server::Stopped, nullptr, "印刷できませんでした。印刷サーバーに接続できません。",
                  ""},
        PrintCase{"ServerNeverAnswers", Server::Silent, nullptr, "印刷できませんでした。印刷サーバーが応答しません。",
                  ""},
        PrintCase{"PrinterRefusesJobs", Server::WithQueues, "Refusing",
                  "印刷できませんでした。プリンター「Refusing」は印刷を受け付けていません。",
                  "out of paper, refilled tomorrow"},
        PrintCase{
            "PrinterPaused", Server::WithQueues, "Paused",
            "プリンター「Paused」は一時停止しています。ページは印刷待ちの列にあり、プリンターが再開されると印刷されます。",
            "paused for the night"},
        PrintCase{"BackendFailsAfterSending", Server::WithQueues, "Broken",
                  "印刷できませんでした。プリンター「Broken」が印刷を中止しました。", ""}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace bbt

int main(int argc, char **argv)
{
    return bbt::windowtest::RunWindowTests(argc, argv);
}
