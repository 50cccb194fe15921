#include "window/KeyRepeat.h"

#include <QKeyEvent>

bool KeyRepeat::IsRepeat(const QKeyEvent* press) const {
    return press->isAutoRepeat() ||
           (press->timestamp() != 0 && press->key() == key_ && press->timestamp() == at_);
}

void KeyRepeat::Released(const QKeyEvent* release) {
    key_ = release->key();
    at_ = release->timestamp();
}
