#pragma once

#include "record/daytables.h"

#include <QString>
#include <QWidget>

#include <vector>

class QAccessibleInterface;

namespace bbt {

// One day with a reading in the last drawing, as a screen reader's table row gives it.
struct ChartDay {
    int day = 0;
    double temperature = 0;
    bool checkDay = false;
};

// The chart as screen readers meet it: an element of its own over the chart's grid, with
// the role of a chart, a description of what is drawn, and the days of the last drawing as
// a table of three columns, 日, 体温 and チェック日, one row a day. It paints nothing and
// lets every click through to the window beneath.
class ChartElement final : public QWidget {
    Q_OBJECT

public:
    explicit ChartElement(QWidget *parent);

    // Tells screen readers what a press of "グラフ表示" drew from these tables, and whether
    // earlier drawings still show beneath it.
    void ShowDrawing(const QString &title, const DayTemperatureTable &DayTemperature, const DayFlagTable &DayFlag,
                     bool showCheckDays, bool earlierDrawingsBeneath);

    // The rows of the table, in the order of the days.
    const std::vector<ChartDay> &Days() const;

private:
    std::vector<ChartDay> m_days;
};

// Gives ChartElement its accessible role and table; for QAccessible::installFactory.
QAccessibleInterface *ChartElementAccessible(const QString &className, QObject *object);

} // namespace bbt
