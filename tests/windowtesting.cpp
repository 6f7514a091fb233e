#include "windowtesting.h"

#include "privatex.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace bbt::windowtest {

std::shared_ptr<AnsweredBox> AnswerNextMessageBox()
{
    auto answer = std::make_shared<AnsweredBox>();
    auto *poll = new QTimer(QCoreApplication::instance());
    // The poll ends with the test that asked for it, so that it never answers a box meant
    // for a later test.
    QObject::connect(poll, &QTimer::timeout, poll, [poll, weakAnswer = std::weak_ptr(answer)] {
        const auto answer = weakAnswer.lock();
        if (!answer) {
            poll->deleteLater();
            return;
        }
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer->seen = true;
        answer->title = box->windowTitle();
        answer->text = box->text();
        answer->buttons = box->standardButtons();
        answer->icon = box->icon();
        for (QWidget *widget : QApplication::topLevelWidgets())
            answer->formWasVisible |= qobject_cast<Form1 *>(widget) && widget->isVisible();
        QTest::keyClick(box, Qt::Key_Return);
        poll->deleteLater();
    });
    poll->start(5);
    return answer;
}

std::unique_ptr<Form1> OpenForm(AnsweredBox *startupPrompt)
{
    const auto answer = AnswerNextMessageBox();
    auto form = std::make_unique<Form1>(NumberLocale{u'.'});
    if (startupPrompt)
        *startupPrompt = *answer;
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    return form;
}

void Click(const Form1 &form, const char *button)
{
    QTest::mouseClick(Find<QAbstractButton>(form, button), Qt::LeftButton);
}

QImage Shown(QWidget &window)
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const QPixmap pixels = window.screen()->grabWindow(window.winId());
    return pixels.toImage().convertToFormat(QImage::Format_RGB32);
}

namespace {

// One grid line as read from the pixels.
struct RuledLine {
    bool major = false;
    int width = 0; // in device pixels
    double offset = 0; // of its middle from where its twips put it, in device pixels
};

// The lines met along one row (`acrossDays`) or one column of `image`, read as runs of
// pixels that are not white: from `fromTwips` to `toTwips`, at `throughTwips` across. The
// n-th line met is expected at `firstLineTwips` + n × `pitchTwips`.
std::vector<RuledLine> LinesAcross(const QImage &image, qreal ratio, bool acrossDays, int throughTwips, int fromTwips,
                                   int toTwips, int firstLineTwips, int pitchTwips)
{
    const qreal perTwip = ratio / TwipsPerPixel;
    const int through = int(std::floor(throughTwips * perTwip));
    auto pixel = [&](int along) { return acrossDays ? image.pixel(along, through) : image.pixel(through, along); };
    std::vector<RuledLine> lines;
    const int end = int(std::floor(toTwips * perTwip));
    for (int along = int(std::floor(fromTwips * perTwip)); along <= end; ++along) {
        if (pixel(along) == White)
            continue;
        const int start = along;
        const bool major = qGray(pixel(start)) < 80;
        while (along <= end && pixel(along) != White)
            ++along;
        const int width = along - start;
        const double expected = (firstLineTwips + pitchTwips * int(lines.size())) * perTwip;
        lines.push_back({major, width, std::abs(start + width / 2.0 - expected)});
    }
    return lines;
}

// Expects 31 lines, each kind all of one width within a device pixel of its twips, and
// prints their widths in order.
void ExpectEvenLines(const std::vector<RuledLine> &lines, const char *what, qreal ratio)
{
    std::string widths;
    std::set<int> majorWidths, minorWidths;
    double farthest = 0;
    for (const RuledLine &line : lines) {
        widths += ' ' + std::to_string(line.width);
        (line.major ? majorWidths : minorWidths).insert(line.width);
        farthest = std::max(farthest, line.offset);
    }
    std::cout << what << " at " << ratio << " device pixels a pixel, widths in device pixels:" << widths
              << "; farthest from its twips " << farthest << '\n';
    EXPECT_EQ(lines.size(), 31u) << what << " at " << ratio;
    EXPECT_EQ(majorWidths.size(), 1u) << "major " << what << " at " << ratio << ":" << widths;
    EXPECT_EQ(minorWidths.size(), 1u) << "minor " << what << " at " << ratio << ":" << widths;
    EXPECT_LE(farthest, 1.0) << what << " at " << ratio << " stray from their twips";
}

} // namespace

void ExpectEvenRuling(const QImage &image, qreal ratio)
{
    // Across the grid between the 37.9 and 37.8 lines, and between the lines of days 1 and 2.
    ExpectEvenLines(LinesAcross(image, ratio, true, 1025, 1100, 7300, 1200, 200), "day lines", ratio);
    ExpectEvenLines(LinesAcross(image, ratio, false, 1300, 700, 5400, 800, 150), "level lines", ratio);
}

QString SampleAsShown()
{
    QString text = QString::fromUtf16(SampleMonthText.data(), qsizetype(SampleMonthText.size()));
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

int RunWindowTests(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests that read the pixels of a real X server each read their own.
    std::optional<PrivateX> x;
    if (qgetenv("QT_QPA_PLATFORM") == "xcb") {
        x.emplace();
        if (x->Display().empty()) {
            std::cerr << "these tests read the pixels of a real X server: " << x->Problem() << '\n';
            return 1;
        }
        qputenv("DISPLAY", QByteArray::fromStdString(x->Display()));
        qunsetenv("WAYLAND_DISPLAY");
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace bbt::windowtest
