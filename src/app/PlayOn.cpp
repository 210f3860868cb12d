#include "PlayOn.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTimer>

#include "app/SingleInstance.h"
#include "common/Defines.h"
#include "playback/DiscDevice.h"

namespace {
QString PlayerName() { return SingleInstance::ServerName(QStringLiteral("Mirelune.PlayOn")); }
} // namespace

bool StartPlayOn(const QString& drive, int32_t from, int32_t to)
{
    return QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                   {QStringLiteral("--play-on"), drive, QString::number(from), QString::number(to)});
}

void StopPlayOn()
{
    QLocalSocket player;
    player.connectToServer(PlayerName());
    if (!player.waitForConnected(1000)) return;
    player.write("stop\n");
    player.waitForBytesWritten(1000);
    // The player closes the connection once its drive is closed.
    if (player.state() == QLocalSocket::ConnectedState) player.waitForDisconnected(5000);
}

int RunPlayOn(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) return 2;
    const QString drive = args[2];
    const int32_t from = args[3].toInt();
    const int32_t to = args[4].toInt();

    DiscDevice device;
    if (!device.Open(drive)) return 1;
    device.SetTimeFormat(TimeFormatMilliseconds);
    device.SetStartPos(from);
    device.SetEndPos(to);
    device.Play();

    QLocalServer server;
    QLocalServer::removeServer(PlayerName());
    server.listen(PlayerName());
    QObject::connect(&server, &QLocalServer::newConnection, &app, [&] {
        QLocalSocket* s = server.nextPendingConnection();
        QObject::connect(s, &QLocalSocket::readyRead, &app, [&, s] {
            if (!s->readAll().contains("stop")) return;
            device.Stop();
            device.Close();
            s->disconnectFromServer();
            app.quit();
        });
    });
    // Ends by itself at the end of the disc (or when the disc goes away).
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (device.Mode() != ModePlaying) app.quit();
    });
    poll.start(500);
    const int rc = app.exec();
    device.Close();
    return rc;
}
