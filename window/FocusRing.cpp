#include "window/FocusRing.h"

#include <QApplication>
#include <QPainter>

FocusRing::FocusRing(QWidget* window) : QFocusFrame(window) {
    hide();  // until a control has the focus
    connect(qApp, &QApplication::focusChanged, this, [this, window](QWidget*, QWidget* now) {
        setWidget(now != nullptr && now->window() == window ? now : nullptr);
    });
}

void FocusRing::paintEvent(QPaintEvent* /*event*/) {
    // The style masks the frame down to a ring two pixels wide around the control.
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}
