#include "window/printmessage.h"

#include "paint/pagerendering.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>
#include <QTimeZone>

#include <array>
#include <string_view>

namespace bbt {

namespace {

// What follows an outcome's words, on a line of its own or within them.
enum class Detail {
    None,
    Reason, // the server's or the printer's own words
    HeldUntil, // until when CUPS holds the page
};

struct Outcome {
    // Whether the page reached the print server: then it may still print, or the server
    // knows why it did not.
    bool handedOver;
    QMessageBox::Icon icon;
    const char *words; // %1 the printer, %2 until when the page is held; none for a page printed
    const char *unnamed = nullptr; // the words where the report names no printer, if other
    Detail detail = Detail::None;
};

constexpr auto Warning = QMessageBox::Warning, Information = QMessageBox::Information;

// Every outcome, as the user reads it. Only failures warn: a page that waits, or whose end
// was not seen, may still print.
Outcome OutcomeOf(PrintProblem problem)
{
    switch (problem) {
    case PrintProblem::None:
        return {true, QMessageBox::NoIcon, nullptr};
    case PrintProblem::NoDefaultPrinter:
        return {false, Warning, "印刷できませんでした。既定のプリンター「%1」が見つかりません。",
                "印刷できませんでした。既定のプリンターが設定されていません。"};
    case PrintProblem::ServerUnreachable:
        return {false, Warning, "印刷できませんでした。印刷サーバーに接続できません。", nullptr, Detail::Reason};
    case PrintProblem::ServerSilent:
        return {false, Warning, "印刷できませんでした。印刷サーバーが応答しません。"};
    case PrintProblem::Refusing:
        return {false, Warning, "印刷できませんでした。プリンター「%1」は印刷を受け付けていません。", nullptr,
                Detail::Reason};
    case PrintProblem::NeedsAuthentication:
        return {false, Warning,
                "印刷できませんでした。プリンター「%1」で印刷するには認証（ユーザー名とパスワード）が必要です。"};
    case PrintProblem::PageNotMade:
        return {false, Warning, "印刷できませんでした。プリンター「%1」の用紙に合わせたページを作れませんでした。"};
    case PrintProblem::NoRoom:
        return {false, Warning,
                "印刷できませんでした。印刷サーバーにページを置く空きがありません。サーバーのディスクに空きを作って"
                "から、もう一度印刷してください。"};
    case PrintProblem::SendFailed:
        return {false, Warning, "印刷できませんでした。プリンター「%1」への送信に失敗しました。",
                "印刷できませんでした。印刷サーバーへの送信に失敗しました。", Detail::Reason};
    case PrintProblem::Paused:
        return {
            true, Information,
            "プリンター「%1」は一時停止しています。ページは印刷待ちの列にあり、プリンターが再開されると印刷されます。",
            nullptr, Detail::Reason};
    case PrintProblem::Held:
        return {true, Information,
                "ページはプリンター「%1」の印刷待ちの列で保留されています%2。保留が解除されると印刷されます。", nullptr,
                Detail::HeldUntil};
    case PrintProblem::HeldForAuthentication:
        return {true, Information,
                "ページはプリンター「%1」の印刷待ちの列で保留されています。印刷するには認証"
                "（ユーザー名とパスワード）が必要です。"};
    case PrintProblem::NotFollowed:
        return {true, Information,
                "ページはプリンター「%1」に送りましたが、その後の様子を印刷サーバーから確かめられませんでした。"};
    case PrintProblem::Stopped:
        return {true, Warning, "印刷できませんでした。プリンター「%1」が印刷を中止しました。", nullptr, Detail::Reason};
    }
    // A value no case names, whatever it came from, is a page not known to have printed.
    return {false, Warning, "印刷できませんでした。"};
}

// A printer's name on one line, its reason on five, a path on one line of 300 characters:
// what a message box can hold.
constexpr int NameLines = 1, ReasonLines = 5;
constexpr qsizetype NameLength = 80, ReasonLength = 300, PathLength = 300;

// What Linux's file systems hold of a name, in bytes of UTF-8.
constexpr qsizetype FileNameBytes = 255;
const QString PdfSuffix = QStringLiteral(".pdf");

// Characters a file name cannot hold here, or on the memory sticks and shared folders of
// other systems the PDF may be kept on, besides the control characters.
const QString NotInFileNames = QStringLiteral("/\\:*?\"<>|");

// At most `lines` lines and `length` characters of `text`, a cut marked with "…". A
// surrogate pair is never cut in half.
QString Shortened(const QString &text, int lines, qsizetype length)
{
    qsizetype end = 0;
    for (int line = 1; end < text.size() && end < length; ++end)
        if (text[end] == u'\n' && ++line > lines)
            break;
    if (end == text.size())
        return text;
    if (end > 0 && text[end - 1].isHighSurrogate())
        --end;
    return text.left(end) + u'…';
}

// Until when CUPS holds a job, in the user's words: its named periods, or a time of day
// that CUPS gives in UTC and the user reads on the local clock.
QString HeldUntil(const std::string &holdUntil)
{
    static constexpr std::array<std::pair<std::string_view, const char *>, 6> periods{{
        {"day-time", "日中"},
        {"evening", "夕方"},
        {"night", "夜間"},
        {"second-shift", "午後のシフト"},
        {"third-shift", "深夜のシフト"},
        {"weekend", "週末"},
    }};
    for (const auto &[keyword, words] : periods)
        if (holdUntil == keyword)
            return QStringLiteral("（%1まで）").arg(QString::fromUtf8(words));
    const QTime utc = QTime::fromString(QString::fromStdString(holdUntil), Qt::ISODate);
    if (!utc.isValid())
        return {};
    const QDateTime at(QDateTime::currentDateTimeUtc().date(), utc, QTimeZone::utc());
    return QStringLiteral("（%1まで）").arg(at.toLocalTime().time().toString(QStringLiteral("H:mm")));
}

// `words` with %1 the printer and %2 until when the page is held, in one pass, so that a
// printer named with a "%2" keeps its name.
QString Filled(const char *words, const QString &printer, const QString &until)
{
    const QString pattern = QString::fromUtf8(words);
    QString text;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const bool placeholder
            = pattern[i] == u'%' && i + 1 < pattern.size() && (pattern[i + 1] == u'1' || pattern[i + 1] == u'2');
        if (!placeholder)
            text += pattern[i];
        else
            text += pattern[++i] == u'1' ? printer : until;
    }
    return text;
}

QString PrintMessage(const PrintReport &report, const Outcome &outcome)
{
    const QString printer = Shortened(QString::fromStdString(report.printer), NameLines, NameLength);
    const char *words = printer.isEmpty() && outcome.unnamed ? outcome.unnamed : outcome.words;
    const QString until = outcome.detail == Detail::HeldUntil ? HeldUntil(report.reason) : QString();
    const QString text = Filled(words, printer, until);
    const QString reason = QString::fromStdString(report.reason).trimmed();
    if (outcome.detail != Detail::Reason || reason.isEmpty())
        return text;
    return text + u'\n' + Shortened(reason, ReasonLines, ReasonLength);
}

// A box of plain text; where `offersPdf`, with "PDFとして保存…" beside OK, which stays the
// default and what Esc presses.
std::unique_ptr<QMessageBox> MessageBox(QMessageBox::Icon icon, const QString &title, const QString &text,
                                        bool offersPdf, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(icon, title, QString(), QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("PrintMessage"));
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    if (offersPdf) {
        box->addButton(QMessageBox::Save)->setText(QStringLiteral("&PDFとして保存…"));
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
    }
    return box;
}

// Why the page could not be kept at `path`, offering to keep it elsewhere.
std::unique_ptr<QMessageBox> NotKeptBox(const QString &path, const QString &reason, const QString &title,
                                        QWidget *parent)
{
    const QString text = QStringLiteral("PDFを保存できませんでした。\n%1\n%2")
                             .arg(Shortened(path, NameLines, PathLength), Shortened(reason, ReasonLines, ReasonLength));
    return MessageBox(QMessageBox::Warning, title, text, true, parent);
}

// The user's Documents folder, or the home folder where there is none.
QString DocumentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// Writes `pdf` to `path` whole or not at all: a file replaced stays as it was until the new
// one is complete. Returns why it could not, or nothing.
QString Written(const QByteArray &pdf, const QString &path)
{
    if (pdf.isEmpty())
        return QStringLiteral("ページを作れませんでした。");
    QSaveFile file(path);
    // Unbuffered: Qt 6.4's QSaveFile loses an error of writing out its buffer, and would put
    // a file cut short in the place of the one it replaces.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    // A disk that fills up takes part of a write, and tells why only at the next.
    for (qint64 done = 0; done < pdf.size();) {
        const qint64 written = file.write(pdf.constData() + done, pdf.size() - done);
        if (written <= 0)
            return file.errorString();
        done += written;
    }
    return file.commit() ? QString() : file.errorString();
}

} // namespace

bool PageHandedOver(PrintProblem problem)
{
    return OutcomeOf(problem).handedOver;
}

std::unique_ptr<QMessageBox> PrintMessageBox(const PrintReport &report, const QString &title, QWidget *parent)
{
    const Outcome outcome = OutcomeOf(report.problem);
    if (!outcome.words)
        return nullptr;
    // Where the message warns, as the page did not print, it offers to keep the page as a PDF:
    // a page that waits, or whose end was not seen, may still print.
    const bool offersPdf = outcome.icon == QMessageBox::Warning;
    return MessageBox(outcome.icon, title, PrintMessage(report, outcome), offersPdf, parent);
}

void TellPrintOutcome(const PrintReport &report, const PressedPage &page, const QString &title, QWidget *parent)
{
    std::unique_ptr<QMessageBox> box = PrintMessageBox(report, title, parent);
    QString path = QDir(DocumentsFolder()).filePath(PdfFileName(page.title, title));
    while (box && box->exec() == QMessageBox::Save) {
        const QString chosen = QFileDialog::getSaveFileName(parent, QStringLiteral("PDFとして保存"), path,
                                                            QStringLiteral("PDF (*.pdf)"));
        if (chosen.isEmpty())
            continue; // back to the message, the page still kept
        const QString reason
            = Written(RenderPdfToKeep(page.picture, page.title, QLocale().measurementSystem()), chosen);
        if (reason.isEmpty())
            return;
        path = chosen;
        box = NotKeptBox(chosen, reason, title, parent);
    }
}

QString PdfFileName(const QString &title, const QString &untitled)
{
    QString name = title;
    for (QChar &c : name)
        if (c.category() == QChar::Other_Control || NotInFileNames.contains(c))
            c = u'-';
    name = name.trimmed();
    if (name.isEmpty())
        name = untitled;
    while (name.toUtf8().size() + PdfSuffix.size() > FileNameBytes)
        name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    return name.trimmed() + PdfSuffix;
}

} // namespace bbt
