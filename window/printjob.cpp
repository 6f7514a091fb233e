#include "window/printjob.h"

#include <QMarginsF>
#include <QPageSize>
#include <QSizeF>

namespace bbt {

namespace {

using namespace std::chrono_literals;

// After this the job is left to the print server: an outcome still open is no failure.
constexpr auto FollowLimit = 30s;
const std::string DocumentTitle = "基礎体温表";

QPageLayout LayoutOf(const PrinterPage &page)
{
    const QPageSize size(QSizeF(page.width, page.length), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(page.left, page.top, page.right, page.bottom),
                       QPageLayout::Millimeter);
}

} // namespace

PrintJob::PrintJob() = default;

PrintJob::~PrintJob()
{
    m_stop.request_stop();
    if (m_worker.joinable())
        m_worker.join();
}

void PrintJob::Run(std::function<void()> work)
{
    if (m_worker.joinable())
        m_worker.join();
    m_worker = std::thread(std::move(work));
}

void PrintJob::Start()
{
    Run([this] {
        const PrintReport found = m_server.FindDefaultPrinter(m_page);
        if (found.problem == PrintProblem::None)
            emit printerReady(LayoutOf(m_page), m_page.resolution);
        else
            emit finished(found);
    });
}

void PrintJob::Send(const QByteArray &pdf)
{
    Run([this, pdf] {
        const PrintReport sent = m_server.Send(m_page, std::string_view(pdf.constData(), pdf.size()), DocumentTitle);
        emit finished(sent.problem == PrintProblem::None ? m_server.Follow(m_page, FollowLimit) : sent);
    });
}

} // namespace bbt
