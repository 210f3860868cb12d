#include "SystemBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QFileInfo>
#include <fcntl.h>
#include <unistd.h>

namespace {
const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
} // namespace

bool SessionBusAvailable()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString run = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !run.isEmpty() && QFileInfo::exists(run + QStringLiteral("/bus"));
}

ScreenSaverInhibitor::ScreenSaverInhibitor(QObject* parent) : QObject(parent) {}

ScreenSaverInhibitor::~ScreenSaverInhibitor() { SetInhibited(false); }

void ScreenSaverInhibitor::SetInhibited(bool on)
{
    if (on == wanted) return;
    wanted = on;
    if (!SessionBusAvailable()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    if (!on) {
        release();
        return;
    }
    if (pending || cookie) return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Inhibit"));
    call << QStringLiteral("Mirelune") << QStringLiteral("CD playback");
    pending = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<uint32_t> reply = *w;
        pending = false;
        if (!reply.isError()) cookie = reply.value();
        w->deleteLater();
        if (!wanted) release(); // released while the answer was on its way
    });
}

void ScreenSaverInhibitor::release()
{
    if (!cookie) return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("UnInhibit"));
    call << cookie;
    cookie = 0;
    // Blocking for a moment: at exit the message must leave before the process ends.
    QDBusConnection::sessionBus().call(call, QDBus::Block, 1000);
}

SleepInhibitor::SleepInhibitor(QObject* parent) : QObject(parent) {}

SleepInhibitor::~SleepInhibitor() { release(); }

void SleepInhibitor::SetInhibited(bool on)
{
    if (on == wanted) return;
    wanted = on;
    if (!on) {
        release();
        return;
    }
    if (pending || lock >= 0) return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << QStringLiteral("Mirelune") << QStringLiteral("CDを再生中")
         << QStringLiteral("block");
    pending = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        pending = false;
        w->deleteLater();
        if (reply.isError() || !reply.value().isValid()) return;
        // The reply's descriptor goes with the reply: ours is a copy.
        lock = ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
        if (!wanted) release(); // let go while the answer was on its way
    });
}

void SleepInhibitor::release()
{
    if (lock < 0) return;
    ::close(lock);
    lock = -1;
}

SleepWatcher::SleepWatcher(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected())
        bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                    QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                    SLOT(prepareForSleep(bool)));
}

void SleepWatcher::prepareForSleep(bool start)
{
    if (start)
        emit Suspending();
    else
        emit Resumed();
}
