#pragma once

#include "window/printserver.h"

#include <QByteArray>
#include <QObject>
#include <QPageLayout>

#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

namespace bbt {

// One press of "印刷": asks the print server for the default printer's page, waits for the
// document, sends it and follows the job, all on a thread of its own so that the window
// never waits for the server. Its findings come back to the window as queued signals.
class PrintJob final : public QObject {
    Q_OBJECT

public:
    PrintJob();
    // Asks the worker to stop and waits for it: at most one of the server's timeouts.
    ~PrintJob() override;

    // Finds the default printer; printerReady or finished follows.
    void Start();
    // Sends the page rendered for the printer; finished follows.
    void Send(const QByteArray &pdf);

signals:
    void printerReady(const QPageLayout &layout, int resolution);
    void finished(const bbt::PrintReport &report);

private:
    void Run(std::function<void()> work);

    std::stop_source m_stop;
    PrintServer m_server{m_stop.get_token()};
    PrinterPage m_page;
    std::thread m_worker;
};

} // namespace bbt
