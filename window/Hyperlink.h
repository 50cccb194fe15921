#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>

// A link: a caption drawn in its own font and colours that opens its target when clicked or
// activated from the keyboard (Space, Return or Enter). A target with a scheme, such as
// "https://...", opens as a URL; anything else is a local file path.
class Hyperlink : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString LinkTarget READ LinkTarget WRITE SetLinkTarget)

public:
    Hyperlink(const QString& caption, const QColor& foreground, const QColor& background,
              QWidget* parent = nullptr);

    QString LinkTarget() const { return target_; }
    void SetLinkTarget(const QString& target) { target_ = target; }

    // The URL that activating the link opens.
    QUrl TargetUrl() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Open();

    QString target_;
};
