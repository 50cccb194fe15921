#include <QApplication>
#include <QIcon>

#include <cstdio>

#include "window/Form1.h"

int main(int argc, char* argv[]) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Without a display Qt would abort with a core dump.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs(
            "kelpov: needs a graphical session, and neither DISPLAY nor WAYLAND_DISPLAY is set\n",
            stderr);
        return 1;
    }
#endif
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
