#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>

#include "ui/main/Glyphs.h"
#include "ui/main/TaskTray.h"

TEST(TaskTray, TheTipShowsItsFirst63Characters)
{
    TTaskTray tray;
    const QString tip = QString(100, QLatin1Char('x')).replace(62, 1, QStringLiteral("y"));
    tray.SetTips(tip);
    EXPECT_EQ(tray.Tips(), tip);
    EXPECT_EQ(tray.ShownTip().size(), 63);
    EXPECT_TRUE(tray.ShownTip().endsWith(QLatin1Char('y')));
    tray.SetTips(QString(300, QLatin1Char('z')));
    EXPECT_EQ(tray.Tips().size(), 255);
}

TEST(TaskTray, PressesAreReportedAndDoubleClicksAreNot)
{
    TTaskTray tray;
    QSignalSpy clicks(&tray, &TTaskTray::OnTrayClick);
    QMenu menu;
    tray.PopupMenuRight = &menu;
    tray.HandleActivation(QSystemTrayIcon::Trigger);
    tray.HandleActivation(QSystemTrayIcon::MiddleClick);
    tray.HandleActivation(QSystemTrayIcon::DoubleClick);
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    EXPECT_EQ(clicks[1][0].value<Qt::MouseButton>(), Qt::MiddleButton);
    EXPECT_FALSE(menu.isVisible()); // no menu for the left and middle buttons here

    tray.HandleActivation(QSystemTrayIcon::Context);
    ASSERT_EQ(clicks.count(), 3);
    EXPECT_EQ(clicks[2][0].value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_TRUE(menu.isVisible()); // the right button's menu after the press
    menu.close();
}

TEST(TaskTray, DisablingAnAbsentIconIsHarmlessAndNothingShowsWithoutATray)
{
    TTaskTray tray;
    EXPECT_FALSE(tray.EnableTaskTray());
    tray.SetEnableTaskTray(false);
    EXPECT_FALSE(tray.Shown());
    tray.SetEnableTaskTray(true);
    EXPECT_TRUE(tray.EnableTaskTray());
    // The offscreen platform has no notification area: the program says nothing.
    EXPECT_EQ(tray.Shown(), QSystemTrayIcon::isSystemTrayAvailable());
}

TEST(Glyphs, EachGlyphHasItsEnabledAndDisabledPicture)
{
    for (const char* name : {"Play0", "Play1", "Pause0", "Pause1", "Stop0", "Stop1", "Prev", "Next"}) {
        const QIcon icon = GlyphIcon(QLatin1String(name));
        ASSERT_FALSE(icon.isNull()) << name;
        const QImage on = icon.pixmap(16, 16, QIcon::Normal).toImage();
        const QImage off = icon.pixmap(16, 16, QIcon::Disabled).toImage();
        EXPECT_EQ(on.size(), QSize(16, 16));
        EXPECT_NE(on, off) << name;
        // Olive is transparent: the corner shows nothing.
        EXPECT_EQ(qAlpha(on.pixel(0, 0)), 0) << name;
    }
    // The disabled Play of a loaded disc is green, the disabled Stop red.
    const QImage play = GlyphIcon(QStringLiteral("Play1")).pixmap(16, 16, QIcon::Disabled).toImage();
    const QImage stop = GlyphIcon(QStringLiteral("Stop1")).pixmap(16, 16, QIcon::Disabled).toImage();
    EXPECT_GT(qGreen(play.pixel(7, 7)), 100);
    EXPECT_EQ(qRed(play.pixel(7, 7)), 0);
    EXPECT_EQ(qRed(stop.pixel(7, 7)), 255);
    EXPECT_FALSE(AppIcon().isNull());
}
