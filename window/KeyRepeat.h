#pragma once

#include <QtGlobal>

class QKeyEvent;

// Tells the repeats of a held key from new presses, for a control that acts once per press. X11
// sends each repeat as a release and a press at the same moment, and Qt flags the pair only if the
// press has already arrived when it handles the release; when it has not, the press looks new. So
// a press at the very moment of the same key's last release is a repeat too (events that carry no
// time carry 0).
class KeyRepeat {
public:
    bool IsRepeat(const QKeyEvent* press) const;

    // To be told of every release the control receives.
    void Released(const QKeyEvent* release);

private:
    int key_ = 0;  // the last key released, and when
    quint64 at_ = 0;
};
