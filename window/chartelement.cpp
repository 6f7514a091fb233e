#include "window/chartelement.h"

#include "chart/chart.h"
#include "paint/painterchartsurface.h"
#include "paint/twips.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLocale>

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace bbt {

namespace {

// The grid, from day 1 to day 31 and from 38.0 to 35.0 degrees, in twips: where the
// element lies over the chart, the lines at its far edges, a pixel wide, included.
constexpr int GridLeft = XOrigin + DayPitch, GridTop = YTop;
constexpr int EdgeLine = static_cast<int>(PainterChartSurface::LineTwips);
constexpr int GridWidth = (DayCount - 1) * DayPitch + EdgeLine, GridHeight = YBottom - YTop + EdgeLine;

const std::array<QString, 3> ColumnHeaders{QStringLiteral("日"), QStringLiteral("体温"), QStringLiteral("チェック日")};
constexpr int ColumnCount = static_cast<int>(ColumnHeaders.size());
constexpr int HeaderRow = -1;
// The row and column of the one cell that stands for every place outside the table.
constexpr int OutsidePlace = -2;

QString Day(int day)
{
    return QStringLiteral("%1日").arg(day);
}

// A reading in the fewest digits that give it back: "36.72", never "36.719999999999999".
QString Temperature(double temperature)
{
    return QString::number(temperature, 'g', QLocale::FloatingPointShortest);
}

// A reading as the record wrote it: two decimals, as the memo pad writes them ("36.50"),
// or more where the record had more.
QString RecordedTemperature(double temperature)
{
    const QString shortest = Temperature(temperature);
    const qsizetype point = shortest.indexOf(u'.');
    const qsizetype decimals = point < 0 ? 0 : shortest.size() - point - 1;
    return QString::number(temperature, 'f', static_cast<int>(std::max<qsizetype>(decimals, 2)));
}

QString Reading(double temperature, int day)
{
    return QStringLiteral("%1℃（%2）").arg(Temperature(temperature), Day(day));
}

// The text of a cell of the table; the row HeaderRow holds the column headers.
QString TableText(const std::vector<ChartDay> &days, int row, int column)
{
    if (row == HeaderRow)
        return column >= 0 && column < ColumnCount ? ColumnHeaders[column] : QString();
    const ChartDay &day = days[static_cast<std::size_t>(row)];
    switch (column) {
    case 0:
        return QString::number(day.day);
    case 1:
        return RecordedTemperature(day.temperature);
    case 2:
        return day.checkDay ? QStringLiteral("はい") : QStringLiteral("いいえ");
    }
    return {};
}

class ChartTable;

// One cell of the chart's table, the header of its column, or the cell outside the table.
// It reads its text from the table whenever asked, so that it always tells the last drawing.
// A cell that is not in the table, or no longer, is invalid: it has no row or column, spans
// nothing, and Qt's bridge gives screen readers no path to it.
class ChartCell final : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    ChartCell(ChartTable *table, int row, int column)
        : m_table(table)
        , m_row(row)
        , m_column(column)
    {
    }

    bool isValid() const override;
    QObject *object() const override
    {
        return nullptr;
    }
    QWindow *window() const override;
    QAccessibleInterface *childAt(int, int) const override
    {
        return nullptr;
    }
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override
    {
        return nullptr;
    }
    int childCount() const override
    {
        return 0;
    }
    int indexOfChild(const QAccessibleInterface *) const override
    {
        return -1;
    }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override
    {
        return m_row == HeaderRow ? QAccessible::ColumnHeader : QAccessible::Cell;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        return state;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface && m_row != HeaderRow)
            return static_cast<QAccessibleTableCellInterface *>(this);
        return nullptr;
    }

    bool isSelected() const override
    {
        return false;
    }
    QList<QAccessibleInterface *> columnHeaderCells() const override;
    QList<QAccessibleInterface *> rowHeaderCells() const override
    {
        return {};
    }
    int columnIndex() const override
    {
        return isValid() ? m_column : -1;
    }
    int rowIndex() const override
    {
        return isValid() ? m_row : -1;
    }
    int columnExtent() const override
    {
        return isValid() ? 1 : 0;
    }
    int rowExtent() const override
    {
        return isValid() ? 1 : 0;
    }
    QAccessibleInterface *table() const override;

private:
    ChartTable *m_table;
    int m_row;
    int m_column;
};

// The chart element for screen readers: the role of a chart, its description, and the
// table of the last drawing's days. Its children are the three column headers, then the
// cells row by row, as screen readers expect of a table.
class ChartTable final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ChartTable(ChartElement *chart)
        : QAccessibleWidget(chart, QAccessible::Chart)
    {
    }
    ~ChartTable() override
    {
        ForgetCells();
        if (m_outside != 0)
            QAccessible::deleteAccessibleInterface(m_outside);
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override
    {
        return ColumnCount * (rowCount() + 1);
    }
    // Past the last child, the cell outside the table: Qt's AT-SPI bridge answers a screen
    // reader's GetRowAtIndex or GetColumnAtIndex there with its row or column, -1, where it
    // would answer an error for no cell. Asked for the child itself, the bridge gives the
    // null object for an invalid cell, as for none.
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return Outside();
        return Cell(index / ColumnCount - 1, index % ColumnCount);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (const auto &[place, id] : m_cells)
            if (QAccessible::accessibleInterface(id) == child)
                return (place.first + 1) * ColumnCount + place.second;
        return -1;
    }

    QAccessibleInterface *caption() const override
    {
        return nullptr;
    }
    QAccessibleInterface *summary() const override
    {
        return nullptr;
    }
    // Qt 6.4's AT-SPI bridge asks the cell at any place a screen reader names for its extents
    // and whether it is selected, without looking whether there is one: a null cell there
    // ends the program. Outside the table it gets the cell outside, which spans nothing, is
    // not selected and is no child of the table (GetIndexAt answers -1).
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        if (row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount)
            return Outside();
        return Cell(row, column);
    }
    int selectedCellCount() const override
    {
        return 0;
    }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        return {};
    }
    QString columnDescription(int column) const override
    {
        return Text(HeaderRow, column);
    }
    QString rowDescription(int) const override
    {
        return {};
    }
    int selectedColumnCount() const override
    {
        return 0;
    }
    int selectedRowCount() const override
    {
        return 0;
    }
    int columnCount() const override
    {
        return ColumnCount;
    }
    int rowCount() const override
    {
        return static_cast<int>(Days().size());
    }
    QList<int> selectedColumns() const override
    {
        return {};
    }
    QList<int> selectedRows() const override
    {
        return {};
    }
    bool isColumnSelected(int) const override
    {
        return false;
    }
    bool isRowSelected(int) const override
    {
        return false;
    }
    bool selectRow(int) override
    {
        return false;
    }
    bool selectColumn(int) override
    {
        return false;
    }
    bool unselectRow(int) override
    {
        return false;
    }
    bool unselectColumn(int) override
    {
        return false;
    }
    // A new drawing: screen readers ask for its cells afresh, and those of the last one go.
    void modelChange(QAccessibleTableModelChangeEvent *) override
    {
        ForgetCells();
    }

    QString Text(int row, int column) const
    {
        return TableText(Days(), row, column);
    }

    // Where the day of `row` lies on the chart: the strip of its line, a day's width.
    QRect DayRect(int row) const
    {
        const QRect grid = rect();
        if (row < 0 || row >= rowCount())
            return {};
        const int fromGridLeft = static_cast<int>(DayX(Days()[row].day)) - GridLeft;
        const QRect strip(grid.x() + TwipsToPixels(fromGridLeft - DayPitch / 2), grid.y(), TwipsToPixels(DayPitch),
                          grid.height());
        return strip & grid;
    }

    QAccessibleInterface *Cell(int row, int column) const
    {
        QAccessible::Id &id = m_cells[{row, column}];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(new ChartCell(const_cast<ChartTable *>(this), row, column));
        return QAccessible::accessibleInterface(id);
    }

private:
    const std::vector<ChartDay> &Days() const
    {
        return static_cast<const ChartElement *>(widget())->Days();
    }

    QAccessibleInterface *Outside() const
    {
        if (m_outside == 0)
            m_outside = QAccessible::registerAccessibleInterface(
                new ChartCell(const_cast<ChartTable *>(this), OutsidePlace, OutsidePlace));
        return QAccessible::accessibleInterface(m_outside);
    }

    void ForgetCells()
    {
        for (const auto &[place, id] : m_cells)
            QAccessible::deleteAccessibleInterface(id);
        m_cells.clear();
    }

    // Made when first asked for; Qt's cache of accessible elements owns them.
    mutable std::map<std::pair<int, int>, QAccessible::Id> m_cells;
    // The cell outside the table, the same for every drawing.
    mutable QAccessible::Id m_outside = 0;
};

bool ChartCell::isValid() const
{
    return m_row != OutsidePlace && m_row < m_table->rowCount();
}

QWindow *ChartCell::window() const
{
    return m_table->window();
}

QAccessibleInterface *ChartCell::parent() const
{
    return m_table;
}

QString ChartCell::text(QAccessible::Text t) const
{
    return t == QAccessible::Name && isValid() ? m_table->Text(m_row, m_column) : QString();
}

QRect ChartCell::rect() const
{
    return m_table->DayRect(m_row);
}

QList<QAccessibleInterface *> ChartCell::columnHeaderCells() const
{
    if (!isValid())
        return {};
    return {m_table->Cell(HeaderRow, m_column)};
}

QAccessibleInterface *ChartCell::table() const
{
    return m_table;
}

// What a chart of these tables shows, in words: its title, how many days have a reading,
// the lowest and the highest reading with their days, the check days when shown, and
// that earlier drawings show beneath it when they do.
QString ChartDescription(const QString &title, const DayTemperatureTable &DayTemperature, const DayFlagTable &DayFlag,
                         bool showCheckDays, bool earlierDrawingsBeneath)
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
    if (readings == 0) {
        // Earlier curves still show: it is this record that has no reading, not the chart.
        description += earlierDrawingsBeneath ? QStringLiteral("今回の記録には体温のある日がありません。")
                                              : QStringLiteral("記録のある日はありません。");
    } else {
        description += QStringLiteral("記録のある日 %1日、最低 %2、最高 %3。")
                           .arg(readings)
                           .arg(Reading(DayTemperature[lowest], lowest), Reading(DayTemperature[highest], highest));
        if (showCheckDays)
            description += checkDays.isEmpty() ? QStringLiteral("チェック日はありません。")
                                               : QStringLiteral("チェック日 %1。").arg(checkDays.join(u'、'));
    }
    if (earlierDrawingsBeneath)
        description += QStringLiteral("前に描いたグラフも下に見えています。");
    return description;
}

} // namespace

ChartElement::ChartElement(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ChartElement"));
    setGeometry(TwipsToPixels(GridLeft), TwipsToPixels(GridTop), TwipsToPixels(GridWidth), TwipsToPixels(GridHeight));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(QStringLiteral("基礎体温グラフ"));
    setAccessibleDescription(QStringLiteral("まだグラフは描かれていません。"));
}

void ChartElement::ShowDrawing(const QString &title, const DayTemperatureTable &DayTemperature,
                               const DayFlagTable &DayFlag, bool showCheckDays, bool earlierDrawingsBeneath)
{
    m_days.clear();
    for (int day = 1; day < DaysInTable; ++day)
        if (DayTemperature[day] != 0.0)
            m_days.push_back({day, DayTemperature[day], IsCheckDay(DayFlag[day])});
    QAccessibleTableModelChangeEvent reset(this, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&reset);
    setAccessibleDescription(ChartDescription(title, DayTemperature, DayFlag, showCheckDays, earlierDrawingsBeneath));
}

const std::vector<ChartDay> &ChartElement::Days() const
{
    return m_days;
}

QAccessibleInterface *ChartElementAccessible(const QString &className, QObject *object)
{
    if (className != QLatin1String(ChartElement::staticMetaObject.className()) || !object->isWidgetType())
        return nullptr;
    return new ChartTable(static_cast<ChartElement *>(object));
}

} // namespace bbt
