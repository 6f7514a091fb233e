#include "app/displaycheck.h"
#include "window/form1.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (const auto reason = bbt::WhyNoDisplay()) {
        std::fprintf(stderr, "bbtchart: no display: %s\n", reason->c_str());
        return 1;
    }
    QApplication application(argc, argv);
    bbt::Form1 window(bbt::UserNumberLocale());
    window.show();
    return application.exec();
}
