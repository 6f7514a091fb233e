#pragma once

#include "testfacts.h"
#include "window/form1.h"

#include <QImage>
#include <QMessageBox>
#include <QRect>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

// Helpers for driving the window as a user does, on Qt's offscreen platform.
namespace bbt::windowtest {

using namespace bbt::facts;

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
template <typename Control>
Control *Find(const Form1 &form, const char *name)
{
    auto *control = form.findChild<Control *>(QString::fromLatin1(name));
    if (!control)
        throw std::runtime_error(std::string("no control named ") + name + " of the kind asked for");
    return control;
}

void Click(const Form1 &form, const char *button);
// The window's pixels as the screen shows them once the events so far are handled: on a
// real X server what the server holds, not a fresh rendering of the window.
QImage Shown(QWidget &window);
// The bounds of the pixels in `area` of `image` that `is` picks.
template <typename Picks>
QRect BoundsIn(const QImage &image, QRect area, Picks is)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.valid(x, y) && is(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}
// Ink: a pixel dark in every channel, as black text is and a light theme's text is not.
inline bool IsInk(QRgb pixel)
{
    return qRed(pixel) < 96 && qGreen(pixel) < 96 && qBlue(pixel) < 96;
}
// Where `control` sits in the window, in twips.
inline QRect Twips(const Control &control)
{
    return QRect(control.left, control.top, control.width, control.height);
}
inline bool ColumnHas(const QImage &image, int column, QRgb colour)
{
    return BoundsIn(image, QRect(column, 0, 1, image.height()), [colour](QRgb pixel) { return pixel == colour; })
        .isValid();
}
// The sample month as the text box shows it, lines ending in line feeds.
QString SampleAsShown();

// Checks that the grid alone, drawn in `image` at `ratio` device pixels a pixel, is ruled
// evenly: every day line and every level line of one kind (major or minor) as many device
// pixels wide as the others, each within a device pixel of where its twips put it. Prints
// the widths it read.
void ExpectEvenRuling(const QImage &image, qreal ratio);

// Creates the QApplication on the offscreen platform unless told otherwise (the build
// lists the tests headless too) and runs every test. Tests on xcb, which need a real screen,
// get an X server of their own for the run, and fail at once, saying why, where none starts.
// The window tests' one main() calls it (windowtest_main.cpp).
int RunWindowTests(int argc, char **argv);

} // namespace bbt::windowtest
