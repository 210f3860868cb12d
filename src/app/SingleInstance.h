#pragma once
// One Mirelune per user: the first start listens on a local socket named "Mirelune" in
// the user's runtime folder; a later start connects, asks the first to come forward and
// ends without showing anything.
#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);

    // The socket's full name for this user.
    static QString ServerName(const QString& name = QStringLiteral("Mirelune"));

    // True when this process is the first; false when another one runs (it has been
    // asked to come forward).
    bool Claim(const QString& name = ServerName());

signals:
    // A second start asked this instance to come forward.
    void ShowRequested();

private:
    QLocalServer* server = nullptr;
};
