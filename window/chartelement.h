#pragma once

#include "record/daytables.h"

#include <QWidget>

class QAccessibleInterface;

namespace bbt {

// The chart as screen readers meet it: an element of its own over the chart area, with
// the role of a chart and a description of what was drawn last. It paints nothing and
// lets every click through to the window beneath.
class ChartElement final : public QWidget {
    Q_OBJECT

public:
    // Its description is set with setAccessibleDescription, which tells screen readers.
    explicit ChartElement(QWidget *parent);
};

// What a chart of these tables shows, in words: its title, how many days have a reading,
// the lowest and the highest reading with their days, and the check days when shown.
QString ChartDescription(const QString &title, const DayTemperatureTable &DayTemperature, const DayFlagTable &DayFlag,
                         bool showCheckDays);

// Gives ChartElement its accessible role; for QAccessible::installFactory.
QAccessibleInterface *ChartElementAccessible(const QString &className, QObject *object);

} // namespace bbt
