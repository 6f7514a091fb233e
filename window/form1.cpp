#include "window/form1.h"

#include "chart/chart.h"
#include "paint/pagerendering.h"
#include "paint/twips.h"
#include "record/samplemonth.h"
#include "window/chartelement.h"
#include "window/printmessage.h"

#include <QAccessible>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoopLocker>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMarginsF>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <string>
#include <string_view>

namespace bbt {

namespace {

const QString ApplicationTitle = QStringLiteral("基礎体温表");
const QString StartupPrompt
    = QStringLiteral("黄色いテキストボックスに、PalmDesktopのメモ帳からデータをコピー＆貼り付けしてください。");

constexpr int ClientWidth = 9975;
constexpr int ClientHeight = 6495;
const QColor Background(255, 255, 255);
const QColor DataBoxBackground(255, 255, 192);
const QColor Ink(0, 0, 0);

// What ends a line of the text the reader reads, as the memo pad writes it.
constexpr std::u16string_view LineSeparator = u"\r\n";

// Far more than the title label's width shows, even of the narrowest characters.
constexpr std::size_t TitleShownLength = 256;

// The axis labels' boxes are 375 twips wide: the largest size at which "38℃" fits with room
// to spare. The check box's caption has room for the usual 9 points.
constexpr qreal AxisLabelPoints = 7.5;
constexpr qreal CheckBoxPoints = 9;

// The title font of the memo pad's home platform. Fontconfig does not alias it, so the
// metric-compatible IPA font stands in, then Noto.
const QString TitleFontFamily = QStringLiteral("ＭＳ Ｐゴシック");
constexpr qreal TitleFontPoints = 14.25;

// Every control in tab order, with its design caption and its place in twips.
struct ControlLayout {
    std::string_view name;
    const char *caption;
    int left, top, width, height;
};
constexpr std::array<ControlLayout, 14> Layout{{
    {"Command1", "印刷", 6600, 120, 1215, 375},
    {"Text1", "", 7920, 600, 1935, 5775},
    {"Command2", "Clear", 8280, 120, 1215, 375},
    {"Command3", "グラフ表示", 5280, 120, 1215, 375},
    {"Label2", "タイトル", 240, 120, 4575, 495},
    {"Label3_0", "1", 1200, 5520, 375, 255},
    {"Label3_1", "10", 2880, 5520, 375, 255},
    {"Label3_2", "20", 4920, 5520, 375, 255},
    {"Label3_3", "30日", 6840, 5520, 375, 255},
    {"Label3_4", "35℃", 600, 5160, 375, 255},
    {"Label3_5", "36℃", 600, 3600, 375, 255},
    {"Label3_6", "37℃", 600, 2160, 375, 255},
    {"Label3_7", "38℃", 600, 720, 375, 255},
    {"Check1", "チェック日も表示する", 5520, 6000, 2055, 375},
}};

// Where `name` stands in Layout; a name without a place there fails to build.
consteval std::size_t LayoutIndex(std::string_view name)
{
    for (std::size_t index = 0; index < Layout.size(); ++index)
        if (Layout[index].name == name)
            return index;
    throw "a control without a place in Layout";
}

// Creates the control Layout[`index`] at its place, with its design caption where it has one.
template <typename Control>
Control *CreateControl(std::size_t index, QWidget *parent)
{
    const ControlLayout &layout = Layout[index];
    const std::string_view name = layout.name;
    auto *control = new Control(parent);
    control->setObjectName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    control->setGeometry(TwipsToPixels(layout.left), TwipsToPixels(layout.top), TwipsToPixels(layout.width),
                         TwipsToPixels(layout.height));
    if constexpr (requires { control->setText(QString()); })
        control->setText(QString::fromUtf8(layout.caption));
    return control;
}

QLabel *CreateLabel(std::size_t index, QWidget *parent)
{
    auto *label = CreateControl<QLabel>(index, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

// A Japanese user-interface font; DejaVu, the usual default, has no Japanese glyphs of its
// own and is wider.
QFont InterfaceFont(qreal points)
{
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(points);
    return font;
}

void RegisterFontSubstitutes()
{
    const QStringList substitutes{QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")};
    QFont::insertSubstitutions(TitleFontFamily, substitutes);
    QFont::insertSubstitutions(QStringLiteral("MS PGothic"), substitutes);
}

void SetBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Text on the window's fixed grounds is fixed black too, whatever the desktop's theme: a
// dark theme's light text would vanish on white and on paper.
void SetInk(QWidget *widget, QPalette::ColorRole role)
{
    QPalette palette = widget->palette();
    palette.setColor(role, Ink);
    widget->setPalette(palette);
}

bool IsLineBreak(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// A record typed with a Japanese input method, as ASCII: the full-width forms of ASCII
// (U+FF01–U+FF5E) become their ASCII twins and the ideographic space U+3000 a blank, as
// Unicode's compatibility mapping has them. Everything else, the no-break space too, stays.
QChar FoldedToAscii(QChar c)
{
    const char16_t code = c.unicode();
    if (code >= u'\uFF01' && code <= u'\uFF5E')
        return QChar(static_cast<char16_t>(code - (u'\uFF01' - u'!')));
    if (code == u'\u3000')
        return QChar(u' ');
    return c;
}

// The box's text in one pass: each line break the user sees, between paragraphs or within
// one, turned into `separator`; the title line with every character as typed, the lines
// after it with full-width ASCII folded (FoldedToAscii). Written straight into room for the
// longest result, a megabyte of records costs a few milliseconds.
QString BoxText(const QPlainTextEdit &box, std::u16string_view separator)
{
    const QString raw = box.document()->toRawText();
    QString text(raw.size() * std::max<qsizetype>(separator.size(), 1), Qt::Uninitialized);
    QChar *out = text.data();
    const QChar *c = raw.cbegin();
    const QChar *const end = raw.cend();
    for (; c != end && !IsLineBreak(*c); ++c)
        *out++ = *c;
    for (; c != end; ++c) {
        if (IsLineBreak(*c))
            out = std::copy(separator.cbegin(), separator.cend(), out);
        else
            *out++ = FoldedToAscii(*c);
    }
    text.truncate(out - text.cbegin());
    return text;
}

// As much of the title as the label can show on its line: a title of megabytes would cost
// seconds to lay out and be drawn garbled. A surrogate pair is never cut in half.
QString ShownTitle(std::u16string_view title)
{
    std::size_t length = std::min(title.size(), TitleShownLength);
    if (length < title.size() && QChar::isHighSurrogate(title[length - 1]))
        --length;
    return QString::fromUtf16(title.data(), static_cast<qsizetype>(length));
}

std::u16string_view View(const QString &text)
{
    return {reinterpret_cast<const char16_t *>(text.utf16()), static_cast<std::size_t>(text.size())};
}

} // namespace

Form1::Form1(const NumberLocale &locale, QWidget *parent)
    : QWidget(parent)
    , m_locale(locale)
    , m_chartLayer(QSize(TwipsToPixels(ClientWidth), TwipsToPixels(ClientHeight)))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ApplicationTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/bbtchart.xpm")));
    SetBackground(this, Background);
    resize(TwipsToPixels(ClientWidth), TwipsToPixels(ClientHeight));
    CreateControls();
    Form_Load();
}

Form1::~Form1() = default;

void Form1::CreateControls()
{
    RegisterFontSubstitutes();
    static const bool chartRoleKnown = (QAccessible::installFactory(ChartElementAccessible), true);
    Q_UNUSED(chartRoleKnown);

    Command1 = CreateControl<QPushButton>(LayoutIndex("Command1"), this);
    Text1 = CreateControl<QPlainTextEdit>(LayoutIndex("Text1"), this);
    Command2 = CreateControl<QPushButton>(LayoutIndex("Command2"), this);
    Command3 = CreateControl<QPushButton>(LayoutIndex("Command3"), this);
    Label2 = CreateLabel(LayoutIndex("Label2"), this);
    static_assert(LayoutIndex("Label3_7") == LayoutIndex("Label3_0") + 7, "the axis labels stand in order");
    for (std::size_t index = 0; index < Label3.size(); ++index)
        Label3[index] = CreateLabel(LayoutIndex("Label3_0") + index, this);
    Check1 = CreateControl<QCheckBox>(LayoutIndex("Check1"), this);
    m_chartElement = new ChartElement(this);

    SetInk(this, QPalette::WindowText);
    for (QPushButton *button : {Command1, Command2, Command3})
        button->setAutoDefault(true); // Return and Enter press a focused button, as Space does

    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setTabChangesFocus(true);
    Text1->setAccessibleName(QStringLiteral("記録"));
    SetBackground(Text1->viewport(), DataBoxBackground);
    SetInk(Text1, QPalette::Text);
    Text1->installEventFilter(this);

    QFont titleFont(TitleFontFamily);
    titleFont.setPointSizeF(TitleFontPoints);
    titleFont.setWeight(QFont::Normal);
    Label2->setFont(titleFont);
    for (QLabel *label : Label3) {
        label->setFont(InterfaceFont(AxisLabelPoints));
        label->setMargin(1); // keeps the ink off the box's edge
    }

    SetBackground(Check1, Background);
    Check1->setFont(InterfaceFont(CheckBoxPoints));

    const std::array<QWidget *, 5> tabOrder{Command1, Text1, Command2, Command3, Check1};
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    Command1->setFocus();

    connect(Text1, &QPlainTextEdit::textChanged, this, &Form1::Text1_Change);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
}

void Form1::Form_Load()
{
    QMessageBox prompt(QMessageBox::NoIcon, ApplicationTitle, QString(), QMessageBox::Ok);
    prompt.setObjectName(QStringLiteral("StartupPrompt"));
    prompt.setTextFormat(Qt::PlainText);
    prompt.setText(StartupPrompt);
    prompt.exec();

    Text1->setPlainText(QString::fromStdU16String(SampleText(LineSeparator)));
}

// Asking the document costs the same however long the text is.
void Form1::Text1_Change()
{
    Command3->setEnabled(!Text1->document()->isEmpty());
}

// The page is the window as it stands at the press, "印刷" as it was pressed; the job
// renders it for the printer's paper on its own thread, and its one report comes back to
// the window's thread with the page, to be kept as a PDF where it did not print. Until then
// "印刷" cannot be pressed, and says so. The job is named after the chart, so that the queue
// tells one month from another.
void Form1::Command1_Click()
{
    const QString title = Label2->text().isEmpty() ? ApplicationTitle : Label2->text();
    const PressedPage page{TakePicture(), title};
    // Disabled with the focus, the button would hand it on to the yellow box, where a second
    // Space meant for "印刷" would type into the month; until the outcome, no control has it.
    if (Command1->hasFocus())
        Command1->clearFocus();
    Command1->setEnabled(false);
    m_printJob = std::make_unique<PrintJob>(
        title.toStdString(),
        // Each a copy of its own, the picture's data shared: whichever argument is made
        // first, neither is moved from.
        [picture = page.picture](const PrinterPaper &paper) {
            return RenderPdf(picture, PageLayoutOf(paper), paper.resolution).toStdString();
        },
        [this, page](const PrintReport &report) {
            QMetaObject::invokeMethod(
                this, [this, report, page] { PrintFinished(report, page); }, Qt::QueuedConnection);
        });
}

// With the window gone, only a page that never reached the server is worth a word, in a
// box of its own; the program ends when the box, and any saving of the page, are done.
void Form1::PrintFinished(const PrintReport &report, const PressedPage &page)
{
    m_printJob.reset();
    Command1->setEnabled(true);
    if (!focusWidget())
        Command1->setFocus();
    const std::unique_ptr<QEventLoopLocker> programEndsAfter = std::move(m_programStaysForThePage);
    if (programEndsAfter && PageHandedOver(report.problem))
        return;
    TellPrintOutcome(report, page, ApplicationTitle, programEndsAfter ? nullptr : this);
}

// The window goes at once; a page pressed before is still handed to the print server, the
// program living on without a window until it is, or has failed.
void Form1::closeEvent(QCloseEvent *event)
{
    if (m_printJob && !m_programStaysForThePage) {
        m_printJob->StopFollowing();
        m_programStaysForThePage = std::make_unique<QEventLoopLocker>();
    }
    QWidget::closeEvent(event);
}

WindowPicture Form1::TakePicture()
{
    return PaintWindowPicture(*this, QSizeF(ClientWidth, ClientHeight), m_chartLayer);
}

// An ordinary edit, so that Ctrl+Z brings the month back; the focus goes to the box, where
// that Ctrl+Z and the next paste land.
void Form1::Command2_Click()
{
    QTextCursor cursor(Text1->document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    Text1->setFocus();
}

void Form1::Command3_Click()
{
    // Every line break the user sees is one the reader reads.
    const QString text = BoxText(*Text1, LineSeparator);

    std::u16string_view remaining = View(text);
    const QString title = ShownTitle(TakeLine(remaining, LineSeparator));
    Label2->setText(title);
    ReadRecords(remaining, LineSeparator, DayTemperature, DayFlag, m_locale);
    const bool showCheckDays = Check1->checkState() == Qt::Checked;
    m_chartLayer.BeginDrawing();
    DrawChart(m_chartLayer, DayTemperature, DayFlag, showCheckDays);
    update();
    m_chartElement->ShowDrawing(title, DayTemperature, DayFlag, showCheckDays, m_chartLayer.HoldsEarlierDrawings());
}

// Ctrl+Y redoes as Ctrl+Shift+Z does, as users of the memo pad's platform expect.
bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)) {
            Text1->redo();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::paintEvent(QPaintEvent *)
{
    if (m_chartLayer.IsEmpty())
        return;
    QPainter painter(this);
    // The device's own ratio: a rendering into an image of another scale gets its own picture.
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QImage &image = m_chartLayer.Image(ratio);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(image.size()) / ratio), image);
}

QPageLayout PageLayoutOf(const PrinterPaper &paper)
{
    const QPageSize size(QSizeF(paper.width, paper.length), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(paper.left, paper.top, paper.right, paper.bottom),
                       QPageLayout::Millimeter);
}

NumberLocale UserNumberLocale()
{
    const QString decimalPoint = QLocale().decimalPoint();
    return NumberLocale{decimalPoint.size() == 1 ? decimalPoint.front().unicode() : u'.'};
}

} // namespace bbt
