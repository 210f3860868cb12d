#include "TaskTray.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>

TTaskTray::TTaskTray(QObject* parent) : QObject(parent), tray(new QSystemTrayIcon(this))
{
    connect(tray, &QSystemTrayIcon::activated, this, &TTaskTray::HandleActivation);
    refresh();
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
    refresh();
    // No notification area: nothing to show and nothing to say.
    tray->setVisible(enabled && QSystemTrayIcon::isSystemTrayAvailable());
}

bool TTaskTray::Shown() const { return tray->isVisible(); }

QString TTaskTray::ShownTip() const { return tray->toolTip(); }

void TTaskTray::refresh()
{
    tray->setIcon(icon.isNull() ? QApplication::windowIcon() : icon);
    tray->setToolTip(tips.left(63));
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
    if (menu) {
        if (QWidget* w = QApplication::activeWindow()) w->activateWindow();
        menu->popup(where);
    }
}
