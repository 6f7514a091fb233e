#include "windowtesting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <iostream>

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

QString SampleAsShown()
{
    QString text = QString::fromUtf16(SampleMonthText.data(), qsizetype(SampleMonthText.size()));
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void ExpectThe38LineAtTwiceTheScale(const QImage &image)
{
    EXPECT_EQ(image.pixel(GridColumnAtTwice, Row38AtTwice), Major) << "38.0 line, first device row";
    EXPECT_EQ(image.pixel(GridColumnAtTwice, Row38AtTwice + 1), Major) << "38.0 line, second device row";
    EXPECT_EQ(image.pixel(GridColumnAtTwice, Row38AtTwice + 2), White) << "just below it";
}

int RunWindowTests(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qgetenv("QT_QPA_PLATFORM") == "xcb" && qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::cerr << "these tests read the pixels of a real X server: run them with DISPLAY set "
                     "(scripts/test.sh starts one)\n";
        return 1;
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace bbt::windowtest
