#include "window/AccessibleRoles.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QList>

namespace {

// The dynamic property that marks a control, and its values.
const char* const MarkProperty = "kelpovAccessible";
enum Marked { Status = 1, LeftOut = 2, Chart = 3 };

int MarkOf(const QObject* object) {
    return object->property(MarkProperty).toInt();
}

class StatusInterface : public QAccessibleWidget {
public:
    explicit StatusInterface(QLabel* label) : QAccessibleWidget(label, QAccessible::StatusBar) {}

    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name ? static_cast<QLabel*>(widget())->text()
                                         : QAccessibleWidget::text(kind);
    }
};

// An interface that is never valid: events about the control are dropped before they reach the
// platform, and no screen reader can ask for it.
class LeftOutInterface : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;
    bool isValid() const override { return false; }
};

// A control with a left-out child, listing the others only.
class ParentInterface : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return static_cast<int>(Listed().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QAccessibleInterface*> listed = Listed();
        return index >= 0 && index < listed.size() ? listed[index] : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return static_cast<int>(Listed().indexOf(const_cast<QAccessibleInterface*>(child)));
    }

private:
    QList<QAccessibleInterface*> Listed() const {
        QList<QAccessibleInterface*> listed;
        for (int k = 0; k < QAccessibleWidget::childCount(); ++k) {
            QAccessibleInterface* child = QAccessibleWidget::child(k);
            if (child != nullptr && MarkOf(child->object()) != LeftOut) {
                listed << child;
            }
        }
        return listed;
    }
};

QAccessibleInterface* Interface(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    // Asked for each class from the most derived up: answered for the first.
    if (widget == nullptr || className != QLatin1String(object->metaObject()->className())) {
        return nullptr;
    }
    switch (MarkOf(object)) {
        case Status:
            return new StatusInterface(static_cast<QLabel*>(widget));
        case LeftOut:
            return new LeftOutInterface(widget);
        case Chart:
            return new QAccessibleWidget(widget, QAccessible::Chart);
        default:
            break;
    }
    for (const QObject* child : object->children()) {
        if (MarkOf(child) == LeftOut) {
            return new ParentInterface(widget);
        }
    }
    return nullptr;
}

void Mark(QWidget* control, Marked mark) {
    [[maybe_unused]] static const bool installed = (QAccessible::installFactory(Interface), true);
    control->setProperty(MarkProperty, mark);
}

}  // namespace

void ShowAsStatus(QLabel* label) {
    Mark(label, Status);
}

void ShowAsChart(QWidget* view) {
    Mark(view, Chart);
}

void LeaveOut(QWidget* control) {
    Mark(control, LeftOut);
}
