#include "window/HeldKeyFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>

HeldKeyFilter::HeldKeyFilter(QObject* parent) : QObject(parent) {
    QCoreApplication::instance()->installEventFilter(this);
}

bool HeldKeyFilter::eventFilter(QObject* /*watched*/, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        repeat_.Released(static_cast<const QKeyEvent*>(event));
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const bool repeat = repeat_.IsRepeat(key);
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Escape:
            case Qt::Key_Space:
                if (repeat) {
                    return true;
                }
                break;
            default:
                break;
        }
        if (retired_ && !repeat) {
            deleteLater();
        }
    }
    return false;
}

void HeldKeyFilter::Retire() {
    retired_ = true;
}
