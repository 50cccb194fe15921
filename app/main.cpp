#include <QApplication>
#include <QIcon>

#include <csignal>

#include "app/CommandLine.h"
#include "app/SingleWindow.h"
#include "app/WaylandQuirks.h"
#include "app/WindowSystem.h"
#include "common/Conversions.h"
#include "common/Failure.h"
#include "common/StandardFiles.h"
#include "window/Form1.h"
#include "window/Notices.h"

int main(int argc, char* argv[]) {
    // Before any file is opened: none may take the number of a closed stdout or stderr.
    const ClosedStandardFiles closed = FillClosedStandardFiles();
    // A FIFO whose reader has gone fails the write (EPIPE), which is reported as a file failure,
    // instead of killing Kelpov without a word.
    std::signal(SIGPIPE, SIG_IGN);
    // Where the user's locale writes "5,6", so may the settings and --finish: decided here, before
    // any thread starts, for every stage of the run.
    ReadDecimalComma(LocaleWritesDecimalComma());
    const CommandLine commandLine(argc, argv);
    if (!commandLine.WantsWindow()) {
        return commandLine.RunWithoutWindow(closed.output);
    }
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
