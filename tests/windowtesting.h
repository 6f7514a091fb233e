#pragma once

#include "window/form1.h"

#include <QImage>
#include <QMessageBox>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

// Helpers for driving the window as a user does, on Qt's offscreen platform.
namespace bbt::windowtest {

inline constexpr QRgb White = qRgb(255, 255, 255);
inline constexpr QRgb Major = qRgb(10, 10, 10);
inline constexpr QRgb Minor = qRgb(150, 150, 150);
inline constexpr QRgb Red = qRgb(255, 0, 0);
inline constexpr QRgb Pink = qRgb(255, 100, 255);
inline constexpr QRgb Yellow = qRgb(255, 255, 192);

// What a message box showed before the test answered it with Return.
struct AnsweredBox {
    bool seen = false;
    bool formWasVisible = false;
    QString title, text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::Information;
};

// Answers the next modal message box that opens, as a user pressing Return would.
std::shared_ptr<AnsweredBox> AnswerNextMessageBox();

// Creates the window, answers its start-up message box and shows the window.
std::unique_ptr<Form1> OpenForm(AnsweredBox *startupPrompt = nullptr);

// The control `name` of the window; a missing control, or one of another kind, fails the
// test (GoogleTest reports the exception with the control's name).
QWidget *FindControl(const Form1 &form, const char *name);

template <typename Control>
Control *Find(const Form1 &form, const char *name)
{
    auto *control = qobject_cast<Control *>(FindControl(form, name));
    if (!control)
        throw std::runtime_error(std::string("no control named ") + name + " of the kind asked for");
    return control;
}

void Click(const Form1 &form, const char *button);
// The window's pixels as the screen shows them once the events so far are handled: on a
// real X server what the server holds, not a fresh rendering of the window.
QImage Shown(QWidget &window);
bool ColumnHas(const QImage &image, int column, QRgb colour);
// The sample month as the text box shows it, lines ending in line feeds.
QString SampleAsShown();
inline bool IsCheckDayOfSample(int day)
{
    return day == 12 || day == 13 || (day >= 15 && day <= 18) || day == 30 || day == 31;
}

// Checks that the grid alone, drawn in `image` at `ratio` device pixels a pixel, is ruled
// evenly: every day line and every level line of one kind (major or minor) as many device
// pixels wide as the others, each within a device pixel of where its twips put it. Prints
// the widths it read.
void ExpectEvenRuling(const QImage &image, qreal ratio);

// Creates the QApplication on the offscreen platform unless told otherwise (the build
// lists the tests headless too) and runs every test. A test that needs a real screen and
// finds no display fails at once, saying so.
int RunWindowTests(int argc, char **argv);

} // namespace bbt::windowtest
