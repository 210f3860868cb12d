// The real program as the rest of a Linux desktop meets it: a panel's notification area
// that comes late or restarts, and the sound server's mixer. It runs under a private
// session bus (ctest starts it under dbus-run-session) and the private PulseAudio server
// of the device tests; the tests that need a window system start an X server of their own.
#include "BusProgram.h"

#include <QRegularExpression>
#include <cstdlib>
#include <functional>
#include <xcb/xcb.h>

namespace {
QString XDisplayName;
QProcess* Xvfb = nullptr;
} // namespace

// A panel's StatusNotifierWatcher with a host: what a notification area offers on the bus.
class FakeTrayWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return registered; }
    QStringList registered; // every registration, in order

    bool Start()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        return bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                                  QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) &&
               bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    void Stop()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    }

public slots:
    void RegisterStatusNotifierItem(const QString& service) { registered << service; }
    void RegisterStatusNotifierHost(const QString&) {}
};

// Listens on an X display for the startup-notification messages sent to its root window
// (_NET_STARTUP_INFO_BEGIN, then _NET_STARTUP_INFO, 20 bytes each, the last ending in a NUL).
class StartupListener {
public:
    explicit StartupListener(const QString& display)
    {
        connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
        if (xcb_connection_has_error(connection)) return;
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
        begin = atom("_NET_STARTUP_INFO_BEGIN");
        more = atom("_NET_STARTUP_INFO");
        xcb_flush(connection);
    }
    ~StartupListener() { xcb_disconnect(connection); }

    // The messages whole, as they came so far.
    QList<QByteArray> Messages()
    {
        while (xcb_generic_event_t* e = xcb_poll_for_event(connection)) {
            if ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
                const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (m->type == begin) partial.clear();
                if (m->type == begin || m->type == more) {
                    const QByteArray piece(reinterpret_cast<const char*>(m->data.data8), 20);
                    const qsizetype end = piece.indexOf('\0');
                    partial += end < 0 ? piece : piece.left(end);
                    if (end >= 0) messages << std::exchange(partial, QByteArray());
                }
            }
            std::free(e);
        }
        return messages;
    }

private:
    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
        std::free(r);
        return a;
    }
    xcb_connection_t* connection;
    xcb_atom_t begin = XCB_ATOM_NONE, more = XCB_ATOM_NONE;
    QByteArray partial;
    QList<QByteArray> messages;
};

class Desktop : public BusProgram {
protected:
    // An X server for the tests that need one, started by the first of them.
    static void StartDisplay()
    {
        if (Xvfb) return;
        Xvfb = new QProcess;
        Xvfb->start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                     QStringLiteral("800x600x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                     QStringLiteral("-noreset")});
        ASSERT_TRUE(Xvfb->waitForStarted(5000)) << "Xvfb could not be started";
        QByteArray number;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                number += Xvfb->readAllStandardOutput();
                return number.contains('\n') || Xvfb->state() == QProcess::NotRunning;
            },
            kWaitMs));
        ASSERT_FALSE(number.trimmed().isEmpty()) << Xvfb->readAllStandardError().toStdString();
        XDisplayName = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    }
    static void TearDownTestSuite()
    {
        if (!Xvfb) return;
        Xvfb->terminate();
        if (!Xvfb->waitForFinished(5000)) Xvfb->kill();
        delete Xvfb;
        Xvfb = nullptr;
    }
    static QProcessEnvironment OnDisplay()
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("DISPLAY"), XDisplayName);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }

    // The registrations that arrive after the first `from`.
    bool waitForRegistration(const FakeTrayWatcher& watcher, qsizetype from)
    {
        return QTest::qWaitFor([&] { return watcher.registered.size() > from; }, kWaitMs);
    }
};

TEST_F(Desktop, TheIconAppearsWhenThePanelComesAfterTheProgramOrComesBack)
{
    ASSERT_NO_FATAL_FAILURE(StartDisplay());
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("TaskTray"), QStringLiteral("1"));
    FakeTrayWatcher watcher;

    // The usual order at login: the program is up before the panel.
    QProcess* first = start("first", {}, true, OnDisplay());
    ASSERT_TRUE(waitForName(kName));
    QTest::qWait(500);
    ASSERT_TRUE(watcher.Start());
    ASSERT_TRUE(waitForRegistration(watcher, 0)) << "the icon never came to the panel that started later";
    // The panel restarts: the icon comes back to it.
    const qsizetype mark = watcher.registered.size();
    watcher.Stop();
    QTest::qWait(300);
    ASSERT_TRUE(watcher.Start());
    EXPECT_TRUE(waitForRegistration(watcher, mark)) << "the icon did not come back to the restarted panel";
    call(kRoot, QStringLiteral("Quit"));
    ASSERT_TRUE(first->waitForFinished(kWaitMs));

    // With the panel already there, the icon comes at once.
    const qsizetype before = watcher.registered.size();
    start("second", {}, true, OnDisplay());
    EXPECT_TRUE(waitForRegistration(watcher, before));
    watcher.Stop();
}

TEST_F(Desktop, TheIconOffersTheLyricsWindowsMenuAndNamesItsThemeIcon)
{
    ASSERT_NO_FATAL_FAILURE(StartDisplay());
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("TaskTray"), QStringLiteral("1"));
    FakeTrayWatcher watcher;
    ASSERT_TRUE(watcher.Start());
    start("player", {}, true, OnDisplay());
    ASSERT_TRUE(waitForRegistration(watcher, 0));
    // The item as KDE's and AppIndicator hosts read it: a theme icon name and a D-Bus menu.
    const QString item = watcher.registered.first();
    const QString service = item.section(QLatin1Char('/'), 0, 0);
    const auto property = [&](const char* name) {
        QDBusMessage m = QDBusMessage::createMethodCall(service, QStringLiteral("/StatusNotifierItem"),
                                                        QStringLiteral("org.freedesktop.DBus.Properties"),
                                                        QStringLiteral("Get"));
        m << QStringLiteral("org.kde.StatusNotifierItem") << QLatin1String(name);
        return bus.call(m, QDBus::Block, 5000).arguments().value(0).value<QDBusVariant>().variant();
    };
    EXPECT_EQ(property("IconName").toString(), QStringLiteral("mirelune"));
    const QString menu = property("Menu").value<QDBusObjectPath>().path();
    ASSERT_FALSE(menu.isEmpty());
    EXPECT_NE(menu, QStringLiteral("/NO_DBUSMENU"));
    // The menu is the lyrics window's: its submenus and its exit, in a host's words.
    QDBusMessage layout = QDBusMessage::createMethodCall(service, menu, QStringLiteral("com.canonical.dbusmenu"),
                                                         QStringLiteral("GetLayout"));
    layout << 0 << -1 << QStringList();
    const QDBusMessage reply = bus.call(layout, QDBus::Block, 5000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    // The labels, wherever they sit in the tree.
    QStringList labels;
    std::function<void(const QDBusArgument&)> walk = [&](const QDBusArgument& arg) {
        int id = 0;
        QVariantMap properties;
        QVariantList children;
        arg.beginStructure();
        arg >> id >> properties >> children;
        arg.endStructure();
        labels << properties.value(QStringLiteral("label")).toString();
        for (const QVariant& child : children)
            walk(child.canConvert<QDBusArgument>() ? child.value<QDBusArgument>()
                                                   : child.value<QDBusVariant>().variant().value<QDBusArgument>());
    };
    walk(reply.arguments().value(1).value<QDBusArgument>());
    for (const char* label : {"演奏(_P)", "表示(_V)", "設定(_O)", "終了(_X)"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(label)))
            << label << " in " << labels.join(QLatin1Char('|')).toStdString();
    call(kRoot, QStringLiteral("Quit"));
    watcher.Stop();
}

TEST_F(Desktop, MediaKeysSentToTheProgramsWindowsAct)
{
    ASSERT_NO_FATAL_FAILURE(StartDisplay());
    QProcess* player = start("player", {}, true, OnDisplay());
    ASSERT_TRUE(waitForName(kName));
    ASSERT_TRUE(waitForChange(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing"), 0));
    const auto xdotool = [](const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), XDisplayName);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("xdotool"), args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    // Without a window manager that takes them, the keys go to the window itself.
    const QStringList windows = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                         QStringLiteral("--pid"), QString::number(player->processId()),
                                         QStringLiteral("--name"), QStringLiteral("^Mirelune")});
    ASSERT_FALSE(windows.isEmpty());
    const auto key = [&](const char* name, const QString& property, const QString& value) {
        const qsizetype mark = rec.changes.size();
        xdotool({QStringLiteral("key"), QStringLiteral("--window"), windows.first(), QLatin1String(name)});
        return waitForChange(property, value, mark);
    };
    EXPECT_TRUE(key("XF86AudioPause", QStringLiteral("PlaybackStatus"), QStringLiteral("Paused")));
    EXPECT_TRUE(key("XF86AudioPlay", QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")));
    EXPECT_TRUE(key("XF86AudioNext", QStringLiteral("xesam:title"), QStringLiteral("夜明けの歌")));
    EXPECT_TRUE(key("XF86AudioPrev", QStringLiteral("xesam:title"), QStringLiteral("月の舟")));
    EXPECT_TRUE(key("XF86AudioStop", QStringLiteral("PlaybackStatus"), QStringLiteral("Stopped")));
}

TEST_F(Desktop, ASecondStartEndsTheLaunchersStartupNotification)
{
    ASSERT_NO_FATAL_FAILURE(StartDisplay());
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("AutoPlay"), QStringLiteral("0"));
    start("player", {}, true, OnDisplay());
    ASSERT_TRUE(waitForName(kName));
    StartupListener listener(XDisplayName);
    // The launcher started "mirelune DISC" with its notification, and the program runs.
    QProcessEnvironment launched = OnDisplay();
    launched.insert(QStringLiteral("DESKTOP_STARTUP_ID"), QStringLiteral("launcher 42_TIME1234"));
    QProcess* second = start("player", {path("disc/", "demo.cue")}, true, launched);
    ASSERT_TRUE(second->waitForFinished(kWaitMs));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return listener.Messages().contains(QByteArrayLiteral("remove: ID=launcher\\ 42_TIME1234")); }, kWaitMs))
        << "the launcher's notification was not ended";
}

TEST_F(Desktop, TheMixerShowsTheSoundAsMirelunesMusic)
{
    const QByteArray server = qgetenv("PULSE_SERVER");
    ASSERT_FALSE(server.isEmpty()) << "run under ctest, which starts the tests' PulseAudio server";
    QProcessEnvironment sound;
    sound.insert(QStringLiteral("PULSE_SERVER"), QString::fromLocal8Bit(server));
    QProcess* player = start("player", {}, true, sound);
    ASSERT_TRUE(waitForName(kName));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return get(kPlayer, QStringLiteral("PlaybackStatus")) == QStringLiteral("Playing"); }, kWaitMs));
    // The stream of this process among those the server plays.
    const QString pid = QString::number(player->processId());
    const auto findStream = [&] {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
        pactl.waitForFinished(5000);
        for (const QString& input :
             QString::fromUtf8(pactl.readAllStandardOutput()).split(QStringLiteral("Sink Input #")))
            if (input.contains(QStringLiteral("application.process.id = \"%1\"").arg(pid))) return input;
        return QString();
    };
    QString stream;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(stream = findStream()).isEmpty(); }, kWaitMs))
        << "no stream of the program on the sound server";
    EXPECT_TRUE(stream.contains(QStringLiteral("application.name = \"Mirelune\""))) << stream.toStdString();
    EXPECT_TRUE(stream.contains(QStringLiteral("media.role = \"music\""))) << stream.toStdString();
    EXPECT_TRUE(stream.contains(QStringLiteral("application.icon_name = \"mirelune\""))) << stream.toStdString();
    // The desktop's volume is the stream's own, as the mixer shows it: half is 50 %.
    ASSERT_TRUE(set(kPlayer, QStringLiteral("Volume"), 0.5));
    EXPECT_TRUE(QTest::qWaitFor([&] { return findStream().contains(QStringLiteral("/  50% /")); }, kWaitMs))
        << findStream().toStdString();
    // And the mixer's change is the program's volume: the bus follows it.
    const QString index = stream.section(QLatin1Char('\n'), 0, 0).trimmed();
    QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("set-sink-input-volume"), index, QStringLiteral("30%")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return get(kPlayer, QStringLiteral("Volume")).toDouble() == 0.3; }, kWaitMs))
        << get(kPlayer, QStringLiteral("Volume")).toDouble();
    call(kRoot, QStringLiteral("Quit"));
    ASSERT_TRUE(player->waitForFinished(kWaitMs));
}

#include "DesktopTest.moc"
