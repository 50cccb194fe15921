#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>

#include <memory>

class QWidget;

// Brings a window, and the dialog open over it if any, to the front with the input focus, as far
// as the windowing system lets a program the user is not working in:
// - on X11 with a timestamp fresh from the server, so that the window manager (or the server
//   itself, where none runs) takes the request as new, not as one older than the user's last
//   click elsewhere;
// - on Wayland only with an activation token the compositor gave the launch that asked
//   (XDG_ACTIVATION_TOKEN); without one it asks for attention instead, which Qt 6.4's Wayland
//   platform cannot show: the window then stays where it is.
class WindowActivation : public QAbstractNativeEventFilter {
public:
    explicit WindowActivation(QWidget* window);
    ~WindowActivation() override;

    void Activate(const QByteArray& waylandToken);

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    struct OnX11;

    QWidget* window_;
    std::unique_ptr<OnX11> x11_;  // only on X11
};
