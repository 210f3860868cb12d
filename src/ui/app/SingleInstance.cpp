#include "SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace {
// The request as lines of "key value", values percent-encoded, ending with "end".
QByteArray Encode(const InstanceRequest& r)
{
    QByteArray out = "show\n";
    const auto line = [&out](const char* key, const QByteArray& value) {
        if (!value.isEmpty()) out += QByteArray(key) + ' ' + value.toPercentEncoding() + '\n';
    };
    line("disc", r.Disc.toUtf8());
    line("command", r.Command.toUtf8());
    line("startup-id", r.StartupId);
    line("activation-token", r.ActivationToken);
    return out + "end\n";
}

InstanceRequest Decode(const QByteArray& bytes)
{
    InstanceRequest r;
    for (const QByteArray& line : bytes.split('\n')) {
        const qsizetype blank = line.indexOf(' ');
        if (blank < 0) continue;
        const QByteArray key = line.left(blank), value = QByteArray::fromPercentEncoding(line.mid(blank + 1));
        if (key == "disc")
            r.Disc = QString::fromUtf8(value);
        else if (key == "command")
            r.Command = QString::fromUtf8(value);
        else if (key == "startup-id")
            r.StartupId = value;
        else if (key == "activation-token")
            r.ActivationToken = value;
    }
    return r;
}

// Hands the request to the instance listening on name; false when none answers.
bool AskForward(const QString& name, const InstanceRequest& request)
{
    QLocalSocket other;
    other.connectToServer(name);
    if (!other.waitForConnected(1000)) return false;
    other.write(Encode(request));
    other.waitForBytesWritten(1000);
    other.disconnectFromServer();
    if (other.state() != QLocalSocket::UnconnectedState) other.waitForDisconnected(1000);
    return true;
}
} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance()
{
    // The socket goes before the lock, so that whoever takes the lock next finds no
    // listener of ours.
    delete server;
    server = nullptr;
    if (lockFd >= 0) ::close(lockFd);
}

QString SingleInstance::ServerName(const QString& name)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? name : QDir(runtime).filePath(name);
}

QString SingleInstance::LockFileName(const QString& serverName)
{
    // A name without a folder is a socket in the temporary folder (as QLocalServer puts it).
    const QString lock = serverName + QStringLiteral(".lock");
    return QDir::isAbsolutePath(lock) ? lock : QDir(QDir::tempPath()).filePath(lock);
}

SingleInstance::Lock SingleInstance::takeLock(const QString& name)
{
    if (lockFd < 0) {
        // Close-on-exec: the player left playing on after the program must not hold it.
        lockFd = ::open(QFile::encodeName(LockFileName(name)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lockFd < 0) return Lock::Unavailable;
    }
    if (::flock(lockFd, LOCK_EX | LOCK_NB) == 0) return Lock::Taken;
    if (errno == EWOULDBLOCK || errno == EINTR) return Lock::Held;
    ::close(lockFd);
    lockFd = -1;
    return Lock::Unavailable;
}

bool SingleInstance::Claim(const QString& name, int waitMs)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const Lock lock = takeLock(name);
        if (lock == Lock::Taken) break;
        if (AskForward(name, Request)) return false;
        if (lock == Lock::Unavailable) {
            // No lock file can be made (a runtime folder we cannot write): the socket
            // alone decides, as well as it can.
            listen(name);
            return true;
        }
        if (waited.elapsed() >= waitMs) {
            std::fputs("mirelune: another Mirelune is starting or ending and does not answer\n", stderr);
            return false;
        }
        QThread::msleep(50);
    }
    listen(name);
    return true;
}

void SingleInstance::listen(const QString& name)
{
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // With the lock ours, a socket file still there was left by a run that was killed.
    if (!server->listen(name)) {
        QLocalServer::removeServer(name);
        server->listen(name);
    }
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server->nextPendingConnection()) {
            // The request is whole once its last line ("end") came, or the start hung up.
            auto received = std::make_shared<QByteArray>();
            auto taken = std::make_shared<bool>(false);
            const auto take = [this, received, taken] {
                if (*taken || !received->startsWith("show")) return;
                *taken = true;
                const InstanceRequest request = Decode(*received);
                emit Requested(request);
                if (request.Command.isEmpty()) emit ShowRequested();
            };
            connect(s, &QLocalSocket::readyRead, this, [s, received, take] {
                *received += s->readAll();
                if (received->endsWith("end\n")) take();
            });
            connect(s, &QLocalSocket::disconnected, this, [s, received, take] {
                *received += s->readAll();
                take();
                s->deleteLater();
            });
        }
    });
}
