#pragma once

#include <QObject>

#include "window/KeyRepeat.h"

// Keeps a held key from answering more than one dialog. Installed on the application, it sees
// every key release of the program and drops each press of Return, Enter, Escape or Space that
// KeyRepeat calls a repeat, whichever window it is meant for: a dialog closed by the first press
// opens the next, and the repeat's release may reach the one that is closing while its press goes
// to the one that opens, so no dialog of its own could tell.
class HeldKeyFilter : public QObject {
public:
    // Filters the application's events for as long as it lives.
    explicit HeldKeyFilter(QObject* parent);

    // Once the last dialog is answered: the key that answered it is still kept from the next
    // window, and the first new press of any key ends the filter, so that held keys repeat again.
    void Retire();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyRepeat repeat_;
    bool retired_ = false;
};
