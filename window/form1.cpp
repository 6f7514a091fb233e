#include "window/form1.h"

#include "chart/chart.h"
#include "record/samplemonth.h"
#include "window/twipspainting.h"
#include "window/windowprinting.h"

#include <QCheckBox>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>

#include <string_view>

namespace bbt {

namespace {

const QString ApplicationTitle = QStringLiteral("基礎体温表");
const QString StartupPrompt =
    QStringLiteral("黄色いテキストボックスに、PalmDesktopのメモ帳からデータをコピー＆貼り付けしてください。");

constexpr int ClientWidth = 9975;
constexpr int ClientHeight = 6495;
const QColor Background(255, 255, 255);
const QColor DataBoxBackground(255, 255, 192);

// The title font of the memo pad's home platform. Fontconfig does not alias it, so the
// metric-compatible IPA font stands in, then Noto.
const QString TitleFontFamily = QStringLiteral("ＭＳ Ｐゴシック");
constexpr qreal TitleFontPoints = 14.25;

struct AxisLabel {
    const char *caption;
    int left;
    int top;
};
constexpr int AxisLabelWidth = 375;
constexpr int AxisLabelHeight = 255;
constexpr std::array<AxisLabel, 8> AxisLabels{{
    {"1", 1200, 5520},
    {"10", 2880, 5520},
    {"20", 4920, 5520},
    {"30日", 6840, 5520},
    {"35℃", 600, 5160},
    {"36℃", 600, 3600},
    {"37℃", 600, 2160},
    {"38℃", 600, 720},
}};

int TwipsToPixels(int twips)
{
    return qRound(twips / TwipsPerPixel);
}

void PlaceInTwips(QWidget *control, int left, int top, int width, int height)
{
    control->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

void RegisterFontSubstitutes()
{
    const QStringList substitutes{QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")};
    QFont::insertSubstitutions(TitleFontFamily, substitutes);
    QFont::insertSubstitutions(QStringLiteral("MS PGothic"), substitutes);
}

QLabel *CreateLabel(const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAccessibleName(caption);
    return label;
}

void SetBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QString SampleText(const QString &separator)
{
    QString text;
    for (std::u16string_view line : SampleLines)
        text += QString::fromUtf16(line.data(), line.size()) + separator;
    return text;
}

std::u16string_view View(const QString &text)
{
    return {reinterpret_cast<const char16_t *>(text.utf16()), static_cast<std::size_t>(text.size())};
}

} // namespace

Form1::Form1(const NumberLocale &locale, QWidget *parent)
    : QWidget(parent)
    , m_locale(locale)
    , m_chart(QSize(TwipsToPixels(ClientWidth), TwipsToPixels(ClientHeight)))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ApplicationTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/bbtchart.xpm")));
    SetBackground(this, Background);
    resize(TwipsToPixels(ClientWidth), TwipsToPixels(ClientHeight));
    CreateControls();
    Form_Load();
}

void Form1::CreateControls()
{
    RegisterFontSubstitutes();

    Command1 = new QPushButton(QStringLiteral("印刷"), this);
    PlaceInTwips(Command1, 6600, 120, 1215, 375);

    Text1 = new QPlainTextEdit(this);
    PlaceInTwips(Text1, 7920, 600, 1935, 5775);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setTabChangesFocus(true);
    Text1->setAccessibleName(QStringLiteral("記録"));
    SetBackground(Text1->viewport(), DataBoxBackground);

    Command2 = new QPushButton(QStringLiteral("Clear"), this);
    PlaceInTwips(Command2, 8280, 120, 1215, 375);

    Command3 = new QPushButton(QStringLiteral("グラフ表示"), this);
    PlaceInTwips(Command3, 5280, 120, 1215, 375);

    Label2 = CreateLabel(QStringLiteral("タイトル"), this);
    PlaceInTwips(Label2, 240, 120, 4575, 495);
    QFont titleFont(TitleFontFamily);
    titleFont.setPointSizeF(TitleFontPoints);
    titleFont.setWeight(QFont::Normal);
    Label2->setFont(titleFont);

    for (std::size_t index = 0; index < AxisLabels.size(); ++index) {
        const AxisLabel &axis = AxisLabels[index];
        Label3[index] = CreateLabel(QString::fromUtf8(axis.caption), this);
        PlaceInTwips(Label3[index], axis.left, axis.top, AxisLabelWidth, AxisLabelHeight);
    }

    Check1 = new QCheckBox(QStringLiteral("チェック日も表示する"), this);
    PlaceInTwips(Check1, 5520, 6000, 2055, 375);
    SetBackground(Check1, Background);

    for (QAbstractButton *button : {static_cast<QAbstractButton *>(Command1), static_cast<QAbstractButton *>(Command2),
                                    static_cast<QAbstractButton *>(Command3), static_cast<QAbstractButton *>(Check1)})
        button->setAccessibleName(button->text());

    const std::array<QWidget *, 5> tabOrder{Command1, Text1, Command2, Command3, Check1};
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    Command1->setFocus();

    Command1->setObjectName(QStringLiteral("Command1"));
    Text1->setObjectName(QStringLiteral("Text1"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3->setObjectName(QStringLiteral("Command3"));
    Label2->setObjectName(QStringLiteral("Label2"));
    for (std::size_t index = 0; index < Label3.size(); ++index)
        Label3[index]->setObjectName(QStringLiteral("Label3_%1").arg(index));
    Check1->setObjectName(QStringLiteral("Check1"));

    connect(Text1, &QPlainTextEdit::textChanged, this, &Form1::Text1_Change);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
}

void Form1::Form_Load()
{
    QMessageBox prompt(QMessageBox::NoIcon, ApplicationTitle, StartupPrompt, QMessageBox::Ok);
    prompt.setObjectName(QStringLiteral("StartupPrompt"));
    prompt.exec();

    LineSeparator = QStringLiteral("\r\n");
    Text1->setPlainText(SampleText(LineSeparator));
}

// Asking the document costs the same however long the text is.
void Form1::Text1_Change()
{
    Command3->setEnabled(!Text1->document()->isEmpty());
}

void Form1::Command1_Click()
{
    const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
    if (printerInfo.isNull()) {
        ReportPrintFailure(QStringLiteral("プリンターが見つかりません。"));
        return;
    }
    QPrinter printer(printerInfo, QPrinter::HighResolution);
    printer.setDocName(ApplicationTitle);
    switch (PrintOn(printer)) {
    case PrintOutcome::Printed:
        return;
    case PrintOutcome::CouldNotStart:
        ReportPrintFailure(QStringLiteral("プリンター「%1」で印刷を始められませんでした。").arg(printerInfo.printerName()));
        return;
    case PrintOutcome::Failed:
        ReportPrintFailure(QStringLiteral("プリンター「%1」への送信に失敗しました。").arg(printerInfo.printerName()));
        return;
    }
}

PrintOutcome Form1::PrintOn(QPrinter &printer)
{
    return PrintWindow(*this, m_chart, printer);
}

void Form1::ReportPrintFailure(const QString &reason)
{
    QMessageBox failure(QMessageBox::Warning, ApplicationTitle, QStringLiteral("印刷できませんでした。") + reason,
                        QMessageBox::Ok, this);
    failure.setObjectName(QStringLiteral("PrintFailure"));
    failure.exec();
}

// An ordinary edit, so that Ctrl+Z brings the month back.
void Form1::Command2_Click()
{
    QTextCursor cursor(Text1->document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
}

void Form1::Command3_Click()
{
    // The box's lines joined by CR LF: every line break the user sees is one the reader reads.
    QString text = Text1->toPlainText();
    text.replace(u'\n', LineSeparator);

    std::u16string_view remaining = View(text);
    const std::u16string_view separator = View(LineSeparator);
    const std::u16string_view title = TakeLine(remaining, separator);
    Label2->setText(QString::fromUtf16(title.data(), title.size()));
    ReadRecords(remaining, separator, DayTemperature, DayFlag, m_locale);
    DrawChart(*this, DayTemperature, DayFlag, Check1->checkState() == Qt::Checked);
}

void Form1::DrawLine(float x1, float y1, float x2, float y2, RgbColour colour)
{
    m_chart.Add({ChartPrimitive::Kind::Line, x1, y1, x2, y2, colour});
    update();
}

void Form1::DrawBox(float x1, float y1, float x2, float y2, RgbColour colour)
{
    m_chart.Add({ChartPrimitive::Kind::Box, x1, y1, x2, y2, colour});
    update();
}

void Form1::paintEvent(QPaintEvent *)
{
    if (m_chart.IsEmpty())
        return;
    QPainter painter(this);
    const QImage &picture = m_chart.Picture(devicePixelRatioF());
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(picture.size()) / devicePixelRatioF()), picture);
}

NumberLocale UserNumberLocale()
{
    const QString decimalPoint = QLocale().decimalPoint();
    return NumberLocale{decimalPoint.size() == 1 ? decimalPoint.front().unicode() : u'.'};
}

} // namespace bbt
