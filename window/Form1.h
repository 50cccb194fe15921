#pragma once

#include <QTimer>
#include <QWidget>

#include "picker/Picker.h"

class Hyperlink;
class QLabel;
class QLineEdit;
class QPushButton;

// The program's one window. It owns the run's Picker and calls it from its handlers: creating it
// opens the data log, moving the mouse over its surface draws, "Submit" starts the beats, each beat
// records, and "Finish" writes the results and shows links to the files. Which controls are
// visible, and whether the timer runs, is the window's whole state:
//   Setup     the settings and "Submit"
//   Picking   "Finish"
//   Finished  the three file links
// with the credit link always shown.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

    // Whether a handler met a failure. It has been reported, and nothing runs any more.
    bool HasFailed() const { return failed_; }

    // The run's state, for reading.
    const Picker& Engine() const { return picker_; }

signals:
    // A handler met a failure and reported it; the program must end with exit status 1.
    void Failed();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Load();
    void Submit();
    void Beat();
    void FinishRun();

    // Runs one handler's steps; a failure stops them, is reported, and ends the program.
    template <class Steps>
    void Handle(Steps steps) noexcept;

    // Refuses a setting: the message names it, its text and what is accepted; focus goes back to
    // its box.
    void Refuse(QLineEdit* setting, const QString& message);

    bool IsSetup() const;

    Picker picker_;
    bool failed_ = false;

    QLineEdit* Text1;
    QPushButton* Command1;
    QLabel* Label1;
    QLineEdit* Text2;
    QPushButton* Command2;
    QLabel* Label2;
    QLineEdit* Text3;
    Hyperlink* Hyperlink1;
    Hyperlink* Hyperlink2;
    Hyperlink* Hyperlink3;
    Hyperlink* Hyperlink4;
    QTimer* Timer1;
};
