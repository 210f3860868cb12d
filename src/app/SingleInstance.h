#pragma once
// One Mirelune per user: the first start listens on a local socket named "Mirelune" in
// the user's runtime folder; a later start connects, asks the first to come forward and
// ends without showing anything. Who is first is settled by a lock on a file beside the
// socket, which the kernel lets go when its process ends however it ends; only its
// holder touches the socket.
#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket's full name for this user.
    static QString ServerName(const QString& name = QStringLiteral("Mirelune"));
    // The lock file of a socket name, in the folder the socket lives in.
    static QString LockFileName(const QString& serverName);

    // True when this process is the first; false when another one runs (it has been
    // asked to come forward). A start that finds the lock held while the holder does not
    // answer yet (it is still starting, or ending) keeps trying for waitMs.
    bool Claim(const QString& name = ServerName(), int waitMs = 5000);

signals:
    // A second start asked this instance to come forward.
    void ShowRequested();

private:
    enum class Lock { Taken, Held, Unavailable };
    Lock takeLock(const QString& name);
    void listen(const QString& name);

    QLocalServer* server = nullptr;
    int lockFd = -1;
};
