#include "window/Hyperlink.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QUrl>

#include "window/Notices.h"

Hyperlink::Hyperlink(const QString& caption, const QColor& foreground, const QColor& background,
                     QWidget* parent)
    : QAbstractButton(parent) {
    setText(caption);
    QPalette colours = palette();
    colours.setColor(QPalette::ButtonText, foreground);
    colours.setColor(QPalette::Button, background);
    setPalette(colours);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &Hyperlink::Open);
}

QUrl Hyperlink::TargetUrl() const {
    QUrl url(target_);
    // One-letter schemes are drive letters of Windows paths.
    if (url.scheme().size() > 1) {
        return url;
    }
    return QUrl::fromLocalFile(target_);
}

void Hyperlink::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = palette().color(QPalette::Button);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void Hyperlink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void Hyperlink::Open() {
    if (target_.isEmpty()) {
        return;
    }
    if (!QDesktopServices::openUrl(TargetUrl())) {
        ShowNotice(window(), QMessageBox::Warning, tr("Kelpov could not open %1.").arg(target_));
    }
}
