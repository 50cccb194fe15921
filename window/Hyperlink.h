#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>
#include <QUrl>

#include "window/KeyRepeat.h"

// A link: a caption drawn in its own font and colours that opens its target when clicked or
// activated from the keyboard (Space, Return or Enter), once per press however long the key is
// held. A target with a scheme, such as "https://...", opens as a URL; an absolute path as a local
// file. Any other target names a file that no other program could be told how to find: activating
// it says so instead. Screen readers meet it as a link, named by its caption and described by its
// target.
class Hyperlink : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString LinkTarget READ LinkTarget WRITE SetLinkTarget)

public:
    Hyperlink(const QString& caption, const QColor& foreground, const QColor& background,
              QWidget* parent = nullptr);

    QString LinkTarget() const { return target_; }
    void SetLinkTarget(const QString& target);

    // The URL that activating the link opens; empty when the target cannot be opened.
    QUrl TargetUrl() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Open();

    QString target_;
    KeyRepeat repeat_;
};
