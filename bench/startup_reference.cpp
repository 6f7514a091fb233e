#include <QApplication>
#include <QMessageBox>

// The least a Qt program does before its first message box: the yardstick for how quickly
// the chart window reaches its start-up message.
int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("基礎体温表"), QStringLiteral("reference"), QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? 0 : 1;
}
