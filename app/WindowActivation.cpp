#include "app/WindowActivation.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <cstring>

namespace {

void RaiseAndActivate(QWidget* window) {
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        dialog->raise();
        dialog->activateWindow();
    } else {
        window->activateWindow();
    }
}

constexpr const char* TimeProperty = "_KELPOV_ACTIVATION_TIME";

}  // namespace

// Qt asks for the activation with the time of the last X event it saw, which is older than the
// user's last click in another program: a window manager that guards the focus against theft may
// refuse it for that, and without a window manager the server ignores it. So a property of the
// window is touched first: the server answers with an event that carries its present time, which
// Qt takes as its own, and the activation follows once Qt has seen that event.
struct WindowActivation::OnX11 {
    xcb_connection_t* connection;
    xcb_intern_atom_cookie_t asked;
    xcb_atom_t property = XCB_ATOM_NONE;
    bool awaited = false;  // the event that follows a touch of the property
};

WindowActivation::WindowActivation(QWidget* window) : window_(window) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        // The property's name is asked now, and its answer taken at the first activation.
        x11_.reset(new OnX11{
            x11->connection(),
            xcb_intern_atom(x11->connection(), 0, static_cast<uint16_t>(std::strlen(TimeProperty)),
                            TimeProperty)});
        qApp->installNativeEventFilter(this);
    }
}

WindowActivation::~WindowActivation() {
    if (x11_ && x11_->property == XCB_ATOM_NONE) {
        xcb_discard_reply(x11_->connection, x11_->asked.sequence);
    }
}

void WindowActivation::Activate(const QByteArray& waylandToken) {
    if (x11_) {
        if (x11_->property == XCB_ATOM_NONE) {
            xcb_intern_atom_reply_t* reply =
                xcb_intern_atom_reply(x11_->connection, x11_->asked, nullptr);
            if (reply == nullptr) {
                RaiseAndActivate(window_);
                return;
            }
            x11_->property = reply->atom;
            std::free(reply);
        }
        // Appending nothing changes nothing but the time of the property's last change.
        xcb_change_property(x11_->connection, XCB_PROP_MODE_APPEND,
                            static_cast<xcb_window_t>(window_->winId()), x11_->property,
                            XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(x11_->connection);
        x11_->awaited = true;
        return;
    }
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        if (waylandToken.isEmpty()) {
            QApplication::alert(window_);
            return;
        }
        // Qt 6.4 gives the compositor a token only from this variable, read as it activates.
        qputenv("XDG_ACTIVATION_TOKEN", waylandToken);
        RaiseAndActivate(window_);
        qunsetenv("XDG_ACTIVATION_TOKEN");
        return;
    }
    RaiseAndActivate(window_);
}

bool WindowActivation::nativeEventFilter(const QByteArray& /*type*/, void* message,
                                         qintptr* /*result*/) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if (!x11_->awaited || (event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) {
        return false;
    }
    const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
    if (change->atom == x11_->property && change->window == window_->winId()) {
        x11_->awaited = false;
        // Once Qt has taken the event's time.
        QMetaObject::invokeMethod(
            window_, [window = window_] { RaiseAndActivate(window); }, Qt::QueuedConnection);
    }
    return false;
}
