// The real program on the demo disc, driven and read over MPRIS on a private session bus
// as a desktop's media keys and widgets do: playerctl and plain D-Bus calls. ctest runs
// this program under dbus-run-session; each test gives the player its own folders and the
// program plays on its silent clock (no sound server), with no window system (offscreen).
#include "BusProgram.h"

#include <QDBusUnixFileDescriptor>
#include <QRegularExpression>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

class Mpris : public BusProgram {};

// logind's manager as far as its inhibitors go, on a bus of the test's own that stands in
// for the system bus. A lock is a pipe: the holder gets the writing end, and closing it
// (the release) shows here as a hang-up on the reading end.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    struct Lock {
        QString what, who, why, mode;
        int readEnd;
    };
    QList<Lock> locks;
    ~FakeLogind() override
    {
        for (const Lock& l : locks) ::close(l.readEnd);
    }
    bool Released(qsizetype i) const
    {
        pollfd p{locks[i].readEnd, POLLIN, 0};
        return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode)
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return {};
        locks << Lock{what, who, why, mode, ends[0]};
        QDBusUnixFileDescriptor given(ends[1]); // a copy of its own
        ::close(ends[1]);
        return given;
    }
};

TEST_F(Mpris, MediaKeysAndWidgetsDriveAndShowThePlayer)
{
    QProcess* player = start("player", {});
    ASSERT_TRUE(waitForName(kName));
    EXPECT_EQ(get(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("Mirelune"));
    EXPECT_EQ(get(kRoot, QStringLiteral("DesktopEntry")).toString(), QStringLiteral("org.mirelune.Mirelune"));

    // The demo plays by itself; its first lyrics line goes out with its times on the
    // program's own interface, and the track's metadata carries its whole lyrics.
    ASSERT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing"), 0));
    const qsizetype first = waitForLine(QStringLiteral("静かな夜に 月がのぼる"), 0);
    ASSERT_GE(first, 0);
    EXPECT_EQ(rec.lines[first].startMs, 1000);
    EXPECT_EQ(rec.lines[first].endMs, 4000);
    const qsizetype metadataMark = rec.changes.size();
    EXPECT_EQ(get(kLyrics, QStringLiteral("Line")).toString(), QStringLiteral("静かな夜に 月がのぼる"));
    const QString lyrics =
        AsMap(get(kPlayer, QStringLiteral("Metadata"))).value(QStringLiteral("xesam:asText")).toString();
    EXPECT_TRUE(lyrics.startsWith(QStringLiteral("静かな夜に 月がのぼる\n銀の舟が 空をわたる\n")))
        << lyrics.toStdString();
    EXPECT_EQ(lyrics.count(QLatin1Char('\n')), 3);
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("月の舟"));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("album")}),
              QStringLiteral("Mirelune デモディスク"));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("artist")}), QStringLiteral("ミレルーン合唱団"));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("mpris:length")}), QStringLiteral("20000000"));
    EXPECT_TRUE(get(kPlayer, QStringLiteral("CanPause")).toBool());

    ASSERT_TRUE(commandChanges({QStringLiteral("pause")}, QStringLiteral("PlaybackStatus"), QStringLiteral("Paused")));
    EXPECT_EQ(playerctl({QStringLiteral("status")}), QStringLiteral("Paused"));
    EXPECT_TRUE(get(kPlayer, QStringLiteral("CanPause")).toBool());
    // Once the drive has been asked where it stopped, the position holds.
    QTest::qWait(500);
    const qlonglong held = get(kPlayer, QStringLiteral("Position")).toLongLong();
    QTest::qWait(1000);
    EXPECT_EQ(get(kPlayer, QStringLiteral("Position")).toLongLong(), held);
    ASSERT_TRUE(commandChanges({QStringLiteral("play")}, QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")));
    // The next line comes; the track's metadata stayed as it was all the while.
    ASSERT_GE(waitForLine(QStringLiteral("銀の舟が 空をわたる"), first), 0);
    EXPECT_EQ(countChanges(QStringLiteral("Metadata"), metadataMark), 0);

    // Next is a quick press of the button: the next track follows.
    ASSERT_TRUE(commandChanges({QStringLiteral("next")}, QStringLiteral("xesam:title"), QStringLiteral("夜明けの歌")));
    const QString track2 = AsMap(get(kPlayer, QStringLiteral("Metadata")))
                               .value(QStringLiteral("mpris:trackid"))
                               .value<QDBusObjectPath>()
                               .path();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^/org/mirelune/disc/[0-9A-F]{8}/entry/2/track/2$")).match(track2).hasMatch())
        << track2.toStdString();

    // A position set from the desktop is told back by Seeked, and the lyrics follow it.
    const qsizetype mark = rec.lines.size();
    call(kPlayer, QStringLiteral("SetPosition"), {QVariant::fromValue(QDBusObjectPath(track2)), qlonglong(12000000)});
    ASSERT_TRUE(waitForSeek(11500000, 12500000));
    ASSERT_GE(waitForLine(QStringLiteral("風にのって 鳥が歌う"), mark), 0);
    // Five seconds back from about 12 s.
    playerctl({QStringLiteral("position"), QStringLiteral("5-")});
    ASSERT_TRUE(waitForSeek(6500000, 10000000));

    ASSERT_TRUE(commandChanges({QStringLiteral("loop"), QStringLiteral("Playlist")}, QStringLiteral("LoopStatus"),
                               QStringLiteral("Playlist")));
    ASSERT_TRUE(commandChanges({QStringLiteral("stop")}, QStringLiteral("PlaybackStatus"), QStringLiteral("Stopped")));
    // Stopped, the track can still be played or paused: both belong to the track.
    EXPECT_TRUE(get(kPlayer, QStringLiteral("CanPause")).toBool());
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

TEST_F(Mpris, ShuffleLoopVolumeAndRateFromTheDesktop)
{
    QProcess* player = start("player", {});
    ASSERT_TRUE(waitForName(kName));
    ASSERT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing"), 0));
    QTest::qWait(1500);

    // A shuffle switches the play type and the track plays on where it is.
    qsizetype mark = rec.changes.size();
    const qlonglong before = get(kPlayer, QStringLiteral("Position")).toLongLong();
    ASSERT_TRUE(commandChanges({QStringLiteral("shuffle"), QStringLiteral("On")}, QStringLiteral("Shuffle"),
                               QStringLiteral("true")));
    EXPECT_EQ(playerctl({QStringLiteral("status")}), QStringLiteral("Playing"));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("月の舟"));
    EXPECT_GE(get(kPlayer, QStringLiteral("Position")).toLongLong(), before);
    ASSERT_TRUE(commandChanges({QStringLiteral("shuffle"), QStringLiteral("Off")}, QStringLiteral("Shuffle"),
                               QStringLiteral("false")));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("月の舟"));
    QTest::qWait(300);
    EXPECT_EQ(countChanges(QStringLiteral("PlaybackStatus"), mark), 0); // it never stopped

    // On the last track without a loop there is no next track: Next stops.
    ASSERT_TRUE(commandChanges({QStringLiteral("next")}, QStringLiteral("xesam:title"), QStringLiteral("夜明けの歌")));
    ASSERT_TRUE(commandChanges({QStringLiteral("next")}, QStringLiteral("xesam:title"), QStringLiteral("星のワルツ")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !get(kPlayer, QStringLiteral("CanGoNext")).toBool(); }, kWaitMs));
    // (playerctl refuses then; media keys call it all the same.)
    mark = rec.changes.size();
    call(kPlayer, QStringLiteral("Next"));
    ASSERT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Stopped"), mark));

    // The volume is the sound's, kept for the next run; a rate of 0 pauses.
    ASSERT_TRUE(commandChanges({QStringLiteral("play")}, QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")));
    ASSERT_TRUE(commandChanges({QStringLiteral("volume"), QStringLiteral("0.4")}, QStringLiteral("Volume"),
                               QStringLiteral("0.4")));
    EXPECT_DOUBLE_EQ(get(kPlayer, QStringLiteral("Volume")).toDouble(), 0.4);
    mark = rec.changes.size();
    ASSERT_TRUE(set(kPlayer, QStringLiteral("Rate"), 0.0));
    ASSERT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Paused"), mark));
    call(kRoot, QStringLiteral("Quit"));
    ASSERT_TRUE(player->waitForFinished(kWaitMs));
    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(path("player", "/Mirelune.ini"), saved));
    EXPECT_EQ(saved.ReadString(QStringLiteral("Settings"), QStringLiteral("Volume"), QString()), QStringLiteral("40"));
    ini = saved;
    start("player", {});
    ASSERT_TRUE(waitForName(kName));
    EXPECT_DOUBLE_EQ(get(kPlayer, QStringLiteral("Volume")).toDouble(), 0.4);
}

TEST_F(Mpris, AnUnregisteredDiscIsNamedByItsCueSheet)
{
    ini.EraseSection(QStringLiteral("WordsFile"));
    // The sheet in Windows-1252, as older Western rippers write them.
    QFile cue(path("disc/", "demo.cue"));
    ASSERT_TRUE(cue.open(QIODevice::ReadOnly));
    const QByteArray text = cue.readAll().replace("TITLE \"Mirelune Demo\"", "TITLE \"Caf\xE9 Noir\"");
    cue.close();
    ASSERT_TRUE(cue.open(QIODevice::WriteOnly | QIODevice::Truncate));
    cue.write(text);
    cue.close();
    start("player", {});
    ASSERT_TRUE(waitForName(kName));
    ASSERT_TRUE(waitForChange(QStringLiteral("xesam:album"), QStringLiteral("Café Noir"), 0));
    const QVariantMap m = AsMap(get(kPlayer, QStringLiteral("Metadata")));
    EXPECT_EQ(m.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("トラック 1"));
    EXPECT_EQ(m.value(QStringLiteral("xesam:artist")).toStringList(), QStringList{QStringLiteral("Mirelune")});
    EXPECT_FALSE(m.contains(QStringLiteral("xesam:asText")));
}

TEST_F(Mpris, TheDesktopDoesNotSuspendByItselfWhileADiscPlaysHereOrPlaysOn)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("PlayOnExit"), QStringLiteral("1"));
    // A bus of our own as the program's system bus, with logind on it.
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    ASSERT_TRUE(daemon.waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.canReadLine(); }, kWaitMs));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    FakeLogind logind;
    {
        QDBusConnection system = QDBusConnection::connectToBus(address, QStringLiteral("system"));
        ASSERT_TRUE(
            system.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(system.registerService(QStringLiteral("org.freedesktop.login1")));
    }
    QProcessEnvironment env;
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address);
    const auto locked = [&](qsizetype count) {
        return QTest::qWaitFor([&] { return logind.locks.size() == count && !logind.Released(count - 1); }, kWaitMs);
    };
    const auto released = [&](qsizetype i) { return QTest::qWaitFor([&] { return logind.Released(i); }, kWaitMs); };

    QProcess* player = start("player", {}, true, env);
    ASSERT_TRUE(waitForName(kName));
    ASSERT_TRUE(locked(1)) << "no idle lock while the demo plays";
    // Idle suspend and screen lock wait; a suspend the user asks for does not.
    EXPECT_EQ(logind.locks[0].what, QStringLiteral("idle"));
    EXPECT_EQ(logind.locks[0].mode, QStringLiteral("block"));
    EXPECT_EQ(logind.locks[0].who, QStringLiteral("Mirelune"));
    playerctl({QStringLiteral("pause")});
    EXPECT_TRUE(released(0)) << "a pause keeps the lock";
    fprintf(stderr, "STATUS %s\n", qPrintable(get(kPlayer, QStringLiteral("PlaybackStatus")).toString()));
    playerctl({QStringLiteral("play")});
    ASSERT_TRUE(locked(2));
    playerctl({QStringLiteral("stop")});
    EXPECT_TRUE(released(1)) << "a stop keeps the lock";
    playerctl({QStringLiteral("play")});
    ASSERT_TRUE(locked(3));
    QTest::qWait(1000); // the drive has been seen playing (closing looks at its last reading)
    call(kRoot, QStringLiteral("Quit"));
    ASSERT_TRUE(player->waitForFinished(kWaitMs));
    EXPECT_TRUE(released(2));
    // The disc playing on after the program's end keeps its own lock until it is stopped.
    ASSERT_TRUE(locked(4)) << "the disc that plays on took no idle lock";
    EXPECT_EQ(logind.locks[3].what, QStringLiteral("idle"));
    playerctl({QStringLiteral("stop")});
    EXPECT_TRUE(released(3)) << "the stopped player kept its lock";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bus.interface()->isServiceRegistered(kName).value(); }, kWaitMs));
    // Only while the lock is held: each one stays released.
    EXPECT_EQ(logind.locks.size(), 4);

    // Set off, nothing is asked of logind.
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("StopSleep"), QStringLiteral("0"));
    const qsizetype mark = rec.changes.size();
    player = start("off", {}, true, env);
    ASSERT_TRUE(waitForName(kName));
    ASSERT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing"), mark));
    QTest::qWait(1000);
    EXPECT_EQ(logind.locks.size(), 4);
    call(kRoot, QStringLiteral("Quit"));
    ASSERT_TRUE(player->waitForFinished(kWaitMs));
    // Nor by the disc that plays on.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return bus.interface()->servicePid(kName).value() > 0 &&
                   bus.interface()->servicePid(kName).value() != uint(player->processId());
        },
        kWaitMs));
    QTest::qWait(1000);
    EXPECT_EQ(logind.locks.size(), 4);
    QDBusConnection::disconnectFromBus(QStringLiteral("system"));
    daemon.terminate();
    daemon.waitForFinished(5000);
}

TEST_F(Mpris, ThePlayerLeftPlayingOnAfterTheProgramCanBeControlledAndEndsWhenStopped)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("PlayOnExit"), QStringLiteral("1"));
    QProcess* program = start("player", {});
    ASSERT_TRUE(waitForName(kName));
    ASSERT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing"), 0));
    const auto owner = [this] { return bus.interface()->servicePid(kName).value(); };
    ASSERT_TRUE(set(kPlayer, QStringLiteral("Volume"), 0.7));
    QTest::qWait(1000); // the drive has been seen playing (closing looks at its last reading)
    call(kRoot, QStringLiteral("Quit"));
    ASSERT_TRUE(program->waitForFinished(kWaitMs));

    // The disc plays on, and the desktop still has a player of it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return owner() != 0 && owner() != uint(program->processId()); }, kWaitMs))
        << "no player of the disc that plays on";
    EXPECT_EQ(get(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("Mirelune"));
    EXPECT_EQ(get(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    const QVariantMap m = AsMap(get(kPlayer, QStringLiteral("Metadata")));
    EXPECT_EQ(m.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("月の舟"));
    EXPECT_EQ(m.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("Mirelune デモディスク"));
    EXPECT_EQ(m.value(QStringLiteral("mpris:length")).toLongLong(), 20000000);
    EXPECT_DOUBLE_EQ(get(kPlayer, QStringLiteral("Volume")).toDouble(), 0.7);
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("月の舟"));

    // Paused it waits; played, it goes on; stopped, it ends.
    ASSERT_TRUE(commandChanges({QStringLiteral("pause")}, QStringLiteral("PlaybackStatus"), QStringLiteral("Paused")));
    const qlonglong held = get(kPlayer, QStringLiteral("Position")).toLongLong();
    QTest::qWait(1200);
    EXPECT_EQ(get(kPlayer, QStringLiteral("Position")).toLongLong(), held);
    EXPECT_TRUE(bus.interface()->isServiceRegistered(kName).value());
    ASSERT_TRUE(commandChanges({QStringLiteral("play")}, QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")));
    QTest::qWait(1200);
    EXPECT_GT(get(kPlayer, QStringLiteral("Position")).toLongLong(), held + 500000);
    playerctl({QStringLiteral("stop")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !bus.interface()->isServiceRegistered(kName).value(); }, kWaitMs))
        << "the player did not end when stopped";

    // Quit ends it too; and the next start of the program takes over from it as before.
    const qsizetype mark = rec.changes.size();
    program = start("player", {});
    ASSERT_TRUE(waitForName(kName));
    ASSERT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing"), mark));
    QTest::qWait(1000);
    call(kRoot, QStringLiteral("Quit"));
    ASSERT_TRUE(program->waitForFinished(kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return owner() != 0 && owner() != uint(program->processId()); }, kWaitMs));
    const uint playOn = owner();
    program = start("player", {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return owner() == uint(program->processId()); }, kWaitMs))
        << "the program did not take over from the player";
    // Ended (gone, or a zombie its new parent has not reaped yet).
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(playOn));
            return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
        },
        kWaitMs));
    EXPECT_EQ(program->state(), QProcess::Running);
}

TEST_F(Mpris, ASecondStartHandsItsDiscToTheRunningProgramWhichPlaysItForThisRun)
{
    // Another disc over the demo's audio: two tracks, named by its cue sheet.
    QFile other(path("disc/", "other.cue"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("TITLE \"Other Disc\"\nPERFORMER \"Other Band\"\nFILE \"demo.bin\" BINARY\n"
                "  TRACK 01 AUDIO\n    TITLE \"First Song\"\n    INDEX 01 00:00:00\n"
                "  TRACK 02 AUDIO\n    TITLE \"Second Song\"\n    INDEX 01 00:30:00\n");
    other.close();
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    QProcess* first = start("player", {});
    ASSERT_TRUE(waitForName(kName));
    ASSERT_TRUE(waitForChange(QStringLiteral("xesam:title"), QStringLiteral("月の舟"), 0));
    const uint pid = uint(first->processId());

    // "Open with" while it runs: the running program plays that disc, and the start ends.
    qsizetype mark = rec.changes.size();
    QProcess* second = start("player", {path("disc/", "other.cue")});
    ASSERT_TRUE(second->waitForFinished(kWaitMs));
    EXPECT_EQ(second->exitCode(), 0);
    ASSERT_TRUE(waitForChange(QStringLiteral("xesam:title"), QStringLiteral("First Song"), mark));
    ASSERT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing"), mark));
    QVariantMap m = AsMap(get(kPlayer, QStringLiteral("Metadata")));
    EXPECT_EQ(m.value(QStringLiteral("mpris:length")).toLongLong(), 30000000);
    EXPECT_EQ(m.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("Other Disc"));
    EXPECT_EQ(bus.interface()->servicePid(kName).value(), pid); // one program, the first

    // The toolkit's options keep their values: "Fusion" is no disc, and the first only
    // comes forward. A disc that is not there is told by the start itself.
    QProcess* styled = start("player", {QStringLiteral("-style"), QStringLiteral("Fusion")});
    ASSERT_TRUE(styled->waitForFinished(kWaitMs));
    EXPECT_EQ(styled->exitCode(), 0);
    QProcess* missing = start("player", {path("disc/", "gone.cue")});
    ASSERT_TRUE(missing->waitForFinished(kWaitMs));
    EXPECT_EQ(missing->exitCode(), 1);
    EXPECT_TRUE(missing->readAllStandardError().contains("gone.cue: no such file"));
    QTest::qWait(500);
    EXPECT_EQ(AsMap(get(kPlayer, QStringLiteral("Metadata"))).value(QStringLiteral("xesam:title")).toString(),
              QStringLiteral("First Song"));

    // The menu entry's actions reach the running program.
    mark = rec.changes.size();
    QProcess* action = start("player", {QStringLiteral("--play-pause")});
    ASSERT_TRUE(action->waitForFinished(kWaitMs));
    EXPECT_EQ(action->exitCode(), 0);
    EXPECT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Paused"), mark));
    action = start("player", {QStringLiteral("--next")});
    ASSERT_TRUE(action->waitForFinished(kWaitMs));
    EXPECT_TRUE(waitForChange(QStringLiteral("xesam:title"), QStringLiteral("Second Song"), mark));

    // The drive setting stays as it was: the disc was for this run.
    call(kRoot, QStringLiteral("Quit"));
    ASSERT_TRUE(first->waitForFinished(kWaitMs));
    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(path("player", "/Mirelune.ini"), saved));
    EXPECT_EQ(saved.ReadString(QStringLiteral("Settings"), QStringLiteral("DriveName"), QString()),
              path("disc/", "demo.cue"));

    // With none running, a start told to play and pause starts one that plays at once
    // (the settings say not to play by itself).
    mark = rec.changes.size();
    start("player", {QStringLiteral("--play-pause")});
    ASSERT_TRUE(waitForName(kName));
    EXPECT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing"), mark));
}

TEST_F(Mpris, HelpAndVersionAnswerWithoutADisplayAndWhatCannotBeTakenIsRefused)
{
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) bare.remove(QLatin1String(var));
    const auto run = [&](const QStringList& args, int* code) {
        QProcess p;
        p.setProcessEnvironment(bare);
        p.start(kBuild + QStringLiteral("/mirelune"), args);
        EXPECT_TRUE(p.waitForFinished(kWaitMs));
        *code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
    };
    int code = -1;
    EXPECT_TRUE(run({QStringLiteral("-h")}, &code).startsWith(QStringLiteral("Usage: mirelune")));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Mirelune \\d+\\.\\d+\\.\\d+\n$"))
                    .match(run({QStringLiteral("-V")}, &code))
                    .hasMatch());
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(run({QStringLiteral("-x")}, &code).contains(QStringLiteral("unknown option -x")));
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(run({QStringLiteral("/no/such/disc.cue")}, &code).contains(QStringLiteral("no such file")));
    EXPECT_EQ(code, 1);
    // An answer that cannot be written is a failure, and says so.
    QProcess full;
    full.setProcessEnvironment(bare);
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start(kBuild + QStringLiteral("/mirelune"), {QStringLiteral("--help")});
    ASSERT_TRUE(full.waitForFinished(kWaitMs));
    EXPECT_EQ(full.exitCode(), 1);
    EXPECT_TRUE(full.readAllStandardError().contains("write error"));
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
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return get(kPlayer, QStringLiteral("PlaybackStatus"), name) == QStringLiteral("Playing"); }, kWaitMs));
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
