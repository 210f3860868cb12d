// The real program on the demo disc, in a real X server (Xvfb) with a window manager
// (openbox), driven with xdotool. Each test gets its own runtime, config and data
// folders and its own copy of the demo disc's files; the program plays on its silent
// clock (no sound server), so nothing depends on a sound card.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "core/common/TextCodec.h"
#include "core/online/MusicBrainzId.h"
#include "core/settings/IniDocument.h"

#if !defined(MIRELUNE_BINARY_DIR) || !defined(MIRELUNE_SOURCE_DIR)
#error "MIRELUNE_BINARY_DIR and MIRELUNE_SOURCE_DIR must name the build and source folders"
#endif

namespace {
const QString kBuild = QStringLiteral(MIRELUNE_BINARY_DIR);
const QString kSource = QStringLiteral(MIRELUNE_SOURCE_DIR);
constexpr int kStartMs = 20000; // generous: the machine may be busy with other builds

QString Display;
QProcess* Xvfb = nullptr;
QProcess* Openbox = nullptr;

// The environment of a program on our display.
QProcessEnvironment OnDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), Display);
    return env;
}

// Runs a short helper (xdotool, xprop) on our display; its standard output.
QString Tool(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.setProcessEnvironment(OnDisplay());
    p.start(program, args);
    p.waitForFinished(10000);
    if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString Xdo(const QStringList& args, int* exitCode = nullptr)
{
    return Tool(QStringLiteral("xdotool"), args, exitCode);
}

class EndToEnd : public ::testing::Test {
protected:
    // The X server and window manager, started by the first test of the process (a
    // failure to start them fails that test, not skips it).
    static void StartDisplay()
    {
        if (Openbox) return;
        // Xvfb picks a free display itself and tells its number on standard output; it
        // must not reset when its last client leaves (a client connecting then would fail).
        Xvfb = new QProcess;
        Xvfb->start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                     QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                     QStringLiteral("-noreset")});
        ASSERT_TRUE(Xvfb->waitForStarted(5000)) << "Xvfb could not be started";
        QByteArray number;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                number += Xvfb->readAllStandardOutput();
                return number.contains('\n') || Xvfb->state() == QProcess::NotRunning;
            },
            kStartMs))
            << "Xvfb did not tell its display";
        ASSERT_FALSE(number.trimmed().isEmpty()) << Xvfb->readAllStandardError().toStdString();
        Display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        // The server answers before the window manager is started on it.
        ASSERT_TRUE(QTest::qWaitFor(
            [] {
                int rc = -1;
                Tool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_ACTIVE_WINDOW")}, &rc);
                return rc == 0;
            },
            kStartMs))
            << "Xvfb does not answer on " << Display.toStdString();
        Openbox = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), Display);
        Openbox->setProcessEnvironment(env);
        Openbox->setProcessChannelMode(QProcess::MergedChannels);
        Openbox->start(QStringLiteral("openbox"), {});
        ASSERT_TRUE(Openbox->waitForStarted(5000)) << "openbox could not be started";
        ASSERT_TRUE(QTest::qWaitFor(
            [] {
                return Tool(QStringLiteral("xprop"),
                            {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                    .contains(QStringLiteral("window id"));
            },
            kStartMs))
            << "openbox did not take the display " << Display.toStdString() << " (running "
            << (Openbox->state() == QProcess::Running) << ", exit " << Openbox->exitCode()
            << "): " << Openbox->readAll().toStdString() << " / xprop: "
            << Tool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                   .toStdString();
    }

    static void TearDownTestSuite()
    {
        for (QProcess** p : {&Openbox, &Xvfb}) {
            if (!*p) continue;
            (*p)->terminate();
            if (!(*p)->waitForFinished(5000)) (*p)->kill();
            delete *p;
            *p = nullptr;
        }
    }

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : {"run", "home", "config", "data", "disc"}) QDir(dir.path()).mkpath(QLatin1String(sub));
        QFile::setPermissions(path("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        for (const char* f : {"demo.cue", "demo.bin", "demo.dat"})
            ASSERT_TRUE(
                QFile::copy(kBuild + QStringLiteral("/demo/") + QLatin1String(f), path("disc/") + QLatin1String(f)))
                << f;
        // The demo's settings, pointing at this copy of the disc.
        IniDocument demo;
        ASSERT_TRUE(ReadIniFile(kBuild + QStringLiteral("/demo/Mirelune.ini"), demo));
        demo.WriteString(QStringLiteral("Settings"), QStringLiteral("DriveName"), path("disc/demo.cue"));
        demo.WriteString(QStringLiteral("Settings"), QStringLiteral("WordsPath"), path("disc/"));
        ini = demo;
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
        // A player left playing on by a test is stopped by its socket, as the program does.
        stopPlayer();
    }

    QString path(const char* rel) const { return dir.filePath(QLatin1String(rel)); }

    void writeSettings(const QString& file)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        ASSERT_TRUE(WriteIniFile(file, ini));
    }

    QProcess* start(const QStringList& args, const QString& program = kBuild + QStringLiteral("/mirelune"),
                    const QProcessEnvironment& extra = {})
    {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), Display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("run"));
        env.insert(QStringLiteral("HOME"), path("home"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + path("run/no-sound-server"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.insert(extra);
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(channels);
        p->start(program, args);
        running.append(p);
        return p;
    }

    // The main window of process p, once it is on the screen.
    QString waitForWindow(QProcess* p)
    {
        QString id;
        const QString pid = QString::number(p->processId());
        (void)QTest::qWaitFor(
            [&] {
                const QStringList ids = Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                             QStringLiteral("--name"), QStringLiteral("^Mirelune")})
                                            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                for (const QString& w : ids) {
                    if (Xdo({QStringLiteral("getwindowpid"), w}) != pid) continue;
                    const QString name = Xdo({QStringLiteral("getwindowname"), w});
                    if (name == QStringLiteral("Mirelune") || name.endsWith(QStringLiteral("- Mirelune"))) {
                        id = w;
                        return true;
                    }
                }
                return false;
            },
            kStartMs);
        return id;
    }

    // Minimised, the window's title carries the status: wait until the demo has played
    // at least this many seconds of track 1.
    bool waitForPlaying(const QString& window, int seconds)
    {
        const QRegularExpression playing(QStringLiteral("^\\[01\\] 0’(\\d\\d)” - Mirelune$"));
        // A minimise sent while a busy window manager is still taking the new window on is
        // lost: it is sent again for as long as the window keeps its plain title.
        QElapsedTimer sinceMinimise;
        QString title;
        const bool ok = QTest::qWaitFor(
            [&] {
                if (!sinceMinimise.isValid() ||
                    (title == QStringLiteral("Mirelune") && sinceMinimise.elapsed() > 2000)) {
                    Xdo({QStringLiteral("windowminimize"), window});
                    sinceMinimise.start();
                }
                title = Xdo({QStringLiteral("getwindowname"), window});
                const auto m = playing.match(title);
                return m.hasMatch() && m.captured(1).toInt() >= seconds;
            },
            kStartMs);
        if (!ok) std::fprintf(stderr, "not playing: the window's title is \"%s\"\n", qPrintable(title));
        Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
        (void)QTest::qWaitFor(
            [&] {
                return Xdo({QStringLiteral("getwindowname"), window}) == QStringLiteral("Mirelune");
            },
            kStartMs);
        return ok;
    }

    // Closes the program through its Disc menu's exit item and waits for its end. The
    // keys go to the active window, so each try first makes sure the window is active.
    bool exitThroughMenu(QProcess* p, const QString& window)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            Xdo({QStringLiteral("key"), QStringLiteral("Escape")});
            Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
            if (!QTest::qWaitFor([&] { return Xdo({QStringLiteral("getactivewindow")}) == window; }, 5000)) continue;
            Xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("alt+d")});
            // The open menu is a window of the program without a name (--all: every
            // condition must hold; by default any one does, and the main window would).
            const bool menuOpen = QTest::qWaitFor(
                [&] {
                    return !Xdo({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--pid"), QString::number(p->processId()), QStringLiteral("--name"),
                                 QStringLiteral("^$")})
                                .isEmpty();
                },
                5000);
            if (!menuOpen) continue;
            Xdo({QStringLiteral("key"), QStringLiteral("x")});
            if (p->waitForFinished(kStartMs)) return p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
        }
        return false;
    }

    // The window manager keeps the window minimised.
    static bool hidden(const QString& window)
    {
        return Tool(QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("_NET_WM_STATE")})
            .contains(QStringLiteral("_NET_WM_STATE_HIDDEN"));
    }

    // The window is on the screen (mapped), not hidden by the program.
    static bool mapped(const QString& window)
    {
        return Tool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window}).contains(QStringLiteral("IsViewable"));
    }

    bool playerRunning()
    {
        QLocalSocket s;
        s.connectToServer(path("run/Mirelune.PlayOn"));
        return s.waitForConnected(1000);
    }

    void stopPlayer()
    {
        QLocalSocket s;
        s.connectToServer(path("run/Mirelune.PlayOn"));
        if (!s.waitForConnected(1000)) return;
        s.write("stop\n");
        s.waitForBytesWritten(1000);
        s.waitForDisconnected(5000);
    }

    QStringList logLines() const
    {
        QFile f(dir.filePath(QStringLiteral("data/Mirelune/Mirelune.log")));
        if (!f.open(QIODevice::ReadOnly)) return {};
        const QByteArray bytes = f.readAll();
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        return Cp932::Decode(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    IniDocument ini;
    QList<QProcess*> running;
    QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel; // of the next start
};
} // namespace

TEST_F(EndToEnd, ASecondStartBringsTheFirstForwardAndEndsSilently)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* first = start({});
    const QString window = waitForWindow(first);
    ASSERT_FALSE(window.isEmpty());
    Xdo({QStringLiteral("windowminimize"), window});
    ASSERT_TRUE(QTest::qWaitFor([&] { return hidden(window); }, kStartMs));

    QProcess* second = start({});
    ASSERT_TRUE(second->waitForFinished(kStartMs));
    EXPECT_EQ(second->exitCode(), 0);
    // The first comes back from the taskbar; the second never showed a window.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !hidden(window); }, kStartMs));
    EXPECT_EQ(Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                   QStringLiteral("^Mirelune$")}),
              window);
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_TRUE(exitThroughMenu(first, window));
}

TEST_F(EndToEnd, TheIOptionNamesASettingsFileBesideTheExecutable)
{
    // A portable copy of the program (a Mirelune.ini beside it) in a folder of its own,
    // with my.ini beside it.
    QDir(dir.path()).mkpath(QStringLiteral("bin"));
    const QString program = path("bin/mirelune");
    ASSERT_TRUE(QFile::copy(kBuild + QStringLiteral("/mirelune"), program));
    QFile portable(path("bin/Mirelune.ini"));
    ASSERT_TRUE(portable.open(QIODevice::WriteOnly));
    portable.close();
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    writeSettings(path("bin/my.ini"));

    QProcess* p = start({QStringLiteral("-I:my")}, program);
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(exitThroughMenu(p, window));

    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(path("bin/my.ini"), saved));
    EXPECT_TRUE(saved.Value(QStringLiteral("Window"), QStringLiteral("MainLeft")).has_value());
    EXPECT_EQ(saved.ReadString(QStringLiteral("Settings"), QStringLiteral("DriveName"), {}), path("disc/demo.cue"));
    EXPECT_FALSE(QFile::exists(path("config/Mirelune/Mirelune.ini")));
    EXPECT_EQ(QFileInfo(path("bin/Mirelune.ini")).size(), 0);
}

TEST_F(EndToEnd, ARegisteredDiscWritesOneLogLinePerPeriodAndClosingSavesPlaceAndPlayTime)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("RecordLog"), QStringLiteral("1"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    Xdo({QStringLiteral("windowmove"), window, QStringLiteral("100"), QStringLiteral("140")});
    ASSERT_TRUE(waitForPlaying(window, 2));
    ASSERT_TRUE(exitThroughMenu(p, window));

    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1);
    // The title padded to 32 bytes of its code page 932 form (21 bytes and 11 blanks).
    EXPECT_TRUE(lines[0].contains(QRegularExpression(QStringLiteral(
        "^Mirelune デモディスク {11} \\d{4}\\.\\d\\d\\.\\d\\d\\(.+\\) \\d\\d:\\d\\d\\.\\d\\d - \\d\\d\\.\\d\\d\\(.+\\) "
        "\\d\\d:\\d\\d\\.\\d\\d$"))))
        << lines[0].toStdString();

    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(path("config/Mirelune/Mirelune.ini"), saved));
    EXPECT_TRUE(saved.Value(QStringLiteral("Window"), QStringLiteral("MainTop")).has_value());
    EXPECT_NEAR(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("MainLeft"), -1), 100, 20);
    IniDocument data;
    ASSERT_TRUE(ReadIniFile(path("disc/demo.dat"), data));
    EXPECT_GE(data.ReadInteger(QStringLiteral("Info"), QStringLiteral("PlayTime"), 0), 1);

    // The log off: the period still ends, and no line is written.
    ini = saved;
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("RecordLog"), QStringLiteral("0"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* again = start({});
    const QString window2 = waitForWindow(again);
    ASSERT_FALSE(window2.isEmpty());
    ASSERT_TRUE(waitForPlaying(window2, 1));
    ASSERT_TRUE(exitThroughMenu(again, window2));
    EXPECT_EQ(logLines().size(), 1);
}

TEST_F(EndToEnd, ATerminationSignalSavesAsTheProgramsOwnExitDoesButEndsTheSound)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("RecordLog"), QStringLiteral("1"));
    // Only the user's own close plays on: a logout or a kill ends the sound.
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("PlayOnExit"), QStringLiteral("1"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(waitForPlaying(window, 2));
    p->terminate(); // SIGTERM, as a logout sends it
    ASSERT_TRUE(p->waitForFinished(kStartMs));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p->exitCode(), 0);
    EXPECT_FALSE(QTest::qWaitFor([&] { return playerRunning(); }, 3000)) << "played on after a logout";

    EXPECT_EQ(logLines().size(), 1);
    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(path("config/Mirelune/Mirelune.ini"), saved));
    EXPECT_TRUE(saved.Value(QStringLiteral("Window"), QStringLiteral("MainTop")).has_value());
    IniDocument data;
    ASSERT_TRUE(ReadIniFile(path("disc/demo.dat"), data));
    EXPECT_GE(data.ReadInteger(QStringLiteral("Info"), QStringLiteral("PlayTime"), 0), 1);
}

TEST_F(EndToEnd, ATerminationSignalEndsTheProgramEvenWhenItsSettingsCannotBeSaved)
{
    // Settings named without a folder, in the config folder (the program is not
    // portable), and read-only: the exit save fails. Nobody is there to answer a box.
    writeSettings(path("config/Mirelune/ro.ini"));
    const QString settings = path("config/Mirelune/ro.ini");
    ASSERT_TRUE(QFile::setPermissions(settings, QFileDevice::ReadOwner));
    const QByteArray before = [&] {
        QFile f(settings);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    channels = QProcess::SeparateChannels;
    QProcess* p = start({QStringLiteral("-i:ro")});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty()) << "the settings named were not found: " << p->readAllStandardError().toStdString();
    ASSERT_TRUE(waitForPlaying(window, 1));
    QElapsedTimer ending;
    ending.start();
    p->terminate();
    ASSERT_TRUE(p->waitForFinished(10000)) << "still running after SIGTERM";
    EXPECT_LT(ending.elapsed(), 5000);
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromUtf8(p->readAllStandardError());
    EXPECT_TRUE(err.contains(settings)) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("読み取り専用"))) << err.toStdString();
    QFile f(settings);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    // The play state went into the data file all the same.
    IniDocument data;
    ASSERT_TRUE(ReadIniFile(path("disc/demo.dat"), data));
    EXPECT_GE(data.ReadInteger(QStringLiteral("Info"), QStringLiteral("PlayTime"), 0), 1);
}

TEST_F(EndToEnd, DataFilesItCannotReadSurviveARunAndAFifoLeavesItEndingOnSigterm)
{
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    const QString data = path("disc/demo.dat");
    QByteArray demo;
    {
        QFile f(data);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        demo = f.readAll();
    }
    QByteArray junk;
    for (int i = 0; i < 2048; ++i) junk += static_cast<char>(i * 131 % 256);
    const QByteArray utf16 = EncodeUtf16(DecodeFileText(demo).text, false);
    for (const char* kind : {"fifo", "junk", "utf16"}) {
        const QString k = QLatin1String(kind);
        QFile::remove(data);
        if (k == QLatin1String("fifo")) {
            ASSERT_EQ(mkfifo(QFile::encodeName(data).constData(), 0644), 0);
        } else {
            QFile f(data);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(k == QLatin1String("junk") ? junk : utf16);
        }
        channels = QProcess::SeparateChannels;
        QProcess* p = start({});
        const QString window = waitForWindow(p);
        ASSERT_FALSE(window.isEmpty()) << kind;
        // The UTF-16 file plays with its lyrics; the others are told of, and the disc plays.
        if (k == QLatin1String("utf16"))
            ASSERT_TRUE(waitForPlaying(window, 1));
        else
            QTest::qWait(3000);
        p->terminate();
        ASSERT_TRUE(p->waitForFinished(10000)) << kind << ": still running after SIGTERM";
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit) << kind;
        QFile f(data);
        if (k == QLatin1String("fifo")) {
            EXPECT_FALSE(QFileInfo(data).isFile());
        } else if (k == QLatin1String("junk")) {
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), junk);
        } else {
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const DecodedText saved = DecodeFileText(f.readAll());
            EXPECT_TRUE(saved.utf16 && saved.invalid == 0);
            IniDocument doc = IniDocument::Parse(saved.text);
            EXPECT_GE(doc.ReadInteger(QStringLiteral("Info"), QStringLiteral("PlayTime"), 0), 1);
            EXPECT_EQ(doc.Entries(QStringLiteral("Words01")),
                      IniDocument::Parse(DecodeFileText(demo).text).Entries(QStringLiteral("Words01")));
        }
    }
}

TEST_F(EndToEnd, ClosingWhilePlayingStopsTheDiscOrPlaysOnUntilTheNextStart)
{
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(waitForPlaying(window, 1));
    ASSERT_TRUE(exitThroughMenu(p, window));
    EXPECT_FALSE(playerRunning()); // PlayOnExit off: the disc stopped with the program

    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(path("config/Mirelune/Mirelune.ini"), saved));
    saved.WriteString(QStringLiteral("Settings"), QStringLiteral("PlayOnExit"), QStringLiteral("1"));
    ini = saved;
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    p = start({});
    window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(waitForPlaying(window, 1));
    ASSERT_TRUE(exitThroughMenu(p, window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return playerRunning(); }, kStartMs)); // playing on

    // The next start stops it before it opens the drive.
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    p = start({});
    window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    EXPECT_FALSE(playerRunning());
    ASSERT_TRUE(exitThroughMenu(p, window));
}

TEST_F(EndToEnd, ABarlessWindowStaysOnTopUntilF8)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("HideMainBar"), QStringLiteral("1"));
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("StayOnTop"), QStringLiteral("1"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    auto state = [&] {
        return Tool(QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("_NET_WM_STATE")});
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return state().contains(QStringLiteral("_NET_WM_STATE_ABOVE")); }, kStartMs));
    // No title bar and no menu bar: the window is the bar's client area alone.
    EXPECT_TRUE(Xdo({QStringLiteral("getwindowgeometry"), window}).contains(QStringLiteral("x78")));

    Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
    Xdo({QStringLiteral("key"), QStringLiteral("F8")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !state().contains(QStringLiteral("_NET_WM_STATE_ABOVE")); }, kStartMs));

    // Closed by the window manager (there is no menu to exit from).
    Xdo({QStringLiteral("key"), QStringLiteral("alt+F4")});
    ASSERT_TRUE(p->waitForFinished(kStartMs));
    EXPECT_EQ(p->exitCode(), 0);
}

TEST_F(EndToEnd, ADriveThatCannotBeOpenedIsReportedThenAnotherMayBeChosen)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("DriveName"),
                    QStringLiteral("/dev/mirelune-no-such-drive"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    // Only the message box "Mirelune" comes up; after its OK the drive selection.
    const QString box = waitForWindow(p);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_EQ(p->state(), QProcess::Running);
    Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), box});
    Xdo({QStringLiteral("key"), QStringLiteral("Return")});
    QString select;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QStringList ids = Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                         QStringLiteral("--pid"), QString::number(p->processId()),
                                         QStringLiteral("--name"), QStringLiteral(".")})
                                        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (const QString& w : ids)
                if (Xdo({QStringLiteral("getwindowname"), w}) == QStringLiteral("ドライブ選択")) select = w;
            return !select.isEmpty();
        },
        kStartMs))
        << "no drive selection after the message";
    // Closed without a choice: the program ends.
    Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), select});
    Xdo({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(p->waitForFinished(kStartMs));
    EXPECT_EQ(p->exitCode(), 1);
    EXPECT_FALSE(QFile::exists(path("data/Mirelune/Mirelune.log")));

    // The message offers the choice or the end: Cancel on it ends the program at once.
    QProcess* again = start({});
    const QString second = waitForWindow(again);
    ASSERT_FALSE(second.isEmpty());
    EXPECT_EQ(Xdo({QStringLiteral("getwindowname"), second}), QStringLiteral("Mirelune"));
    Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), second});
    Xdo({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(again->waitForFinished(kStartMs)) << "the program went on after Cancel";
    EXPECT_EQ(again->exitCode(), 1);
}

TEST_F(EndToEnd, AMissingDiscImageIsAnEmptyDriveUntilTheFileAppears)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("DriveName"), path("disc/later.cue"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    EXPECT_EQ(Xdo({QStringLiteral("getwindowname"), window}), QStringLiteral("Mirelune")); // no message box

    // A sheet that cannot be read comes first: one note tells why, however many polls
    // follow, and the drive waits for a good disc.
    QFile bad(path("disc/later.cue"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("FILE \"gone.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    bad.close();
    auto notes = [&] {
        return Xdo({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--pid"), QString::number(p->processId()), QStringLiteral("--name"),
                    QStringLiteral("ディスク$")})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
            .size();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return notes() == 1; }, kStartMs)) << "no note about the sheet";
    QTest::qWait(3000);
    EXPECT_EQ(notes(), 1);

    ASSERT_TRUE(QFile::remove(path("disc/later.cue")));
    ASSERT_TRUE(QFile::copy(path("disc/demo.cue"), path("disc/later.cue")));
    EXPECT_TRUE(waitForPlaying(window, 1)) << "the disc did not come in and play";
    EXPECT_EQ(notes(), 0) << "the note about the bad sheet stays after a good disc came in";
    EXPECT_TRUE(exitThroughMenu(p, window));
}

TEST_F(EndToEnd, TheMainWindowTakesBackAMaximiseAndHiddenComesBackWithASecondStart)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    ini.WriteString(QStringLiteral("Window"), QStringLiteral("Visible"), QStringLiteral("1")); // no lyrics window
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* first = start({});
    const QString window = waitForWindow(first);
    ASSERT_FALSE(window.isEmpty());

    // A double click on the title bar: openbox maximises, the bar asks back its old size.
    const QString size = Xdo({QStringLiteral("getwindowgeometry"), window});
    QProcess spy;
    spy.setProcessEnvironment(OnDisplay());
    spy.start(QStringLiteral("xprop"),
              {QStringLiteral("-spy"), QStringLiteral("-id"), window, QStringLiteral("_NET_WM_STATE")});
    QByteArray states;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (states += spy.readAllStandardOutput()).contains('\n'); }, kStartMs));
    // On a busy machine the two clicks may come too far apart to make a double click:
    // then nothing happens and the user clicks twice again (never once the window was
    // maximised, as a second double click would take the maximise back itself).
    const auto maximisedThenTakenBack = [&] {
        states += spy.readAllStandardOutput();
        const int maximised = states.indexOf("_NET_WM_STATE_MAXIMIZED_HORZ");
        return maximised >= 0 && states.indexOf("_NET_WM_STATE(ATOM) = \n", maximised) > maximised;
    };
    bool takenBack = false;
    for (int tries = 0; tries < 3 && !takenBack && !states.contains("_NET_WM_STATE_MAXIMIZED_HORZ"); ++tries) {
        Xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QStringLiteral("100"),
             QStringLiteral("-10"), QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
             QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
        takenBack = QTest::qWaitFor(maximisedThenTakenBack, kStartMs / 4);
    }
    takenBack = takenBack || QTest::qWaitFor(maximisedThenTakenBack, kStartMs);
    EXPECT_TRUE(takenBack) << states.toStdString();
    spy.kill();
    spy.waitForFinished(5000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Xdo({QStringLiteral("getwindowgeometry"), window}) == size; }, kStartMs));

    // Hidden with Ctrl+M, nothing of the program is on the screen: a second start shows it.
    Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+m")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !mapped(window); }, kStartMs));
    QProcess* second = start({});
    ASSERT_TRUE(second->waitForFinished(kStartMs));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return mapped(window); }, kStartMs));
    ASSERT_TRUE(exitThroughMenu(first, window));
    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(path("config/Mirelune/Mirelune.ini"), saved));
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("Visible"), -1), 1);
}

TEST_F(EndToEnd, TheLyricsWindowComesUpOnTheScreenAndTakesBackAMaximiseKeepingItsFont)
{
    // A place and size that fit no screen of this one, with the font at its cap, as a
    // maximise once left them.
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    ini.WriteString(QStringLiteral("Window"), QStringLiteral("WordsLeft"), QStringLiteral("2000"));
    ini.WriteString(QStringLiteral("Window"), QStringLiteral("WordsTop"), QStringLiteral("1500"));
    ini.WriteString(QStringLiteral("Window"), QStringLiteral("WordsWidth"), QStringLiteral("3000"));
    ini.WriteString(QStringLiteral("Font"), QStringLiteral("Size"), QStringLiteral("300"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    QString lyrics;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            lyrics = Xdo({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), QString::number(p->processId()), QStringLiteral("--name"),
                          QStringLiteral("^歌詞$")});
            return !lyrics.isEmpty();
        },
        kStartMs));
    // Where it stands inside its frame, in the screen of 1024 × 768 (xwininfo: xdotool
    // counts the frame twice in the position).
    const QRegularExpression shape(QStringLiteral("Absolute upper-left X: +(-?\\d+).*Absolute upper-left Y: +(-?\\d+)"
                                                  ".*Width: (\\d+).*Height: (\\d+)"),
                                   QRegularExpression::DotMatchesEverythingOption);
    const auto info = [&] { return Tool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), lyrics}); };
    const auto geometry = [&] {
        const auto m = shape.match(info());
        return m.hasMatch()
                   ? QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt())
                   : QRect();
    };
    const QRect screen(0, 0, 1024, 768);
    QRect placed;
    // Still for a moment: the place the window manager gave it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QRect now = geometry();
            QTest::qWait(500);
            placed = geometry();
            return !placed.isEmpty() && placed == now;
        },
        kStartMs));
    EXPECT_TRUE(screen.contains(placed)) << info().toStdString();
    EXPECT_LE(placed.height(), screen.height() / 2);

    // A double click on its title bar: openbox maximises, the window asks back its place.
    QProcess spy;
    spy.setProcessEnvironment(OnDisplay());
    spy.start(QStringLiteral("xprop"),
              {QStringLiteral("-spy"), QStringLiteral("-id"), lyrics, QStringLiteral("_NET_WM_STATE")});
    QByteArray states;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (states += spy.readAllStandardOutput()).contains('\n'); }, kStartMs));
    const auto maximisedThenTakenBack = [&] {
        states += spy.readAllStandardOutput();
        const int maximised = states.indexOf("_NET_WM_STATE_MAXIMIZED_HORZ");
        return maximised >= 0 && states.indexOf("_NET_WM_STATE(ATOM) = \n", maximised) > maximised;
    };
    bool takenBack = false;
    for (int tries = 0; tries < 3 && !takenBack && !states.contains("_NET_WM_STATE_MAXIMIZED_HORZ"); ++tries) {
        Xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), lyrics, QStringLiteral("40"),
             QStringLiteral("-8"), QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
             QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
        takenBack = QTest::qWaitFor(maximisedThenTakenBack, kStartMs / 4);
    }
    takenBack = takenBack || QTest::qWaitFor(maximisedThenTakenBack, kStartMs);
    EXPECT_TRUE(takenBack) << states.toStdString();
    spy.kill();
    spy.waitForFinished(5000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return geometry() == placed; }, kStartMs)) << info().toStdString();

    // What the settings keep is the window as it was placed, not the maximise.
    ASSERT_TRUE(exitThroughMenu(p, window));
    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(path("config/Mirelune/Mirelune.ini"), saved));
    const int size = saved.ReadInteger(QStringLiteral("Font"), QStringLiteral("Size"), -1);
    EXPECT_GT(size, 6);
    EXPECT_LT(size, 300);
    EXPECT_LE(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("WordsWidth"), -1), 1024 + 8);
    EXPECT_GE(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("WordsLeft"), -1), 0);
    EXPECT_LE(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("WordsTop"), -1), 768 - placed.height());
}

TEST_F(EndToEnd, TheLyricsWindowShowsTheFirstLineAtItsTimeAndClosingItEndsTheProgram)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    // The lyrics window comes up by itself (the settings' Visible bit 1), empty while stopped.
    QString lyrics;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            lyrics = Xdo({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), QString::number(p->processId()), QStringLiteral("--name"),
                          QStringLiteral("^歌詞$")});
            return !lyrics.isEmpty();
        },
        kStartMs));
    const QString shot = path("lyrics.png");
    const auto inked = [&] {
        Tool(QStringLiteral("import"), {QStringLiteral("-window"), lyrics, shot});
        const QImage image(shot);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != qRgb(0, 0, 0)) return true;
        return false;
    };
    EXPECT_FALSE(inked());
    const auto captioned = [&](const QString& caption) {
        return QTest::qWaitFor([&] { return Xdo({QStringLiteral("getwindowname"), lyrics}) == caption; }, kStartMs);
    };
    const QRegularExpression playing(QStringLiteral("^\\[01\\] 0’(\\d\\d)” - Mirelune$"));
    const auto second = [&] {
        const auto m = playing.match(Xdo({QStringLiteral("getwindowname"), window}));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };
    // The first line runs from 1.0 s to 4.0 s of track 1. Each grab of the window lies
    // between two readings of the second, which lag the head by up to one poll: a grab
    // begun at second 1 or later and ended before second 3 was read lies within the line
    // and shows it, and once shown the line stays until second 3. On a busy machine grabs
    // are far apart, so the track is played again until one fell within the line.
    struct Grab {
        int before;
        bool ink;
        int after;
    };
    const auto within = [](const Grab& g) { return g.before >= 1 && g.after <= 2; };
    QString seen;
    bool checked = false;
    for (int pass = 0; pass < 3 && !checked; ++pass) {
        // Played with Ctrl+P (from the start again after Ctrl+S), then minimised: the main
        // window's title tells the playing second.
        Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
        if (pass > 0) {
            Xdo({QStringLiteral("key"), QStringLiteral("ctrl+s")});
            EXPECT_TRUE(captioned(QStringLiteral("歌詞")));
        }
        Xdo({QStringLiteral("key"), QStringLiteral("ctrl+p")});
        Xdo({QStringLiteral("windowminimize"), window});
        EXPECT_TRUE(captioned(QStringLiteral("01: 月の舟 - 歌詞")));
        QList<Grab> grabs;
        for (int tries = 0; tries < 400; ++tries) {
            const int before = second();
            if (before >= 4) break;
            const bool ink = inked();
            const int after = second();
            if (before >= 0 && after >= 0) grabs.append({before, ink, after});
        }
        seen += QStringLiteral(" |");
        for (const Grab& g : grabs)
            seen += QStringLiteral(" %1%2%3").arg(g.before).arg(QChar(g.ink ? u'*' : u'-')).arg(g.after);
        const auto firstInk = std::find_if(grabs.begin(), grabs.end(), [](const Grab& g) { return g.ink; });
        EXPECT_TRUE(std::all_of(grabs.begin(), grabs.end(), [&](const Grab& g) { return g.ink || !within(g); }) &&
                    std::all_of(firstInk, grabs.end(), [](const Grab& g) { return g.ink || g.after >= 3; }))
            << seen.toStdString();
        checked = std::any_of(grabs.begin(), grabs.end(), within);
    }
    EXPECT_TRUE(checked) << "no grab fell within the line:" << seen.toStdString();

    // Closed by the window manager, the lyrics window ends the program, which saves its place.
    Xdo({QStringLiteral("windowmove"), lyrics, QStringLiteral("200"), QStringLiteral("300")});
    for (int attempt = 0; attempt < 3 && p->state() != QProcess::NotRunning; ++attempt) {
        Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), lyrics});
        if (!QTest::qWaitFor([&] { return Xdo({QStringLiteral("getactivewindow")}) == lyrics; }, 5000)) continue;
        Xdo({QStringLiteral("key"), QStringLiteral("alt+F4")});
        p->waitForFinished(5000);
    }
    ASSERT_EQ(p->state(), QProcess::NotRunning);
    EXPECT_EQ(p->exitCode(), 0);
    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(path("config/Mirelune/Mirelune.ini"), saved));
    EXPECT_NEAR(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("WordsLeft"), -1), 200, 20);
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("Visible"), -1), 3);
}

TEST_F(EndToEnd, TheDemoPlaysBesideAMireluneTheUserRuns)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* users = start({});
    const QString usersWindow = waitForWindow(users);
    ASSERT_FALSE(usersWindow.isEmpty());

    // A build folder as the build leaves it: the player and the demo disc's settings.
    QDir(dir.path()).mkpath(QStringLiteral("build/demo"));
    ASSERT_TRUE(QFile::link(kBuild + QStringLiteral("/mirelune"), path("build/mirelune")));
    writeSettings(path("build/demo/Mirelune.ini"));
    QProcessEnvironment demoEnv;
    demoEnv.insert(QStringLiteral("MIRELUNE_BUILD"), path("build"));
    // With a display and no time limit the script becomes the player.
    QProcess* demo = start({kSource + QStringLiteral("/scripts/run-demo")}, QStringLiteral("bash"), demoEnv);
    const QString demoWindow = waitForWindow(demo);
    ASSERT_FALSE(demoWindow.isEmpty()) << "the demo handed over to the running Mirelune";
    EXPECT_NE(demoWindow, usersWindow);
    EXPECT_TRUE(mapped(usersWindow));
    ASSERT_TRUE(exitThroughMenu(demo, demoWindow));
    EXPECT_EQ(users->state(), QProcess::Running);
    ASSERT_TRUE(exitThroughMenu(users, usersWindow));
}

TEST_F(EndToEnd, DataEntryStampsALineEndFromTheKeyboardWhileTheTrackPlaysAndOkSavesIt)
{
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    const auto dialogShown = [] {
        return !Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                     QStringLiteral("^データ入力$")})
                    .isEmpty();
    };
    ASSERT_TRUE(waitForPlaying(window, 1)); // the disc is loaded
    Xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+d")});
    ASSERT_TRUE(QTest::qWaitFor(dialogShown, kStartMs));
    // The timing page, the end of line 4 of track 1 (shown 1300 to 1600), then Start:
    // the track plays from the line's start, and Space stamps its end a second later.
    Xdo({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100"), QStringLiteral("ctrl+Tab"),
         QStringLiteral("ctrl+Tab"), QStringLiteral("alt+i"), QStringLiteral("Down"), QStringLiteral("Down"),
         QStringLiteral("Down"), QStringLiteral("Right"), QStringLiteral("alt+b")});
    QTest::qWait(1000);
    Xdo({QStringLiteral("key"), QStringLiteral("space")});
    // Stop; a test from the stamp shows the lyrics window with "テスト" in its caption.
    Xdo({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("200"), QStringLiteral("alt+b"),
         QStringLiteral("alt+e")});
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                         QString::number(p->processId()), QStringLiteral("--name"),
                         QStringLiteral("^01: 月の舟 - 歌詞テスト$")})
                        .isEmpty();
        },
        kStartMs));
    // The test stopped, Enter is OK.
    Xdo({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("200"), QStringLiteral("alt+e"),
         QStringLiteral("Return")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogShown(); }, kStartMs));

    IniDocument data;
    ASSERT_TRUE(ReadIniFile(path("disc/demo.dat"), data));
    const QStringList line =
        data.ReadString(QStringLiteral("Words01"), QStringLiteral("004"), {}).split(QLatin1Char(','));
    ASSERT_EQ(line.size(), 3);
    EXPECT_EQ(line[0], QStringLiteral("1300"));
    EXPECT_GE(line[1].toInt(), 1400);
    EXPECT_LT(line[1].toInt(), 1600);
    EXPECT_EQ(line[2], QStringLiteral("夢の中で また会おう"));
    ASSERT_TRUE(exitThroughMenu(p, window));
}

TEST_F(EndToEnd, ALogoutWithDataEntryOpenLeavesTheTypedTitleInADraft)
{
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(waitForPlaying(window, 1)); // the disc is loaded
    Xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+d")});
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            return !Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                         QStringLiteral("^データ入力$")})
                        .isEmpty();
        },
        kStartMs));
    // The disc's title, typed over.
    Xdo({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100"), QStringLiteral("alt+t"),
         QStringLiteral("ctrl+a")});
    Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("50"), QStringLiteral("Unsaved Title")});
    IniDocument before;
    ASSERT_TRUE(ReadIniFile(path("disc/demo.dat"), before));
    p->terminate(); // SIGTERM, as a logout sends it
    ASSERT_TRUE(p->waitForFinished(kStartMs));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);

    // The draft is in the data folder; the data file has only its play state saved.
    const QStringList drafts = QDir(path("data/Mirelune/drafts")).entryList({QStringLiteral("*.draft")}, QDir::Files);
    ASSERT_EQ(drafts.size(), 1);
    IniDocument draft;
    ASSERT_TRUE(ReadIniFile(path("data/Mirelune/drafts/") + drafts[0], draft));
    EXPECT_EQ(draft.ReadString(QStringLiteral("Info"), QStringLiteral("Title"), {}), QStringLiteral("Unsaved Title"));
    IniDocument after;
    ASSERT_TRUE(ReadIniFile(path("disc/demo.dat"), after));
    for (const QString& section : before.SectionNames())
        if (section != QLatin1String("Info"))
            EXPECT_EQ(after.Entries(section), before.Entries(section)) << section.toStdString();
    EXPECT_EQ(after.ReadString(QStringLiteral("Info"), QStringLiteral("Title"), {}),
              before.ReadString(QStringLiteral("Info"), QStringLiteral("Title"), {}));
}

TEST_F(EndToEnd, TheProgramIsEditedAndSavedAndThePropertiesAreShownAndExported)
{
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    const QString pid = QString::number(p->processId());
    // The visible window of the program with this title, empty when none is. (Titles are
    // compared here: xdotool's own name search does not match Japanese titles reliably.)
    auto named = [&](const QString& title) {
        const QStringList ids = Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                     pid, QStringLiteral("--name"), QStringLiteral(".*")})
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& id : ids)
            if (Xdo({QStringLiteral("getwindowname"), id}) == title) return id;
        return QString();
    };
    auto shown = [&](const QString& title, bool on = true) {
        return QTest::qWaitFor([&] { return named(title).isEmpty() != on; }, kStartMs);
    };
    // Keys go to the active window: the window of this title is made the active one (as
    // a click on it would), and the program is given a moment to take the focus.
    auto active = [&](const QString& title) {
        Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), named(title)});
        const bool ok = QTest::qWaitFor(
            [&] {
                return Xdo({QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")}) == title;
            },
            kStartMs);
        QTest::qWait(300);
        return ok;
    };
    // Opens the window of this title from the main window with keys, tried again while
    // the program may still be starting, and makes it the active one.
    auto open = [&](const QStringList& keys, const QString& title) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
            QTest::qWait(300);
            for (const QString& key : keys) {
                Xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), key});
                QTest::qWait(300);
            }
            if (QTest::qWaitFor([&] { return !named(title).isEmpty(); }, 5000)) return active(title);
        }
        return false;
    };
    auto keys = [&](const QStringList& keys) {
        for (const QString& key : keys) {
            Xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), key});
            QTest::qWait(200);
        }
    };
    auto program = [&] {
        IniDocument data;
        return ReadIniFile(path("disc/demo.dat"), data)
                   ? data.ReadString(QStringLiteral("Info"), QStringLiteral("Program"), {})
                   : QString();
    };

    // Track 1 added twice by the keyboard, saved, and confirmed with Enter.
    ASSERT_TRUE(open({QStringLiteral("ctrl+g")}, QStringLiteral("プログラム設定")));
    keys({QStringLiteral("alt+a"), QStringLiteral("alt+a"), QStringLiteral("alt+s")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return program() == QStringLiteral("1,1"); }, kStartMs))
        << program().toStdString();
    keys({QStringLiteral("Return")});
    ASSERT_TRUE(shown(QStringLiteral("プログラム設定"), false));

    ASSERT_TRUE(open({QStringLiteral("ctrl+i")}, QStringLiteral("CDのプロパティ")));
    keys({QStringLiteral("Escape")});
    ASSERT_TRUE(shown(QStringLiteral("CDのプロパティ"), false));

    // The export, from the Disc menu, into a file named in the save dialog.
    ASSERT_TRUE(open({QStringLiteral("alt+d"), QStringLiteral("s")}, QStringLiteral("プロパティをファイルへ出力")));
    const QString csv = path("home/demo-export.csv");
    Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), csv});
    Xdo({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(csv).size() > 0; }, kStartMs));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = Cp932::Decode(file.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("\"Mirelune デモディスク\",\"ミレルーン合唱団\",3,0:0")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("1,\"月の舟\",0:00:")));
    EXPECT_TRUE(exitThroughMenu(p, window));
}

TEST_F(EndToEnd, DataEntryLooksTitlesAndLyricsUpAndNothingIsWrittenBeforeOk)
{
    // The services in small, answering for the demo disc: one release, and a synced text
    // for each of its tracks.
    QDir().mkpath(path("services/discid"));
    MusicBrainzToc toc;
    toc.First = 1;
    toc.Last = 3;
    toc.Offsets = {150, 1650, 3450};
    toc.LeadOut = 5100;
    const QString discId = MusicBrainzDiscId(toc);
    QJsonArray tracks, records;
    const int seconds[] = {20, 24, 22};
    for (int t = 1; t <= 3; ++t) {
        const QString title = QStringLiteral("見つけた曲 %1").arg(t);
        tracks.append(QJsonObject{{"position", t}, {"title", title}});
        records.append(
            QJsonObject{{"trackName", title},
                        {"artistName", "見つけた人"},
                        {"albumName", "見つけた盤"},
                        {"duration", seconds[t - 1]},
                        {"instrumental", false},
                        {"plainLyrics", "一行目"},
                        {"syncedLyrics", QStringLiteral("[00:0%1.00]%2 の一行目\n[00:09.00]\n").arg(t).arg(t)}});
    }
    const QJsonObject release{
        {"title", "見つけた盤"},
        {"date", "2021"},
        {"country", "JP"},
        {"artist-credit", QJsonArray{QJsonObject{{"name", "見つけた人"}}}},
        {"media", QJsonArray{QJsonObject{{"discs", QJsonArray{QJsonObject{{"id", discId}}}}, {"tracks", tracks}}}}};
    auto write = [](const QString& file, const QByteArray& bytes) {
        QFile f(file);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    };
    ASSERT_TRUE(write(path("services/discid/") + discId + ".json",
                      QJsonDocument(QJsonObject{{"releases", QJsonArray{release}}}).toJson()));
    ASSERT_TRUE(write(path("services/lrclib.json"), QJsonDocument(records).toJson()));
    QProcess server;
    server.start(QStringLiteral("python3"), {kSource + QStringLiteral("/tests/support/fake-services.py"),
                                             path("services"), path("port"), path("requests.log")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(path("port")); }, kStartMs));
    QFile portFile(path("port"));
    ASSERT_TRUE(portFile.open(QIODevice::ReadOnly));
    const QString base = QStringLiteral("http://127.0.0.1:") + QString::fromLatin1(portFile.readAll());
    ini.WriteString(QStringLiteral("Online"), QStringLiteral("TitlesServer"), base);
    ini.WriteString(QStringLiteral("Online"), QStringLiteral("LyricsServer"), base);
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    // A disc registered a moment ago: no titles, no lyrics.
    ASSERT_TRUE(write(path("disc/demo.dat"), "[Mirelune]\r\nVersion=151A\r\n\r\n[Info]\r\nTitle=demo\r\n"));
    const QByteArray before = [&] {
        QFile f(path("disc/demo.dat"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const auto file = [&] {
        QFile f(path("disc/demo.dat"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const auto requests = [&] {
        QFile f(path("requests.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)
                                           : QStringList();
    };
    const auto shown = [](const QString& name) {
        return !Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), name})
                    .isEmpty();
    };

    QProcess* p = start({});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(waitForPlaying(window, 1));
    EXPECT_TRUE(requests().isEmpty()) << "nothing is sent unless asked";
    Xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+d")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown(QStringLiteral("^データ入力$")); }, kStartMs));

    // The title page's look-up: one request, and the titles fill the page.
    Xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("alt+s")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests().size() == 1; }, kStartMs));
    EXPECT_TRUE(requests()[0].startsWith(QStringLiteral("/ws/2/discid/") + discId)) << requests()[0].toStdString();
    // The page shows the disc's own CD-Text titles: they are replaced when the user agrees.
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown(QStringLiteral("^タイトルの検索$")); }, kStartMs));
    EXPECT_EQ(file(), before);
    Xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("alt+y")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown(QStringLiteral("^タイトルの検索$")); }, kStartMs));
    EXPECT_EQ(file(), before);

    // The lyrics page's look-up of every track without lyrics; its summary is closed.
    Xdo({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("200"), QStringLiteral("ctrl+Tab"),
         QStringLiteral("alt+e")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown(QStringLiteral("^歌詞の検索$")); }, kStartMs));
    EXPECT_EQ(requests().size(), 4);
    EXPECT_EQ(file(), before);
    Xdo({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown(QStringLiteral("^歌詞の検索$")); }, kStartMs));
    EXPECT_EQ(file(), before);
    // OK (the track list has the focus; Enter is the dialog's default button).
    Xdo({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("200"), QStringLiteral("alt+t"),
         QStringLiteral("Return")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown(QStringLiteral("^データ入力$")); }, kStartMs));

    IniDocument data;
    ASSERT_TRUE(ReadIniFile(path("disc/demo.dat"), data));
    EXPECT_EQ(data.ReadString(QStringLiteral("Info"), QStringLiteral("Title"), {}), QStringLiteral("見つけた盤"));
    EXPECT_EQ(data.ReadString(QStringLiteral("Info"), QStringLiteral("Artist"), {}), QStringLiteral("見つけた人"));
    EXPECT_EQ(data.ReadString(QStringLiteral("Title"), QStringLiteral("02"), {}), QStringLiteral("見つけた曲 2"));
    EXPECT_EQ(data.ReadString(QStringLiteral("Words03"), QStringLiteral("001"), {}),
              QStringLiteral("300,900,3 の一行目"));
    for (const QString& line : requests())
        EXPECT_TRUE(line.contains(QRegularExpression(QStringLiteral("\tMirelune/\\d+\\.\\d+\\.\\d+ \\( .+ \\)$"))))
            << line.toStdString();
    ASSERT_TRUE(exitThroughMenu(p, window));
    server.terminate();
    server.waitForFinished(5000);
}

TEST_F(EndToEnd, TheTimingPageCapturesAtHalfSpeedWithAClickInTheMiddleAndAMarkerDraggedOnTheWaveform)
{
    writeSettings(path("config/Mirelune/Mirelune.ini"));
    QProcess* p = start({});
    const QString window = waitForWindow(p);
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(waitForPlaying(window, 1));
    Xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+d")});
    QString dialog;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            dialog = Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                          QStringLiteral("^データ入力$")})
                         .section(QLatin1Char('\n'), 0, 0);
            return !dialog.isEmpty();
        },
        kStartMs));
    // The timing page at half speed, on line 1's start.
    Xdo({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("150"), QStringLiteral("ctrl+Tab"),
         QStringLiteral("ctrl+Tab"), QStringLiteral("alt+v"), QStringLiteral("Down"), QStringLiteral("Down"),
         QStringLiteral("alt+i")});
    QTest::qWait(500);
    // The dialog as drawn: the waveform's strip and the capture buttons under the grid.
    const QString shot = path("tmp-dialog.png");
    Tool(QStringLiteral("import"), {QStringLiteral("-window"), dialog, shot});
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    QRect strip;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == QColor(24, 28, 36)) strip |= QRect(x, y, 1, 1);
    ASSERT_GT(strip.width(), 200);
    // Below the strip the grid, then the first row of buttons: Start, Ret, Set and
    // Continuous Set, the first row with four wide stretches apart on the page's colour.
    const QColor page = image.pixelColor(strip.left() - 5, strip.bottom() + 2);
    const auto stretches = [&](int y) {
        std::vector<std::pair<int, int>> found;
        for (int x = strip.left(), from = -1; x <= strip.right() + 1; ++x) {
            const bool on = x <= strip.right() && image.pixelColor(x, y) != page;
            if (on && from < 0) from = x;
            if (!on && from >= 0) {
                if (x - from >= 40) found.emplace_back(from, x - 1);
                from = -1;
            }
        }
        return found;
    };
    int rowY = -1;
    std::vector<std::pair<int, int>> buttons;
    for (int y = strip.bottom() + 1; y < image.height() && rowY < 0; ++y)
        if ((buttons = stretches(y)).size() >= 4) rowY = y + 8;
    ASSERT_GE(rowY, 0) << "no row of buttons under the grid";
    const int contSetX = (buttons[3].first + buttons[3].second) / 2;

    // Start at half speed; Space stamps line 1's start; a click on 連続セット its end and
    // line 2's start together; then Space stamps line 2's end alone.
    Xdo({QStringLiteral("key"), QStringLiteral("alt+b")});
    QTest::qWait(1500);
    Xdo({QStringLiteral("key"), QStringLiteral("space")});
    QTest::qWait(1000);
    Xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), dialog, QString::number(contSetX),
         QString::number(rowY), QStringLiteral("click"), QStringLiteral("1")});
    QTest::qWait(1000);
    Xdo({QStringLiteral("key"), QStringLiteral("space")});
    QTest::qWait(300);
    Xdo({QStringLiteral("key"), QStringLiteral("alt+b")}); // stop
    QTest::qWait(500);

    // The last start marker in view (line 3's or line 4's, as the view followed the
    // music) is dragged a little to the right.
    Tool(QStringLiteral("import"), {QStringLiteral("-window"), dialog, shot});
    const QImage after(shot);
    int marker = -1;
    for (int x = strip.left(); x <= strip.right() - 40; ++x)
        if (after.pixelColor(x, strip.center().y()) == QColor(80, 210, 110)) marker = x;
    ASSERT_GE(marker, 0) << "no start marker on the waveform";
    Xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), dialog, QString::number(marker + 1),
         QString::number(strip.center().y()), QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int dx = 5; dx <= 25; dx += 5) {
        QTest::qWait(50);
        Xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), dialog, QString::number(marker + 1 + dx),
             QString::number(strip.center().y())});
    }
    Xdo({QStringLiteral("mouseup"), QStringLiteral("1")});
    QTest::qWait(300);
    // A test and its stop put the keyboard on Test; Enter is OK.
    Xdo({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("300"), QStringLiteral("alt+e"),
         QStringLiteral("alt+e"), QStringLiteral("Return")});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                        QStringLiteral("^データ入力$")})
                .isEmpty();
        },
        kStartMs));

    IniDocument data;
    ASSERT_TRUE(ReadIniFile(path("disc/demo.dat"), data));
    const auto line = [&](const char* key) {
        const QStringList v =
            data.ReadString(QStringLiteral("Words01"), QLatin1String(key), {}).split(QLatin1Char(','));
        return v.size() == 3 ? std::pair(v[0].toInt(), v[1].toInt()) : std::pair(-1, -1);
    };
    const auto [start1, end1] = line("001");
    const auto [start2, end2] = line("002");
    const auto [start3, end3] = line("003");
    // 1.5 s of the user's time in: 0.75 s of the disc; a second later half a second more.
    EXPECT_GT(start1, 40);
    EXPECT_LT(start1, 110);
    EXPECT_GT(end1 - start1, 30) << end1;
    EXPECT_LT(end1 - start1, 75) << end1;
    EXPECT_EQ(start2, end1); // the click on 連続セット
    EXPECT_GT(end2, start2);
    EXPECT_NE(end2, start3) << "Space after the click stamped as 連続セット";
    // The drag moved line 3's or line 4's start later, short of its end.
    const auto [start4, end4] = line("004");
    EXPECT_EQ(end3, 1200);
    EXPECT_EQ(end4, 1600);
    EXPECT_TRUE((start3 > 900 && start3 < 1200 && start4 == 1300) || (start3 == 900 && start4 > 1300 && start4 < 1600))
        << start3 << " " << start4;
    ASSERT_TRUE(exitThroughMenu(p, window));
}
