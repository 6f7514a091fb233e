#include "printedpage.h"
#include "windowtesting.h"

#include "window/printmessage.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <iostream>

// What the user reads of every outcome of "印刷", whatever the print system's names and
// reasons hold, and the page kept as a PDF where it did not print. The run's time zone is
// Tokyo's, nine hours ahead of the UTC CUPS speaks.
namespace bbt {
namespace {

using namespace bbt::windowtest;
using facts::PrintTo;

std::string Lines(int count)
{
    std::string text;
    for (int line = 1; line <= count; ++line)
        text += "reason " + std::to_string(line) + '\n';
    return text;
}

const std::string ThreeThousandLines = Lines(3000);

// Every outcome, one row at least each: whether the page reached the server, its icon (only a
// page that did not print warns), the words that make it that outcome; and how they are put
// together: which printer they name, the printer's reason on a line of its own, until when a
// page is held, all as plain text and cut to what a box holds. A box that warns, as
// the page did not print, offers to keep the page as a PDF; one that informs does not.
struct MessageCase {
    const char *name;
    PrintReport report;
    std::string part; // of the text; empty where nothing is told
    QMessageBox::Icon icon = QMessageBox::Warning;
    bool handedOver = false;
};

constexpr auto Warning = QMessageBox::Warning, Information = QMessageBox::Information;
using P = PrintProblem;

const MessageCase Cases[] = {
    {"Printed", {P::None, "PDF", ""}, "", QMessageBox::NoIcon, true},
    {"NoPrinterNamed", {P::NoDefaultPrinter, "", ""}, "既定のプリンターが設定されていません。"},
    {"NamedPrinterMissing", {P::NoDefaultPrinter, "Gone", ""}, "既定のプリンター「Gone」が見つかりません。"},
    {"NoServer", {P::ServerUnreachable, "", ""}, "印刷できませんでした。印刷サーバーに接続できません。"},
    {"ServerSilent", {P::ServerSilent, "", ""}, "印刷できませんでした。印刷サーバーが応答しません。"},
    {"TheReasonOnALineOfItsOwn", {P::Refusing, "Q", "out of paper"}, "受け付けていません。\nout of paper"},
    {"WantsAPassword", {P::NeedsAuthentication, "Q", ""}, "印刷できませんでした。プリンター「Q」で印刷するには認証"},
    {"PageNotMade", {P::PageNotMade, "Q", ""}, "「Q」の用紙に合わせたページを作れませんでした。"},
    {"NoRoomOnTheServer", {P::NoRoom, "Q", ""}, "印刷できませんでした。印刷サーバーにページを置く空きがありません。"},
    {"SendFailedWithTheServersReason",
     {P::SendFailed, "Q", "500 Internal Server Error"},
     "「Q」への送信に失敗しました。\n500 Internal Server Error"},
    {"SendFailedToNoPrinter", {P::SendFailed, "", ""}, "印刷できませんでした。印刷サーバーへの送信に失敗しました。"},
    {"AWaitingPageInforms",
     {P::Paused, "Q", "paused by the office"},
     "再開されると印刷されます。\npaused by the office",
     Information,
     true},
    {"HeldIndefinitely", {P::Held, "Q", "indefinite"}, "保留されています。", Information, true},
    {"HeldUntilNight", {P::Held, "Q", "night"}, "保留されています（夜間まで）。", Information, true},
    {"HeldUntilATimeOnTheLocalClock", {P::Held, "Q", "18:30:00"}, "保留されています（3:30まで）。", Information, true},
    {"HeldForAPassword", {P::HeldForAuthentication, "Q", ""}, "保留されています。印刷するには認証", Information, true},
    {"SentNotFollowed",
     {P::NotFollowed, "Q", ""},
     "「Q」に送りましたが、その後の様子を印刷サーバーから確かめられませんでした。",
     Information,
     true},
    // What the print system says is shown as it is, and no more of it than a box holds.
    {"MarkupInTheNameAndTheReason",
     {P::Refusing, "<h2>Q", "<img src=\"/dev/zero\">"},
     "「<h2>Q」は印刷を受け付けていません。\n<img src=\"/dev/zero\">"},
    {"AReasonOfThreeThousandLines",
     {P::Stopped, "Q", ThreeThousandLines},
     "印刷できませんでした。プリンター「Q」が印刷を中止しました。\nreason 1\nreason 2\nreason 3\nreason 4\nreason 5…",
     Warning,
     true},
    {"AReasonEndingInALineBreak", {P::Stopped, "Q", "jammed\r\n"}, "中止しました。\njammed", Warning, true},
    {"AReasonOnOneLongLine", {P::Refusing, "Q", std::string(1000, 'x')}, "\n" + std::string(300, 'x') + "…"},
    {"ANameOnTwoLines", {P::Refusing, "Q\nR", ""}, "「Q…」"},
    {"APlaceholderInTheName",
     {P::Held, "%2", "night"},
     "「%2」の印刷待ちの列で保留されています（夜間まで）。",
     Information,
     true},
};

class PrintMessage : public testing::TestWithParam<MessageCase> {};

TEST_P(PrintMessage, PutsTheOutcomeInPlainWords)
{
    const MessageCase &c = GetParam();
    EXPECT_EQ(PageHandedOver(c.report.problem), c.handedOver);
    const auto box = PrintMessageBox(c.report, QStringLiteral("基礎体温表"), nullptr);
    if (c.part.empty()) {
        EXPECT_EQ(box, nullptr) << "a printed page is told";
        return;
    }
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QString::fromStdString(c.part))) << box->text().toStdString();
    EXPECT_FALSE(box->text().contains(QStringLiteral("reason 6"))) << "more of the reason than a box holds";
    EXPECT_EQ(box->icon(), c.icon);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("基礎体温表"));

    QAbstractButton *save = box->button(QMessageBox::Save);
    ASSERT_EQ(save != nullptr, c.icon == QMessageBox::Warning) << "PDFとして保存… offered";
    if (save) {
        EXPECT_EQ(save->text().toStdString(), "&PDFとして保存…") << "Alt+P presses it";
        EXPECT_EQ(QAccessible::queryAccessibleInterface(save)->text(QAccessible::Name).toStdString(), "PDFとして保存…");
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ok));
        EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Ok));
    }
}

INSTANTIATE_TEST_SUITE_P(, PrintMessage, testing::ValuesIn(Cases), testing::PrintToStringParamName());

TEST(PrintMessageBox, FitsTheScreenWithAReasonOfThreeThousandLines)
{
    const auto box = PrintMessageBox({P::Stopped, "Q", ThreeThousandLines}, QStringLiteral("基礎体温表"), nullptr);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    EXPECT_LE(box->frameGeometry().height(), box->screen()->availableGeometry().height());
}

// The name the save dialog proposes for the chart's title.
struct FileNameCase {
    const char *name;
    QString title, file;
};

class PdfFileNames : public testing::TestWithParam<FileNameCase> {};

TEST_P(PdfFileNames, HoldOnlyWhatAFileNameHolds)
{
    EXPECT_EQ(PdfFileName(GetParam().title, QStringLiteral("基礎体温表")).toStdString(), GetParam().file.toStdString());
}

// 𠮷 is two UTF-16 code units and four bytes of UTF-8: 62 of them and ".pdf" fill 252 of the
// 255 bytes a name holds.
INSTANTIATE_TEST_SUITE_P(, PdfFileNames,
                         testing::Values(FileNameCase{"TheSample", QStringLiteral("2002/08 サンプル"),
                                                      QStringLiteral("2002-08 サンプル.pdf")},
                                         FileNameCase{"ControlCharacters", QStringLiteral("8\t月\r\n\u007f\u0085"),
                                                      QStringLiteral("8-月----.pdf")},
                                         FileNameCase{"WhatOtherSystemsForbid", QStringLiteral("a\\b:c*d?e\"f<g>h|i"),
                                                      QStringLiteral("a-b-c-d-e-f-g-h-i.pdf")},
                                         FileNameCase{"OnlySpaces", QStringLiteral("   "),
                                                      QStringLiteral("基礎体温表.pdf")},
                                         FileNameCase{"Empty", QString(), QStringLiteral("基礎体温表.pdf")},
                                         FileNameCase{"LongerThanANameHolds", QStringLiteral("𠮷").repeated(100),
                                                      QStringLiteral("𠮷").repeated(62) + QStringLiteral(".pdf")}),
                         testing::PrintToStringParamName());

// Where the user keeps the page, through the save dialog as a user goes through it.
enum class Place {
    Proposed, // the folder and the name the dialog proposes
    UnderARegularFile, // a folder that cannot be written, even by root
    OnAFullDisk, // over last month's PDF of the same name
};

struct KeepCase {
    const char *name;
    Place place;
    bool documents; // whether the home folder has a Documents folder
    const char *locale;
    const char *paper; // as pdfinfo names it, where the page is kept
    int error = 0; // the system's reason it is not
};

class KeepingThePage : public testing::TestWithParam<KeepCase> {};

// The page pressed for, kept as a PDF whole and at real size, or not at all, saying why and
// offering it again.
TEST_P(KeepingThePage, WritesThePageWholeOrTellsWhy)
{
    const KeepCase &c = GetParam();
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    // A home of the test's own, its Documents where they are without user-dirs.dirs, and the
    // save dialog's settings in it too (Qt finds their folder once a run).
    const QTemporaryDir home;
    const QString config = home.filePath(QStringLiteral(".config"));
    const QByteArray homeBefore = qgetenv("HOME"), configBefore = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QLocale::setDefault(QLocale(QString::fromUtf8(c.locale)));
    QByteArray fullDisk;
    const auto restore = qScopeGuard([&] {
        if (!fullDisk.isEmpty())
            umount2(fullDisk.constData(), MNT_DETACH);
        QLocale::setDefault(QLocale::system());
        qputenv("HOME", homeBefore);
        configBefore.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", configBefore);
    });
    const QString name = QStringLiteral("2002-08 サンプル.pdf");
    const QDir documents(home.filePath(QStringLiteral("Documents")));
    if (c.documents)
        documents.mkpath(QStringLiteral("."));
    const QString proposed = (c.documents ? documents : QDir(home.path())).filePath(name);
    QString chosen = proposed;
    const QByteArray lastMonth = "last month's PDF";
    if (c.place == Place::UnderARegularFile) {
        QFile(home.filePath(QStringLiteral("notes"))).open(QIODevice::WriteOnly);
        chosen = home.filePath(QStringLiteral("notes/") + name);
    } else if (c.place == Place::OnAFullDisk) {
        fullDisk = home.filePath(QStringLiteral("full")).toLocal8Bit();
        QDir(home.path()).mkdir(QStringLiteral("full"));
        // A disk with room for a part of the page's 20 kB, in a mount namespace of the test's
        // own thread, so that no other process sees it.
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount("tmpfs", fullDisk.constData(), "tmpfs", 0, "size=16k") != 0) {
            const char *why = std::strerror(errno);
            fullDisk.clear();
            GTEST_SKIP() << "no small disk of the test's own, which needs root: " << why;
        }
        chosen = QString::fromLocal8Bit(fullDisk) + u'/' + name;
        QFile earlier(chosen);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly) && earlier.write(lastMonth) == lastMonth.size());
    }
    auto form = OpenForm();
    Click(*form, "Check1");
    Click(*form, "Command3");

    // The user presses PDFとして保存…, chooses the place, agrees to replace, and reads why
    // the page could not be kept, if it could not.
    QString dialogProposed, told;
    bool askedToReplace = false;
    QMessageBox::StandardButtons offeredAgain;
    int messages = 0;
    // Each window answered once, and later: a dialog opened from the answer, the question
    // before replacing a file, must find the user still there, and the dialog seen again
    // while that question closes is no new dialog.
    QList<QPointer<QWidget>> answered;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || answered.contains(modal))
            return;
        answered.append(modal);
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            dialogProposed = dialog->selectedFiles().value(0);
            dialog->selectFile(chosen);
            QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection); // as its Save button does
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            QMessageBox::StandardButton answer = QMessageBox::Ok;
            if (box->button(QMessageBox::Yes)) {
                askedToReplace = true;
                answer = QMessageBox::Yes;
            } else if (messages++ == 0 && box->button(QMessageBox::Save)) {
                answer = QMessageBox::Save;
            } else {
                told = box->text();
                offeredAgain = box->standardButtons();
            }
            QMetaObject::invokeMethod(box->button(answer), &QAbstractButton::click, Qt::QueuedConnection);
        }
    });
    user.start(10);
    TellPrintOutcome({P::NoDefaultPrinter, "", ""}, {form->TakePicture(), QStringLiteral("2002/08 サンプル")},
                     QStringLiteral("基礎体温表"), nullptr);
    user.stop();
    EXPECT_EQ(dialogProposed.toStdString(), proposed.toStdString()) << "the dialog's folder and name";
    EXPECT_EQ(askedToReplace, c.place == Place::OnAFullDisk);

    const QString folder = QFileInfo(chosen).path();
    const auto filesIn = [](const QString &folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden).join(u'|').toStdString();
    };
    if (c.error) {
        std::cout << c.name << ": " << told.toStdString() << '\n';
        EXPECT_TRUE(told.contains(chosen)) << told.toStdString();
        EXPECT_TRUE(told.contains(QString::fromLocal8Bit(std::strerror(c.error)))) << told.toStdString();
        EXPECT_TRUE(offeredAgain.testFlag(QMessageBox::Save)) << "PDFとして保存… not offered again";
        EXPECT_EQ(filesIn(documents.path()), "") << "something left behind";
        EXPECT_EQ(filesIn(folder), c.place == Place::OnAFullDisk ? name.toStdString() : "");
        if (c.place == Place::OnAFullDisk) {
            QFile earlier(chosen);
            EXPECT_TRUE(earlier.open(QIODevice::ReadOnly) && earlier.readAll() == lastMonth) << "last month's PDF lost";
        }
        return;
    }
    EXPECT_TRUE(told.isEmpty()) << told.toStdString();
    EXPECT_EQ(filesIn(folder), name.toStdString()) << "something left beside it";
    const QString info = windowtest::Run(QStringLiteral("pdfinfo"), {chosen}).output;
    EXPECT_TRUE(info.contains(
        QRegularExpression(QStringLiteral("^Title: +2002/08 サンプル$"), QRegularExpression::MultilineOption)))
        << info.toStdString();
    EXPECT_TRUE(info.contains(
        QRegularExpression(QStringLiteral("^Creator: +基礎体温表$"), QRegularExpression::MultilineOption)))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QString::fromUtf8(c.paper))) << info.toStdString();

    const PrintedPage page = RenderPrintedPage(chosen, YellowGroundOf(*form));
    ExpectSampleChartOnPage(page);
    // The window's top left, 10 mm from the paper's top and left edges.
    const QPointF corner = page.fromTwips.map(QPointF(0, 0)) * 25.4 / (1440 / TwipsPerPagePixel);
    std::cout << c.name << ": the window's top left " << corner.x() << " mm from the left, " << corner.y()
              << " mm from the top\n";
    EXPECT_NEAR(corner.x(), 10, 0.05);
    EXPECT_NEAR(corner.y(), 10, 0.05);
}

INSTANTIATE_TEST_SUITE_P(, KeepingThePage,
                         testing::Values(KeepCase{"IntoDocumentsOnA4", Place::Proposed, true, "ja_JP", "pts (A4)"},
                                         KeepCase{"IntoTheHomeOnLetterWhereTheLocaleMeasuresInInches", Place::Proposed,
                                                  false, "en_US", "612 x 792 pts (letter)"},
                                         KeepCase{"UnderARegularFile", Place::UnderARegularFile, true, "ja_JP", "",
                                                  ENOTDIR},
                                         KeepCase{"OnAFullDisk", Place::OnAFullDisk, true, "ja_JP", "", ENOSPC}),
                         testing::PrintToStringParamName());

} // namespace
} // namespace bbt
