#include "SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

QString SingleInstance::ServerName(const QString& name)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? name : QDir(runtime).filePath(name);
}

bool SingleInstance::Claim(const QString& name)
{
    {
        QLocalSocket other;
        other.connectToServer(name);
        if (other.waitForConnected(1000)) {
            other.write("show\n");
            other.waitForBytesWritten(1000);
            other.disconnectFromServer();
            return false;
        }
    }
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered: a socket file left by a crashed run is stale.
    if (!server->listen(name)) {
        QLocalServer::removeServer(name);
        server->listen(name);
    }
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (s->readAll().contains("show")) emit ShowRequested();
            });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    return true;
}
