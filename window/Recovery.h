#pragma once

#include <QObject>
#include <QString>

#include "finish/UnfinishedRun.h"

class QWidget;

// The question a start asks when "data.txt" holds the picks of a run that never reached "Finish",
// before anything is emptied or written: finish that run (after asking its outcome count), start a
// new run, which empties the log, or quit and leave every file as it was. A log that cannot be read
// as a run's picks is named as such, and only the last two are offered. Escape or a close of the
// question quits.
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
    void AskOutcomes();

    QWidget* window_;
    UnfinishedRun run_;
};
