#include "app/WindowSystem.h"

#include <QRegularExpression>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

// A message of Qt's, held back while the windowing system starts.
struct HeldMessage {
    QtMsgType type;
    QByteArray file;
    int line;
    QByteArray function;
    QByteArray category;
    QString text;
};

// What the message handler knows; it is a plain function, so this lives for the whole program.
struct Attempt {
    std::recursive_mutex mutex;
    std::vector<HeldMessage> held;
    QString display;  // the -display option
} attempt;

// Why one platform plugin that Qt tried could not give a window: found tells whether Qt found it.
QString Reason(const QString& plugin, bool found) {
    if (plugin == QLatin1String("xcb")) {
        const QString display =
            attempt.display.isEmpty() ? qEnvironmentVariable("DISPLAY") : attempt.display;
        if (!found) {
            return QStringLiteral("no Qt plugin for X displays (xcb)");
        }
        return display.isEmpty()
                   ? QStringLiteral("no X display, as DISPLAY is not set")
                   : QStringLiteral("no connection to the X display \"%1\"").arg(display);
    }
    if (plugin.startsWith(QLatin1String("wayland"))) {
        const QString display =
            qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
        return (found ? QStringLiteral("no connection to the Wayland display \"%1\"")
                      : QStringLiteral("no Qt plugin for the Wayland display \"%1\""))
            .arg(display);
    }
    return (found ? QStringLiteral("the Qt platform \"%1\" could not start")
                  : QStringLiteral("no Qt platform plugin \"%1\""))
        .arg(plugin);
}

// The one line that says so: Qt's warnings name each plugin it tried, in order.
QString Complaint() {
    static const QRegularExpression tried(
        QStringLiteral(R"re(Could not (find|load) the Qt platform plugin "([^"]*)")re"));
    QStringList reasons;
    for (const HeldMessage& message : attempt.held) {
        const QRegularExpressionMatch match = tried.match(message.text);
        if (match.hasMatch()) {
            reasons << Reason(match.captured(2), match.captured(1) == QLatin1String("load"));
        }
    }
    if (reasons.isEmpty()) {
        reasons << QStringLiteral(
                       "the windowing system did not start (DISPLAY \"%1\", "
                       "WAYLAND_DISPLAY \"%2\")")
                       .arg(qEnvironmentVariable("DISPLAY"),
                            qEnvironmentVariable("WAYLAND_DISPLAY"));
    }
    return QStringLiteral("kelpov: cannot open a window: %1\n")
        .arg(reasons.join(QStringLiteral("; ")));
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const std::lock_guard<std::recursive_mutex> lock(attempt.mutex);
    if (type == QtFatalMsg) {
        // Qt's next step would be abort(); nothing has been opened yet that needs closing.
        std::fputs(qPrintable(Complaint()), stderr);
        std::_Exit(1);
    }
    attempt.held.push_back(
        {type, context.file, context.line, context.function, context.category, text});
}

}  // namespace

std::unique_ptr<QApplication> ConnectToWindowSystem(int& argc, char* argv[],
                                                    const QString& platform,
                                                    const QString& display) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Needs no connection: nothing names a display or a platform to try.
    if (platform.isEmpty() && display.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs(
            "kelpov: needs a graphical session, and neither DISPLAY nor WAYLAND_DISPLAY is set\n",
            stderr);
        return nullptr;
    }
#endif
    attempt.display = display;
    const QtMessageHandler previous = qInstallMessageHandler(HoldMessage);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    // It started: what Qt had to say goes out as usual.
    const std::lock_guard<std::recursive_mutex> lock(attempt.mutex);
    for (const HeldMessage& message : attempt.held) {
        const QMessageLogContext context(message.file.constData(), message.line,
                                         message.function.constData(),
                                         message.category.constData());
        previous(message.type, context, message.text);
    }
    attempt.held.clear();
    return app;
}
