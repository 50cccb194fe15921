#pragma once

#include <QObject>

#include "app/WindowActivation.h"

class QLocalServer;
class QLocalSocket;
class QWidget;

// One window per folder. A Kelpov that holds its folder answers on a local socket named after the
// folder's device and inode, in a folder only its user may enter: the user's runtime folder
// (XDG_RUNTIME_DIR) or, where that is unset, a folder of the user's own under the temporary
// folder. A second Kelpov of the same user started in that folder asks it to raise its window
// instead of reporting the folder in use, and ends with nothing touched.
//
// The one request a peer can make is that raise: any other bytes, a peer of another user, or one
// that does not finish its request within a second is dropped without an effect, and the window
// never waits for a peer.
class SingleWindow : public QObject {
    Q_OBJECT

public:
    // Answers for window from now until it goes away. Where the socket cannot be made, nothing
    // answers, and a second Kelpov reports the folder in use as before.
    explicit SingleWindow(QWidget* window);
    ~SingleWindow() override;

    // Asks the Kelpov of this user that holds the current folder to raise its window, passing on
    // the compositor's activation token this launch was given, if any; whether it did within a
    // second. Called before any window of this Kelpov exists.
    static bool RaiseRunningKelpov();

private:
    void Welcome();
    void Answer(QLocalSocket* peer);

    WindowActivation activation_;
    QLocalServer* server_ = nullptr;
};
