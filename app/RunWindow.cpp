#include "app/RunWindow.h"

#include <QApplication>
#include <QIcon>

#include "app/CommandLine.h"
#include "app/SingleWindow.h"
#include "app/WaylandQuirks.h"
#include "app/WindowSystem.h"
#include "common/Failure.h"
#include "window/Form1.h"
#include "window/Notices.h"

int RunWindow(int& argc, char* argv[], const CommandLine& commandLine) {
    std::unique_ptr<QApplication> app =
        ConnectToWindowSystem(argc, argv, commandLine.QtOption(QStringLiteral("platform")),
                              commandLine.QtOption(QStringLiteral("display")));
    if (!app) {
        return 1;
    }
    QApplication::setApplicationName(QStringLiteral("kelpov"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kelpov1.0"));
    // The desktop entry, org.example.kelpov.desktop, by which a Wayland compositor finds the icon.
    QApplication::setDesktopFileName(QStringLiteral("org.example.kelpov"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kelpov.png")));
    LetCompositorSizeWindows(*app);

    if (commandLine.InHomeFolder()) {
        try {
            EnterHomeFolder();
        } catch (...) {
            ReportFailure(nullptr, CurrentFailure());
            return LeaveWindowSystem(std::move(app), 1);
        }
    }
    if (SingleWindow::RaiseRunningKelpov()) {
        return LeaveWindowSystem(std::move(app), 0);  // its window is raised; nothing is touched
    }
    int status = 1;  // opening the data log failed, and the failure has been reported
    {
        Form1 form;
        if (!form.HasFailed()) {
            const SingleWindow answering(&form);
            QObject::connect(&form, &Form1::Failed, app.get(), [] { QCoreApplication::exit(1); });
            form.show();
            status = QApplication::exec();
        }
    }  // the window is gone: "data.txt" is closed, and the folder is let go
    return LeaveWindowSystem(std::move(app), status);
}
