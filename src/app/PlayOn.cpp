#include "PlayOn.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTimer>

#include "core/common/Defines.h"
#include "device/DiscDevice.h"
#include "ui/app/SingleInstance.h"
#include "ui/main/SystemBus.h"

namespace {
QString PlayerName() { return SingleInstance::ServerName(QStringLiteral("Mirelune.PlayOn")); }
} // namespace

bool StartPlayOn(const QString& drive, int32_t from, int32_t to, const PlayOnDisc& disc)
{
    QProcess player;
    player.setProgram(QCoreApplication::applicationFilePath());
    QStringList args{QStringLiteral("--play-on")};
    if (disc.KeepAwake) args << QStringLiteral("--keep-awake");
    player.setArguments(args +
                        QStringList{drive, QString::number(from), QString::number(to), QString::number(disc.Volume),
                                    disc.Album, disc.Artist} +
                        disc.Titles);
    // It outlives whatever read the program's output (a terminal, a test): a write there
    // would end it.
    player.setStandardInputFile(QProcess::nullDevice());
    player.setStandardOutputFile(QProcess::nullDevice());
    player.setStandardErrorFile(QProcess::nullDevice());
    return player.startDetached();
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
    QStringList args = app.arguments();
    PlayOnDisc disc;
    disc.KeepAwake = args.size() > 2 && args[2] == QLatin1String("--keep-awake");
    if (disc.KeepAwake) args.removeAt(2);
    if (args.size() < 5) return 2;
    const QString drive = args[2];
    const int32_t from = args[3].toInt();
    const int32_t to = args[4].toInt();
    bool volumeGiven = false;
    const double volume = args.value(5).toDouble(&volumeGiven);
    if (volumeGiven) disc.Volume = volume;
    disc.Album = args.value(6);
    disc.Artist = args.value(7);
    disc.Titles = args.mid(8);

    DiscDevice device;
    if (!device.Open(drive)) return 1;
    device.SetTimeFormat(TimeFormatMilliseconds);
    PlayOnPlayer player(device, disc);
    // While it plays the desktop does not suspend by itself, as in the program.
    SleepInhibitor idleLock;
    device.SetStartPos(from);
    device.SetEndPos(to);
    device.Play();

    QLocalServer server;
    QLocalServer::removeServer(PlayerName());
    server.listen(PlayerName());
    // The end: the bus name goes first, so that a program starting now finds it free.
    const auto finish = [&] {
        idleLock.SetInhibited(false);
        player.Unregister();
        device.Stop();
        device.Close();
        app.quit();
    };
    QObject::connect(&server, &QLocalServer::newConnection, &app, [&] {
        QLocalSocket* s = server.nextPendingConnection();
        QObject::connect(s, &QLocalSocket::readyRead, &app, [&, s] {
            if (!s->readAll().contains("stop")) return;
            finish();
            s->disconnectFromServer();
        });
    });
    QObject::connect(&player, &PlayOnPlayer::Finish, &app, finish);
    player.Register();
    // Ends by itself at the end of the disc (or when the disc goes away); a pause waits.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (!player.Paused() && device.Mode() != ModePlaying) {
            finish();
            return;
        }
        idleLock.SetInhibited(disc.KeepAwake && !player.Paused());
        player.Refresh();
    });
    poll.start(500);
    const int rc = app.exec();
    device.Close();
    return rc;
}
