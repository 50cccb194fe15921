#include "window/Notices.h"

#include <QGuiApplication>

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

QMessageBox* NewMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                           QMessageBox::StandardButtons buttons) {
    auto* box = new QMessageBox(icon, Title(), text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

void ShowNotice(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    NewMessageBox(parent, icon, text)->open();
}

void ReportFailure(QWidget* parent, const Failure& failure) {
    const QString kind = QString::fromUtf8(FailureKindName(failure.kind()));
    const QString what = QString::fromLocal8Bit(failure.what());
    PrintFailure(failure);
    if (HasScreen()) {
        NewMessageBox(parent, QMessageBox::Critical,
                      QObject::tr("%1: %2\n\nKelpov cannot go on and will close.").arg(kind, what))
            ->exec();
    }
}
