#include "window/chartelement.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace bbt {

ChartElement::ChartElement(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Chart"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(QStringLiteral("基礎体温グラフ"));
    setAccessibleDescription(QStringLiteral("まだグラフは描かれていません。"));
}

namespace {

QString Day(int day)
{
    return QStringLiteral("%1日").arg(day);
}

QString Reading(double temperature, int day)
{
    return QStringLiteral("%1℃（%2）").arg(QString::number(temperature, 'g', 15), Day(day));
}

} // namespace

QString ChartDescription(const QString &title, const DayTemperatureTable &DayTemperature, const DayFlagTable &DayFlag,
                         bool showCheckDays)
{
    int readings = 0, lowest = 0, highest = 0;
    QStringList checkDays;
    for (int day = 1; day < DaysInTable; ++day) {
        const double temperature = DayTemperature[day];
        if (temperature == 0.0)
            continue;
        ++readings;
        if (lowest == 0 || temperature < DayTemperature[lowest])
            lowest = day;
        if (highest == 0 || temperature > DayTemperature[highest])
            highest = day;
        if (IsCheckDay(DayFlag[day]))
            checkDays << Day(day);
    }
    QString description = QStringLiteral("「%1」の基礎体温グラフ。").arg(title);
    if (readings == 0)
        return description + QStringLiteral("記録のある日はありません。");
    description += QStringLiteral("記録のある日 %1日、最低 %2、最高 %3。")
                       .arg(readings)
                       .arg(Reading(DayTemperature[lowest], lowest), Reading(DayTemperature[highest], highest));
    if (showCheckDays)
        description += checkDays.isEmpty() ? QStringLiteral("チェック日はありません。")
                                           : QStringLiteral("チェック日 %1。").arg(checkDays.join(u'、'));
    return description;
}

QAccessibleInterface *ChartElementAccessible(const QString &className, QObject *object)
{
    if (className != QLatin1String(ChartElement::staticMetaObject.className()) || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Chart);
}

} // namespace bbt
