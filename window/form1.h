#pragma once

#include "paint/chartlayer.h"
#include "print/printjob.h"
#include "record/daytables.h"
#include "record/recordreader.h"
#include "window/windowpainting.h"

#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QEventLoopLocker;
class QLabel;
class QPageLayout;
class QPlainTextEdit;
class QPushButton;

namespace bbt {

class ChartElement;
struct PressedPage;

// The tool's one window: the yellow box the month is pasted into, the three buttons, the
// title and axis labels, and the client area the chart is drawn on. The client area's
// drawing is a retained layer, so the chart survives being covered, minimised and
// resized, and can be printed at the printer's resolution.
class Form1 final : public QWidget {
    Q_OBJECT

public:
    // Runs Form_Load, whose start-up message box is modal: the constructor returns when
    // the user has closed it.
    explicit Form1(const NumberLocale &locale, QWidget *parent = nullptr);
    ~Form1() override;

    // The picture of the window as it stands, for the printed page. While it paints the
    // text box it makes the box one that cannot be typed in, so that the text cursor stays
    // off the page, and gives the box its interaction flags back after.
    WindowPicture TakePicture();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void CreateControls();
    void Form_Load();
    void Text1_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void PrintFinished(const PrintReport &report, const PressedPage &page);

    QPushButton *Command1 = nullptr;
    QPlainTextEdit *Text1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QLabel *Label2 = nullptr;
    std::array<QLabel *, 8> Label3{};
    QCheckBox *Check1 = nullptr;
    ChartElement *m_chartElement = nullptr;

    DayTemperatureTable DayTemperature{};
    DayFlagTable DayFlag{};
    NumberLocale m_locale;
    ChartLayer m_chartLayer;
    std::unique_ptr<PrintJob> m_printJob; // the page on its way to the printer, if any
    // Held from the window's closing until the page on its way has reached the server or failed.
    std::unique_ptr<QEventLoopLocker> m_programStaysForThePage;
};

// The printer's paper as a page of Qt's: portrait, its unprintable margins kept clear.
QPageLayout PageLayoutOf(const PrinterPaper &paper);

// The number conventions of the user's locale, for the flag field of the records.
NumberLocale UserNumberLocale();

} // namespace bbt
