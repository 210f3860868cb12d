#pragma once
// The real program on the demo disc under a private session bus (ctest runs these tests
// under dbus-run-session), read and driven over D-Bus as a desktop does. Each start gives
// the player its own runtime, home, config and data folders; without a sound server named
// it plays on its silent clock, with no window system (offscreen) unless told otherwise.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "core/settings/IniDocument.h"

#ifndef MIRELUNE_BINARY_DIR
#error "MIRELUNE_BINARY_DIR must name the build folder"
#endif

inline const QString kBuild = QStringLiteral(MIRELUNE_BINARY_DIR);
inline const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
inline const QString kName = QStringLiteral("org.mpris.MediaPlayer2.mirelune");
inline const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
inline const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
inline const QString kLyrics = QStringLiteral("org.mirelune.Lyrics");
constexpr int kWaitMs = 20000; // generous: the machine may be busy with other builds

inline QVariantMap AsMap(const QVariant& v)
{
    if (v.canConvert<QDBusArgument>()) return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
    return v.toMap();
}

// Every PropertiesChanged, Seeked and LineChanged that the player sends.
class BusRecorder : public QObject {
    Q_OBJECT
public:
    struct Line {
        QString text;
        int startMs, endMs;
    };
    QList<QVariantMap> changes;
    QList<qlonglong> seeks;
    QList<Line> lines;

public slots:
    void lineChanged(const QString& text, int startMs, int endMs) { lines << Line{text, startMs, endMs}; }
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
    {
        if (interface == kPlayer) changes << changed;
    }
    void seeked(qlonglong position) { seeks << position; }
};

class BusProgram : public ::testing::Test {
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
        ASSERT_TRUE(bus.connect(QString(), kPath, kLyrics, QStringLiteral("LineChanged"), &rec,
                                SLOT(lineChanged(QString, int, int))));
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
        // A player a test left playing on is stopped by its socket, as the program does.
        for (const QString& folder : runtimeFolders) {
            QLocalSocket s;
            s.connectToServer(folder + QStringLiteral("/Mirelune.PlayOn"));
            if (!s.waitForConnected(1000)) continue;
            s.write("stop\n");
            s.waitForBytesWritten(1000);
            s.waitForDisconnected(5000);
        }
    }

    QString path(const char* folder, const char* file) const
    {
        QDir(dir.path()).mkpath(QLatin1String(folder));
        return dir.filePath(QLatin1String(folder) + QLatin1String(file));
    }

    // The player with its own runtime, home, config and data folders under name/; env
    // adds to (or replaces) its environment.
    QProcess* start(const char* name, const QStringList& args, bool withBus = true,
                    const QProcessEnvironment& extra = {})
    {
        const QString ini = path(name, "/Mirelune.ini");
        EXPECT_TRUE(WriteIniFile(ini, this->ini));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* var : {"XDG_RUNTIME_DIR", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TMPDIR"}) {
            const QString folder = path(name, "/") + QLatin1String(var);
            QDir().mkpath(folder);
            env.insert(QLatin1String(var), folder);
        }
        runtimeFolders.insert(env.value(QStringLiteral("XDG_RUNTIME_DIR")));
        QFile::setPermissions(env.value(QStringLiteral("XDG_RUNTIME_DIR")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + path(name, "/no-sound-server"));
        if (!withBus) env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.insert(extra);
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
                    const QVariant v = key.contains(QLatin1Char(':'))
                                           ? AsMap(c.value(QStringLiteral("Metadata"))).value(key)
                                           : c.value(key);
                    if (v.isValid() && v.toString() == value) return true;
                }
                return false;
            },
            kWaitMs);
    }
    // Waits for a LineChanged with this text after the first `from`; its index, or -1.
    qsizetype waitForLine(const QString& text, qsizetype from)
    {
        qsizetype found = -1;
        (void)QTest::qWaitFor(
            [&] {
                for (qsizetype i = from; i < rec.lines.size(); ++i)
                    if (rec.lines[i].text == text) found = i;
                return found >= 0;
            },
            kWaitMs);
        return found;
    }
    // PropertiesChanged from index from on that carry key.
    int countChanges(const QString& key, qsizetype from) const
    {
        int n = 0;
        for (qsizetype i = from; i < rec.changes.size(); ++i) n += rec.changes[i].contains(key) ? 1 : 0;
        return n;
    }
    bool set(const QString& interface, const QString& property, const QVariant& value, const QString& name = kName)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(name, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                        QStringLiteral("Set"));
        m << interface << property << QVariant::fromValue(QDBusVariant(value));
        return bus.call(m, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }

    // Waits for a Seeked to a position in [low, high] after those seen so far.
    bool waitForSeek(qlonglong low, qlonglong high)
    {
        const qsizetype from = rec.seeks.size();
        return QTest::qWaitFor(
            [&] {
                return std::any_of(rec.seeks.begin() + from, rec.seeks.end(),
                                   [&](qlonglong p) { return p >= low && p <= high; });
            },
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
    QSet<QString> runtimeFolders;
};
