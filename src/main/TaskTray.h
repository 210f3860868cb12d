#pragma once
// The notification-area icon: one QSystemTrayIcon with its tip, a press reported by
// OnTrayClick and a menu per mouse button. Where the desktop has no notification area
// the component keeps its state and shows nothing.
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

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

signals:
    void OnTrayClick(Qt::MouseButton button);

private:
    void refresh();
    QSystemTrayIcon* tray;
    QIcon icon;
    bool enabled = false;
    QString tips;
};
