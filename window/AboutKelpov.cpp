#include "window/AboutKelpov.h"

#include <QMessageBox>

#include "window/Notices.h"

void ShowAboutKelpov(QWidget* window) {
    QMessageBox* about = NewMessageBox(
        window, QMessageBox::Information,
        QObject::tr(
            "Kelpov draws random numbers by hand and tells whether they came out fair. Say how "
            "many outcomes there are and a beat in milliseconds, then press \"Submit\": each "
            "movement of the mouse over the window draws a new item, and each beat records the "
            "current one in data.txt. \"Finish\" counts how often each item came up, writes "
            "results.txt and sorted_results.txt, and shows the results.\n\n"
            "Keys:\n"
            "Tab, Shift+Tab: move between the controls\n"
            "Return, Enter, Space: press the focused button or open the focused link\n"
            "Arrow keys: draw while picking\n"
            "Ctrl+C: copy the results after \"Finish\"\n"
            "Ctrl+Q: quit, as closing the window does\n"
            "F1: this help\n\n"
            "Kelpov %1, under the MIT licence.\n"
            "The manual: the manual page (man kelpov) and, where Kelpov was installed from its "
            "package, the folder /usr/share/doc/kelpov.")
            .arg(QStringLiteral(KELPOV_VERSION)));
    about->setWindowTitle(QObject::tr("About Kelpov"));
    about->open();
}
