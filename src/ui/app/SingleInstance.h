#pragma once
// One Mirelune per user: the first start listens on a local socket named "Mirelune" in
// the user's runtime folder; a later start connects, hands its request to the first (come
// forward, a disc to play, a command, the launcher's startup notification) and ends
// without showing anything. Who is first is settled by a lock on a file beside the
// socket, which the kernel lets go when its process ends however it ends; only its
// holder touches the socket.
#include <QObject>
#include <QString>

class QLocalServer;

// What a later start asks of the running program.
struct InstanceRequest {
    QString Disc;               // a disc to play for this run (an absolute path); empty for none
    QString Command;            // "play-pause", "next", ...; empty for none
    QByteArray StartupId;       // the launcher's X11 startup notification, to be ended
    QByteArray ActivationToken; // the launcher's Wayland activation token, for the window
    bool operator==(const InstanceRequest&) const = default;
};

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
    // handed Request). A start that finds the lock held while the holder does not
    // answer yet (it is still starting, or ending) keeps trying for waitMs.
    bool Claim(const QString& name = ServerName(), int waitMs = 5000);
    // What this start hands to a running one.
    InstanceRequest Request;

signals:
    // A later start asked this instance to come forward (any request but a command).
    void ShowRequested();
    // What a later start asked, whole.
    void Requested(const InstanceRequest& request);

private:
    enum class Lock { Taken, Held, Unavailable };
    Lock takeLock(const QString& name);
    void listen(const QString& name);

    QLocalServer* server = nullptr;
    int lockFd = -1;
};
