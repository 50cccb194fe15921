#include "window/Notices.h"

#include <QGuiApplication>

#include <cstdio>

#include "common/Failure.h"

namespace {

QString Title() {
    return QGuiApplication::applicationDisplayName();
}

bool HasScreen() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace

void ShowNotice(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    auto* box = new QMessageBox(icon, Title(), text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void ReportFailure(QWidget* parent, const Failure& failure) {
    const QString kind = QString::fromUtf8(FailureKindName(failure.kind()));
    const QString what = QString::fromLocal8Bit(failure.what());
    std::fprintf(stderr, "kelpov: %s: %s\n", qPrintable(kind), qPrintable(what));
    if (HasScreen()) {
        QMessageBox::critical(
            parent, Title(),
            QObject::tr("%1: %2\n\nKelpov cannot go on and will close.").arg(kind, what));
    }
}
