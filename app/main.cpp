#include "window/form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    bbt::Form1 window(bbt::UserNumberLocale());
    window.show();
    return application.exec();
}
