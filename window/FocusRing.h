#pragma once

#include <QFocusFrame>

// A ring around whichever control of a window has the keyboard focus, drawn just outside it in
// black and white. The style's own focus mark is drawn in the highlight colour, which is also the
// colour of the window's surface; the ring shows on every background the window has: that
// surface, the black link bars and the white credit link.
class FocusRing : public QFocusFrame {
    Q_OBJECT

public:
    explicit FocusRing(QWidget* window);

protected:
    void paintEvent(QPaintEvent* event) override;
};
