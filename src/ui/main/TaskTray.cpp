#include "TaskTray.h"

#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QMenu>

#include "SystemBus.h"
#include "X11Desktop.h"

namespace {
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

bool StatusNotifierHostPresent()
{
    if (!SessionBusAvailable()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWatcher).value()) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 1000);
    return reply.type() == QDBusMessage::ReplyMessage &&
           reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
}
} // namespace

TTaskTray::TTaskTray(QObject* parent) : QObject(parent)
{
    TrayPresent = [] { return StatusNotifierHostPresent() || X11TrayPresent(); };
    retry.setSingleShot(true);
    connect(&retry, &QTimer::timeout, this, &TTaskTray::CheckTray);
}

TTaskTray::~TTaskTray() { SetEnableTaskTray(false); }

void TTaskTray::SetIcon(const QIcon& value)
{
    icon = value;
    refresh();
}

void TTaskTray::SetTips(const QString& value)
{
    tips = value.left(255);
    refresh();
}

void TTaskTray::SetEnableTaskTray(bool value)
{
    enabled = value;
    if (!enabled) {
        retry.stop();
        if (tray) tray->hide();
        return;
    }
    watchBus();
    CheckTray();
}

void TTaskTray::CheckTray()
{
    if (!enabled) return;
    if (!tray && TrayPresent && TrayPresent()) {
        tray = new QSystemTrayIcon(this);
        connect(tray, &QSystemTrayIcon::activated, this, &TTaskTray::HandleActivation);
        refresh();
    }
    // No notification area (yet): nothing to show and nothing to say.
    if (tray && !tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable()) tray->show();
    if (Shown())
        retry.stop();
    else
        retry.start(RetryMs);
}

void TTaskTray::watchBus()
{
    if (watching || !SessionBusAvailable()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    watching = true;
    auto* watcher = new QDBusServiceWatcher(kWatcher, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &TTaskTray::watcherOwnerChanged);
    bus.connect(kWatcher, kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"), this,
                SLOT(hostRegistered()));
}

void TTaskTray::watcherOwnerChanged(const QString&, const QString&, const QString& newOwner)
{
    // A panel that restarts finds a shown icon by itself (the toolkit registers it anew).
    if (!newOwner.isEmpty() && !Shown()) CheckTray();
}

void TTaskTray::hostRegistered()
{
    if (!Shown()) CheckTray();
}

bool TTaskTray::Shown() const { return tray && tray->isVisible(); }

QString TTaskTray::ShownTip() const { return tray ? tray->toolTip() : tips.left(63); }

void TTaskTray::refresh()
{
    if (!tray) return;
    tray->setIcon(icon.isNull() ? QApplication::windowIcon() : icon);
    tray->setToolTip(tips.left(63));
    // The right button's menu goes with the icon: a StatusNotifier host shows it itself
    // (exported over D-Bus), as an X tray does.
    if (tray->contextMenu() != PopupMenuRight.data()) tray->setContextMenu(PopupMenuRight);
}

void TTaskTray::HandleActivation(QSystemTrayIcon::ActivationReason reason)
{
    const QPoint where = QCursor::pos();
    QMenu* menu = nullptr;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        emit OnTrayClick(Qt::LeftButton);
        menu = PopupMenuLeft;
        break;
    case QSystemTrayIcon::Context:
        emit OnTrayClick(Qt::RightButton);
        menu = PopupMenuRight;
        break;
    case QSystemTrayIcon::MiddleClick:
        emit OnTrayClick(Qt::MiddleButton);
        menu = PopupMenuMiddle;
        break;
    default: return; // double clicks and the rest call nothing
    }
    // The menu the icon carries is opened by the toolkit or the panel.
    if (menu && reason == QSystemTrayIcon::Context && tray && tray->contextMenu() == menu) menu = nullptr;
    if (menu) {
        if (QWidget* w = QApplication::activeWindow()) w->activateWindow();
        menu->popup(where);
    }
}
