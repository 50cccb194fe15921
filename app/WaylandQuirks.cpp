#include "app/WaylandQuirks.h"

#include <QEvent>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// A window the compositor may maximize: not a menu, a tooltip or a child.
bool IsMaximizable(const QObject* object) {
    if (!object->isWidgetType()) {
        return false;
    }
    const Qt::WindowType type = static_cast<const QWidget*>(object)->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

// Lifts a window's maximum once the event at hand has been handled: a message box fixes its size as
// it shows, and again at each layout request and each change of font or style.
class LiftsMaximums : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::Show:
            case QEvent::LayoutRequest:
            case QEvent::FontChange:
            case QEvent::StyleChange:
                if (IsMaximizable(watched)) {
                    auto* window = static_cast<QWidget*>(watched);
                    QMetaObject::invokeMethod(
                        window,
                        [window] { window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX); },
                        Qt::QueuedConnection);
                }
                break;
            default:
                break;
        }
        return false;
    }
};

}  // namespace

void LetCompositorSizeWindows(QApplication& app) {
    if (OnWayland()) {
        app.installEventFilter(new LiftsMaximums(&app));
    }
}

int LeaveWindowSystem(std::unique_ptr<QApplication> app, int status) {
    if (OnWayland()) {
        // Qt 6.4 reads the Wayland connection in two threads, one for the main queue and one for
        // frame callbacks, and libwayland completes a read only once every read prepared on the
        // connection has been read or cancelled. Destroying the application stops the main
        // queue's thread first; a read that the GUI thread had just prepared for it is then left
        // neither read nor cancelled. When an event arrives before the frame thread is stopped
        // too, that thread waits in wl_display_read_events for the abandoned read for ever, and
        // the GUI thread waits for that thread: the process never ends. Nothing outside Qt can
        // reach those threads, so the application is not destroyed here; the process ends at once,
        // and the system closes the connection and frees the memory as it would have. Only Qt's
        // clean-up is skipped: Kelpov's own is done, as its window is gone, which has closed
        // "data.txt" (synced at a close) and let the folder go.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    app.reset();
    return status;
}
