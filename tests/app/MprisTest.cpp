// The real program on the demo disc, driven and read over MPRIS on a private session bus
// as a desktop's media keys and widgets do: playerctl and plain D-Bus calls. ctest runs
// this program under dbus-run-session; each test gives the player its own folders and the
// program plays on its silent clock (no sound server), with no window system (offscreen).
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "settings/IniDocument.h"

#ifndef MIRELUNE_BINARY_DIR
#error "MIRELUNE_BINARY_DIR must name the build folder"
#endif

namespace {
const QString kBuild = QStringLiteral(MIRELUNE_BINARY_DIR);
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kName = QStringLiteral("org.mpris.MediaPlayer2.mirelune");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
constexpr int kWaitMs = 20000; // generous: the machine may be busy with other builds

QVariantMap AsMap(const QVariant& v)
{
    if (v.canConvert<QDBusArgument>()) return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
    return v.toMap();
}

} // namespace

// Every PropertiesChanged and Seeked that the player sends.
class BusRecorder : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changes;
    QList<qlonglong> seeks;

public slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
    {
        if (interface == kPlayer) changes << changed;
    }
    void seeked(qlonglong position) { seeks << position; }
};

class Mpris : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.isConnected()) << "no session bus: run this test under dbus-run-session";
        ASSERT_TRUE(dir.isValid());
        for (const char* f : {"demo.cue", "demo.bin", "demo.dat"})
            ASSERT_TRUE(QFile::copy(kBuild + QStringLiteral("/demo/") + QLatin1String(f), path("disc/", f))) << f;
        ASSERT_TRUE(ReadIniFile(kBuild + QStringLiteral("/demo/Mirelune.ini"), ini));
        ini.WriteString(QStringLiteral("Settings"), QStringLiteral("DriveName"), path("disc/", "demo.cue"));
        ini.WriteString(QStringLiteral("Settings"), QStringLiteral("WordsPath"), path("disc/", ""));
        ASSERT_TRUE(bus.connect(QString(), kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                QStringLiteral("PropertiesChanged"), &rec,
                                SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
        ASSERT_TRUE(bus.connect(QString(), kPath, kPlayer, QStringLiteral("Seeked"), &rec, SLOT(seeked(qlonglong))));
    }

    void TearDown() override
    {
        for (QProcess* p : running) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
            delete p;
        }
    }

    QString path(const char* folder, const char* file) const
    {
        QDir(dir.path()).mkpath(QLatin1String(folder));
        return dir.filePath(QLatin1String(folder) + QLatin1String(file));
    }

    // The player with its own runtime, home, config and data folders under name/.
    QProcess* start(const char* name, const QStringList& args, bool withBus = true)
    {
        const QString ini = path(name, "/Mirelune.ini");
        EXPECT_TRUE(WriteIniFile(ini, this->ini));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* var : {"XDG_RUNTIME_DIR", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TMPDIR"}) {
            const QString folder = path(name, "/") + QLatin1String(var);
            QDir().mkpath(folder);
            env.insert(QLatin1String(var), folder);
        }
        QFile::setPermissions(env.value(QStringLiteral("XDG_RUNTIME_DIR")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + path(name, "/no-sound-server"));
        if (!withBus) env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        auto* p = new QProcess;
        p->setProcessEnvironment(env);
        p->start(kBuild + QStringLiteral("/mirelune"), QStringList{QStringLiteral("-i:") + ini} + args);
        running << p;
        EXPECT_TRUE(p->waitForStarted(5000));
        return p;
    }

    bool waitForName(const QString& name)
    {
        return QTest::qWaitFor([&] { return bus.interface()->isServiceRegistered(name).value(); }, kWaitMs);
    }

    QVariant get(const QString& interface, const QString& property, const QString& name = kName)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(name, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                        QStringLiteral("Get"));
        m << interface << property;
        const QDBusMessage reply = bus.call(m, QDBus::Block, 5000);
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args = {},
                      const QString& name = kName)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(name, kPath, interface, method);
        m.setArguments(args);
        return bus.call(m, QDBus::Block, 5000);
    }

    // playerctl's answer to one command on the player.
    QString playerctl(const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("-p"), QStringLiteral("mirelune")} + args);
        EXPECT_TRUE(p.waitForFinished(10000)) << "playerctl " << args.join(QLatin1Char(' ')).toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    // Waits for a PropertiesChanged, after the first `from`, that sets key (a property, or
    // with a colon a metadata key) to value.
    bool waitForChange(const QString& key, const QString& value, qsizetype from)
    {
        return QTest::qWaitFor(
            [&] {
                for (qsizetype i = from; i < rec.changes.size(); ++i) {
                    const QVariantMap& c = rec.changes[i];
                    const QVariant v = key.contains(QLatin1Char(':')) ? AsMap(c.value(QStringLiteral("Metadata"))).value(key)
                                                                       : c.value(key);
                    if (v.isValid() && v.toString() == value) return true;
                }
                return false;
            },
            kWaitMs);
    }
    // Waits for a Seeked to a position in [low, high] after those seen so far.
    bool waitForSeek(qlonglong low, qlonglong high)
    {
        const qsizetype from = rec.seeks.size();
        return QTest::qWaitFor(
            [&] { return std::any_of(rec.seeks.begin() + from, rec.seeks.end(),
                                     [&](qlonglong p) { return p >= low && p <= high; }); },
            kWaitMs);
    }
    // A command of playerctl, then the change it should bring.
    bool commandChanges(const QStringList& command, const QString& key, const QString& value)
    {
        const qsizetype mark = rec.changes.size();
        playerctl(command);
        return waitForChange(key, value, mark);
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    QTemporaryDir dir;
    IniDocument ini;
    BusRecorder rec;
    QList<QProcess*> running;
};

TEST_F(Mpris, MediaKeysAndWidgetsDriveAndShowThePlayer)
{
    QProcess* player = start("player", {});
    ASSERT_TRUE(waitForName(kName));
    EXPECT_EQ(get(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("Mirelune"));
    EXPECT_EQ(get(kRoot, QStringLiteral("DesktopEntry")).toString(), QStringLiteral("org.mirelune.Mirelune"));

    // The demo plays by itself; its first lyrics line arrives as the track's text.
    ASSERT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing"), 0));
    ASSERT_TRUE(waitForChange(QStringLiteral("xesam:asText"), QStringLiteral("静かな夜に 月がのぼる"), 0));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("月の舟"));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("album")}), QStringLiteral("Mirelune デモディスク"));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("artist")}), QStringLiteral("ミレルーン合唱団"));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("mpris:length")}), QStringLiteral("20000000"));
    EXPECT_TRUE(get(kPlayer, QStringLiteral("CanPause")).toBool());

    ASSERT_TRUE(commandChanges({QStringLiteral("pause")}, QStringLiteral("PlaybackStatus"), QStringLiteral("Paused")));
    EXPECT_EQ(playerctl({QStringLiteral("status")}), QStringLiteral("Paused"));
    // Once the drive has been asked where it stopped, the position holds.
    QTest::qWait(500);
    const qlonglong held = get(kPlayer, QStringLiteral("Position")).toLongLong();
    QTest::qWait(1000);
    EXPECT_EQ(get(kPlayer, QStringLiteral("Position")).toLongLong(), held);
    ASSERT_TRUE(commandChanges({QStringLiteral("play")}, QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")));

    // Next is a quick press of the button: the next track follows.
    ASSERT_TRUE(commandChanges({QStringLiteral("next")}, QStringLiteral("xesam:title"), QStringLiteral("夜明けの歌")));
    const QString track2 = AsMap(get(kPlayer, QStringLiteral("Metadata"))).value(QStringLiteral("mpris:trackid"))
                               .value<QDBusObjectPath>().path();
    EXPECT_EQ(track2, QStringLiteral("/org/mirelune/entry/2/track/2"));

    // A position set from the desktop is told back by Seeked, and the lyrics follow it.
    const qsizetype mark = rec.changes.size();
    call(kPlayer, QStringLiteral("SetPosition"), {QVariant::fromValue(QDBusObjectPath(track2)), qlonglong(12000000)});
    ASSERT_TRUE(waitForSeek(11500000, 12500000));
    ASSERT_TRUE(waitForChange(QStringLiteral("xesam:asText"), QStringLiteral("風にのって 鳥が歌う"), mark));
    // Five seconds back from about 12 s.
    playerctl({QStringLiteral("position"), QStringLiteral("5-")});
    ASSERT_TRUE(waitForSeek(6500000, 10000000));

    ASSERT_TRUE(commandChanges({QStringLiteral("loop"), QStringLiteral("Playlist")}, QStringLiteral("LoopStatus"),
                               QStringLiteral("Playlist")));
    ASSERT_TRUE(commandChanges({QStringLiteral("stop")}, QStringLiteral("PlaybackStatus"), QStringLiteral("Stopped")));
    EXPECT_FALSE(get(kPlayer, QStringLiteral("CanPause")).toBool());
    EXPECT_TRUE(get(kPlayer, QStringLiteral("CanPlay")).toBool());

    // Raise answers; Quit ends the program through its own close, which saves its windows.
    EXPECT_EQ(call(kRoot, QStringLiteral("Raise")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(call(kRoot, QStringLiteral("Quit")).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(player->waitForFinished(kWaitMs));
    EXPECT_EQ(player->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player->exitCode(), 0);
    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(path("player", "/Mirelune.ini"), saved));
    EXPECT_FALSE(saved.ReadString(QStringLiteral("Window"), QStringLiteral("MainWidth"), QString()).isEmpty());
}

TEST_F(Mpris, ADiscNamedOnTheCommandLinePlaysForThisRunBesideAnotherPlayer)
{
    // The user's own player holds the plain name on this bus.
    start("first", {});
    ASSERT_TRUE(waitForName(kName));

    // Not set to play by itself, and set to another drive: the disc named plays all the same.
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("DriveName"), QStringLiteral("/dev/no-such-drive"));
    QProcess* second = start("second", {path("disc/", "demo.cue")});
    const QString name = kName + QStringLiteral(".instance%1").arg(second->processId());
    ASSERT_TRUE(waitForName(name));
    ASSERT_TRUE(QTest::qWaitFor([&] { return get(kPlayer, QStringLiteral("PlaybackStatus"), name) == QStringLiteral("Playing"); },
                                kWaitMs));
    EXPECT_EQ(AsMap(get(kPlayer, QStringLiteral("Metadata"), name)).value(QStringLiteral("xesam:title")).toString(),
              QStringLiteral("月の舟"));

    call(kRoot, QStringLiteral("Quit"), {}, name);
    ASSERT_TRUE(second->waitForFinished(kWaitMs));
    EXPECT_EQ(second->exitCode(), 0);
    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(path("second", "/Mirelune.ini"), saved));
    EXPECT_EQ(saved.ReadString(QStringLiteral("Settings"), QStringLiteral("DriveName"), QString()),
              QStringLiteral("/dev/no-such-drive"));
}

TEST_F(Mpris, WithoutASessionBusThePlayerRunsAndSaysNothingOfIt)
{
    QProcess* player = start("nobus", {}, false);
    QTest::qWait(3000);
    EXPECT_EQ(player->state(), QProcess::Running);
    EXPECT_FALSE(bus.interface()->isServiceRegistered(kName).value());
    player->terminate();
    ASSERT_TRUE(player->waitForFinished(kWaitMs));
    EXPECT_EQ(player->exitCode(), 0);
    const QString err = QString::fromLocal8Bit(player->readAllStandardError());
    EXPECT_FALSE(err.contains(QStringLiteral("bus"), Qt::CaseInsensitive)) << err.toStdString();
}

#include "MprisTest.moc"
