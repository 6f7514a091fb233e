#include "app/displaycheck.h"
#include "window/form1.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    bbt::DisplayCheck display;
    if (const auto &reason = display.WhyNoDisplay()) {
        std::fprintf(stderr, "bbtchart: no display: %s\n", reason->c_str());
        return 1;
    }
    QApplication application(argc, argv);
    display.Close(); // Qt has a connection of its own now
    // Wayland compositors find the window's menu entry, and with it its icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.bbtchart"));
    bbt::Form1 window(bbt::UserNumberLocale());
    window.show();
    return application.exec();
}
