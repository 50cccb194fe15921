#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <string>

#include "picker/Picker.h"

class Hyperlink;
class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;
class ResultsView;

// The program's one window. It owns the run's Picker and calls it from its handlers: creating it
// takes the folder and opens the data log, once any unfinished run found there has been offered
// back (Recovery), moving the mouse over its surface (or, while picking, an arrow key) draws,
// "Submit" starts the beats, each beat records, and "Finish" writes the results and shows links to
// the files and the results view. Which controls are visible, and whether the timer runs, is the
// window's whole state:
//   Setup     the settings and "Submit"
//   Picking   "Finish" and the count of picks recorded
//   Finished  the three file links and the results view
// with the credit link always shown. The window can grow beyond the size its controls were laid
// out for, never shrink below it; the controls keep their places, and the results view grows. A
// close while picking asks first whether to finish. Ctrl+Q closes, F1 opens "About Kelpov".
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
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Load();
    void StartRun();
    void DrawFromSurface();
    void Submit();
    void Beat();
    void ShowPickCount();
    void StopBeats();
    void FinishRun();
    void FinishEarlierRun(const QString& outcomes);
    // cutOffLine: a last line of "data.txt" that the results leave out, cut off before its end.
    void ShowResults(const std::string& outcomes, std::optional<int> cutOffLine = {});
    void JudgeFairnessLater(const std::string& outcomes);
    void AskBeforeClosing();
    void CloseWithoutResults();

    // Runs one handler's steps; a failure stops them, is reported, and ends the program.
    template <class Steps>
    void Handle(Steps steps) noexcept;

    // Refuses a setting: the message names it, its text and what is accepted; focus goes back to
    // its box.
    void Refuse(QLineEdit* setting, const QString& message);

    bool IsSetup() const;
    bool IsPicking() const;

    Picker picker_;
    bool failed_ = false;
    bool closeWithoutResults_ = false;
    QPointer<QMessageBox> closeQuestion_;

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
    QLabel* Label3;  // the picks recorded so far, while picking
    QTimer* Timer2;  // updates it, at most ten times a second however fast the beats come
    ResultsView* ResultsView1;
};
