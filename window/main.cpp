#include <QApplication>
#include <QIcon>

#include "window/Form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelpov"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kelpov1.0"));
    QApplication::setDesktopFileName(QStringLiteral("kelpov"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kelpov.png")));

    Form1 form;
    if (form.HasFailed()) {
        return 1;  // opening the data log failed, and the failure has been reported
    }
    QObject::connect(&form, &Form1::Failed, &app, [] { QCoreApplication::exit(1); });
    form.show();
    return QApplication::exec();
}
