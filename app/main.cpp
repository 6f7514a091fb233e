#include "window/form1.h"

#include <QApplication>

#include <cstdio>

namespace {

// Without any of these Qt cannot open a window and would abort with a core dump.
bool DisplayIsSet()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char *argv[])
{
    if (!DisplayIsSet()) {
        std::fputs("bbtchart: no display: set DISPLAY or WAYLAND_DISPLAY, or start it from a desktop session\n",
                   stderr);
        return 1;
    }
    QApplication application(argc, argv);
    bbt::Form1 window(bbt::UserNumberLocale());
    window.show();
    return application.exec();
}
