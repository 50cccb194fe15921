#include "window/Hyperlink.h"

#include <QAccessibleWidget>
#include <QDesktopServices>
#include <QDir>
#include <QKeyEvent>
#include <QPainter>

#include "window/Notices.h"

namespace {

// What a screen reader is told of a link: the link role, the caption as its name, the target as
// its description, and a press action.
class HyperlinkAccessible : public QAccessibleWidget {
public:
    explicit HyperlinkAccessible(Hyperlink* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override {
        const auto* link = static_cast<const Hyperlink*>(widget());
        switch (kind) {
            case QAccessible::Name:
                return link->text();
            case QAccessible::Description:
                return link->LinkTarget();
            default:
                return QAccessibleWidget::text(kind);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.linked = true;
        return state;
    }

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << pressAction();
    }

    void doAction(const QString& action) override {
        if (action == pressAction()) {
            static_cast<Hyperlink*>(widget())->click();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }
};

QAccessibleInterface* AccessibleLink(const QString& className, QObject* object) {
    auto* link = qobject_cast<Hyperlink*>(object);
    return className == QLatin1String("Hyperlink") && link != nullptr
               ? new HyperlinkAccessible(link)
               : nullptr;
}

}  // namespace

Hyperlink::Hyperlink(const QString& caption, const QColor& foreground, const QColor& background,
                     QWidget* parent)
    : QAbstractButton(parent) {
    [[maybe_unused]] static const bool accessible =
        (QAccessible::installFactory(AccessibleLink), true);
    setText(caption);
    QPalette colours = palette();
    colours.setColor(QPalette::ButtonText, foreground);
    colours.setColor(QPalette::Button, background);
    setPalette(colours);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &Hyperlink::Open);
}

void Hyperlink::SetLinkTarget(const QString& target) {
    target_ = target;
    QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

QUrl Hyperlink::TargetUrl() const {
    QUrl url(target_);
    // One-letter schemes are drive letters of Windows paths.
    if (url.scheme().size() > 1) {
        return url;
    }
    // Another program would resolve a relative path against its own folder.
    return QDir::isAbsolutePath(target_) ? QUrl::fromLocalFile(target_) : QUrl();
}

void Hyperlink::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

void Hyperlink::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        // One opening per press: each repeat would start another viewer.
        if (repeat_.IsRepeat(event)) {
            event->accept();
            return;
        }
        if (key != Qt::Key_Space) {
            click();
            return;
        }
    }
    QAbstractButton::keyPressEvent(event);
}

void Hyperlink::keyReleaseEvent(QKeyEvent* event) {
    repeat_.Released(event);
    QAbstractButton::keyReleaseEvent(event);
}

void Hyperlink::Open() {
    if (target_.isEmpty()) {
        return;
    }
    const QUrl url = TargetUrl();
    if (url.isEmpty()) {
        ShowNotice(window(), QMessageBox::Warning,
                   tr("Kelpov cannot open %1: the path of its folder is too long or is not valid "
                      "text, so no other program can be told where it is.")
                       .arg(target_));
    } else if (!QDesktopServices::openUrl(url)) {
        ShowNotice(window(), QMessageBox::Warning, tr("Kelpov could not open %1.").arg(target_));
    }
}
