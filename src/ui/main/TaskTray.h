#pragma once
// The notification-area icon: one QSystemTrayIcon with its tip, a press reported by
// OnTrayClick and a menu per mouse button. Where the desktop has no notification area
// the component keeps its state, shows nothing, and watches for one to come (a panel
// usually starts after the program at login, or restarts).
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>

class QMenu;

class TTaskTray : public QObject {
    Q_OBJECT
public:
    explicit TTaskTray(QObject* parent = nullptr);
    ~TTaskTray() override;

    // Empty: the application's icon is shown.
    QIcon Icon() const { return icon; }
    void SetIcon(const QIcon& value);
    bool EnableTaskTray() const { return enabled; }
    void SetEnableTaskTray(bool value);
    // Kept up to 255 characters; the icon's tip shows the first 63.
    QString Tips() const { return tips; }
    void SetTips(const QString& value);
    // Whether the icon is on the screen now.
    bool Shown() const;
    // The tip the icon carries.
    QString ShownTip() const;

    QPointer<QMenu> PopupMenuLeft;
    QPointer<QMenu> PopupMenuMiddle;
    QPointer<QMenu> PopupMenuRight;

    // What the icon reports: a press, then the button's menu at the pointer.
    void HandleActivation(QSystemTrayIcon::ActivationReason reason);

    // Whether a notification area is there: a StatusNotifierWatcher with a host on the
    // session bus, or an X system tray. Asked before the toolkit is, which decides once
    // per process how it shows icons and would never look at a panel that came later.
    std::function<bool()> TrayPresent;
    // Looks for a notification area again and shows the icon if it is wanted and one
    // is there; done when a watcher takes its name or a host registers, and every
    // RetryMs while the icon waits (an X tray says nothing on the bus).
    void CheckTray();
    int RetryMs = 5000;

signals:
    void OnTrayClick(Qt::MouseButton button);

private slots:
    void watcherOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void hostRegistered();

private:
    void refresh();
    void watchBus();
    QSystemTrayIcon* tray = nullptr; // made once a notification area is known to be there
    QTimer retry;
    QIcon icon;
    bool enabled = false;
    bool watching = false;
    QString tips;
};
