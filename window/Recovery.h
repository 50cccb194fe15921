#pragma once

#include <QObject>
#include <QString>

#include "finish/UnfinishedRun.h"

class QWidget;

// The question a start asks when "data.txt" holds the picks of a run that never reached "Finish",
// before anything is emptied or written: finish that run (after asking its outcome count), start a
// new run, which empties the log, or quit and leave every file as it was. It says how many picks
// the log holds and when it was last written. A log that cannot be read as a run's picks is named
// as such, and only the last two are offered; a new run then keeps it under a new name. Return,
// Escape or a close of the question quits. The count offered first covers every item the log
// holds; one that would leave picks of items 1 and up uncounted needs a yes of its own. From the
// question on, a held key answers one dialog at most (HeldKeyFilter).
class Recovery : public QObject {
    Q_OBJECT

public:
    Recovery(QWidget* window, UnfinishedRun run);

    // Opens the question over the window, without waiting for the answer.
    void Ask();

signals:
    void FinishThatRun(const QString& outcomes);
    void StartNewRun();
    void Quit();

private:
    void AskOutcomes(const QString& typed);
    void ConfirmLeftOut(const QString& outcomes, int left);
    int Highest() const;

    QWidget* window_;
    UnfinishedRun run_;
};
