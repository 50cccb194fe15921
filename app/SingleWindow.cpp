#include "app/SingleWindow.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace {

constexpr int AnswerMilliseconds = 1000;
constexpr qint64 LongestRequest = 300;
constexpr int MostPeers = 4;  // at once; more are turned away at the door
const QByteArray Raise = "raise";
const QByteArray Raised = "raised\n";

// Where the socket lives: a folder that only this user may enter, so that no other user can put a
// socket of their own in Kelpov's way. Empty when the folder is not such a one.
QString PrivateFolder() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty()) {
        folder = QStringLiteral("%1/kelpov-%2").arg(QDir::tempPath(), QString::number(::geteuid()));
        ::mkdir(QFile::encodeName(folder).constData(), 0700);  // or it is there: judged below
    }
    struct stat status {};
    if (::lstat(QFile::encodeName(folder).constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & 077) != 0) {
        return {};
    }
    return folder;
}

// The socket of the Kelpov that holds the current folder, the same by whatever path the folder was
// reached. Empty when there can be none.
QString SocketPath() {
    struct stat folder {};
    const QString privateFolder = PrivateFolder();
    if (privateFolder.isEmpty() || ::stat(".", &folder) != 0) {
        return {};
    }
    return QStringLiteral("%1/kelpov-%2-%3")
        .arg(privateFolder, QString::number(folder.st_dev, 16), QString::number(folder.st_ino, 16));
}

bool IsOwnUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                        &size) == 0 &&
           peer.uid == ::geteuid();
}

// An activation token as compositors give them: one word of printable ASCII.
bool IsToken(const QByteArray& token) {
    return !token.isEmpty() && token.size() <= 255 &&
           std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 127; });
}

// The token of a request line, "raise" or "raise TOKEN"; none when the line is anything else.
std::optional<QByteArray> TokenOf(QByteArray line) {
    if (!line.endsWith('\n')) {
        return std::nullopt;
    }
    line.chop(1);
    if (line == Raise) {
        return QByteArray();
    }
    if (line.startsWith(Raise + ' ') && IsToken(line.sliced(Raise.size() + 1))) {
        return line.sliced(Raise.size() + 1);
    }
    return std::nullopt;
}

}  // namespace

SingleWindow::SingleWindow(QWidget* window) : activation_(window) {
    const QString path = SocketPath();
    if (path.isEmpty()) {
        return;
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Only the Kelpov that holds the folder listens: a socket already there was left by one that
    // was killed.
    QLocalServer::removeServer(path);
    if (!server_->listen(path)) {
        return;
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleWindow::Welcome);
}

SingleWindow::~SingleWindow() = default;

void SingleWindow::Welcome() {
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
        peer->setParent(this);
        const qsizetype peers = findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly).size();
        if (!IsOwnUser(*peer) || peers > MostPeers) {
            peer->abort();
            peer->deleteLater();
            continue;
        }
        // Kept from growing beyond a request; one that does not come in time is dropped.
        peer->setReadBufferSize(LongestRequest);
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { Answer(peer); });
        QTimer::singleShot(AnswerMilliseconds, peer, [peer] {
            peer->abort();
            peer->deleteLater();
        });
    }
}

void SingleWindow::Answer(QLocalSocket* peer) {
    if (!peer->canReadLine()) {
        if (peer->bytesAvailable() >= LongestRequest) {
            peer->abort();
        }
        return;
    }
    const std::optional<QByteArray> token = TokenOf(peer->readLine(LongestRequest));
    if (!token) {
        peer->abort();
        return;
    }
    activation_.Activate(*token);
    peer->write(Raised);
    peer->disconnectFromServer();
}

bool SingleWindow::RaiseRunningKelpov() {
    const QString path = SocketPath();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return false;
    }
    const QDeadlineTimer deadline(AnswerMilliseconds);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())) ||
        !IsOwnUser(socket)) {
        return false;
    }
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    socket.write(Raise + (IsToken(token) ? ' ' + token : QByteArray()) + '\n');
    socket.flush();
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < Raised.size() &&
           socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
        answer += socket.read(Raised.size() - answer.size());
    }
    return answer == Raised;
}
