#pragma once

#include <QObject>
#include <QString>

#include "finish/UnfinishedRun.h"

class QDialog;
class QWidget;

// The question a start asks when "data.txt" holds the picks of a run that never reached "Finish",
// before anything is emptied or written: finish that run (after asking its outcome count), start a
// new run, which empties the log, or quit and leave every file as it was. It says how many picks
// the log holds and when it was last written. A log that cannot be read as a run's picks is named
// as such, and only the last two are offered; a new run then keeps it under a new name. Return,
// Escape or a close of the question quits. The count offered first covers every item the log
// holds; one that would leave picks of items 1 and up uncounted needs a yes of its own. From the
// question on, a held key answers one dialog at most (HeldKeyFilter), until the first new press
// after the answer.
class Recovery : public QObject {
    Q_OBJECT

public:
    // Opens the question once the window is shown, centred over it, without waiting for the
    // answer: only then does it have its place on the screen.
    Recovery(QWidget* window, UnfinishedRun run);

signals:
    void FinishThatRun(const QString& outcomes);
    void StartNewRun();
    void Quit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Ask();
    void Open(QDialog* dialog) const;
    void AskOutcomes(const QString& typed);
    void ConfirmLeftOut(const QString& outcomes, int left);
    int Highest() const;

    QWidget* window_;
    UnfinishedRun run_;
};
