// The windows' actions of the command set: one per command, showing its state, a click
// on it being the command's click.
#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "core/common/Commands.h"
#include "core/common/Defines.h"
#include "ui/main/Actions.h"

TEST(Actions, OneActionPerCommandFollowingItsState)
{
    CommandSet c;
    QAction* play = ActionFor(c.PlayBtn);
    EXPECT_EQ(ActionFor(c.PlayBtn), play);
    EXPECT_EQ(play->objectName(), QStringLiteral("PlayBtn"));
    EXPECT_FALSE(play->isEnabled());
    c.State.SetTransport(TransportState::Stopped);
    EXPECT_TRUE(play->isEnabled());
    c.ExitItem->setText(QStringLiteral("演奏を停止して終了(&X)"));
    EXPECT_EQ(ActionFor(c.ExitItem)->text(), QStringLiteral("演奏を停止して終了(&X)"));
    c.EjectItem->setVisible(false);
    EXPECT_FALSE(ActionFor(c.EjectItem)->isVisible());
    // Keys are the program's own: no action has a shortcut of its own.
    for (Command* command : c.All()) EXPECT_TRUE(ActionFor(command)->shortcut().isEmpty());
    // Radio items are drawn as such: each group's actions are one exclusive group.
    EXPECT_EQ(ActionFor(c.TypeNormItem)->actionGroup(), ActionFor(c.TypeProgRandItem)->actionGroup());
    ASSERT_NE(ActionFor(c.TypeReptItem)->actionGroup(), nullptr);
    EXPECT_TRUE(ActionFor(c.TypeReptItem)->actionGroup()->isExclusive());
    EXPECT_EQ(ActionFor(c.PlayBtn)->actionGroup(), nullptr);
}

TEST(Actions, AClickOnTheActionIsTheCommandsClick)
{
    CommandSet c;
    c.State.SetTransport(TransportState::Stopped);
    int clicks = 0;
    // The command's handler decides the state; the actions show it.
    QObject::connect(c.TypeRandItem, &Command::triggered, [&] {
        ++clicks;
        c.State.SetType(ptRandom);
    });
    QObject::connect(c.TypeProgItem, &Command::triggered, [&] { c.State.SetType(ptNormal); });
    QObject::connect(c.TypeReptItem, &Command::triggered, [&] {
        c.State.SetRepeat(c.State.Repeat() == RepeatMode::All ? RepeatMode::Off : RepeatMode::All);
    });
    c.State.SetHasProgram(true);
    QMenu menu;
    for (Command* type : c.PlayTypeGroup->commands()) menu.addAction(ActionFor(type));
    ActionFor(c.TypeRandItem)->trigger();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(ActionFor(c.TypeRandItem)->isChecked());
    // The checked type clicked again stays checked, in the command and on the screen.
    ActionFor(c.TypeRandItem)->trigger();
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(c.TypeRandItem->isChecked());
    EXPECT_TRUE(ActionFor(c.TypeRandItem)->isChecked());
    // A handler that chooses another type is what the menu shows.
    ActionFor(c.TypeProgItem)->trigger();
    EXPECT_TRUE(ActionFor(c.TypeNormItem)->isChecked());
    EXPECT_FALSE(ActionFor(c.TypeProgItem)->isChecked());
    // Repeat may be turned off by clicking its checked item.
    ActionFor(c.TypeReptItem)->trigger();
    EXPECT_TRUE(ActionFor(c.TypeReptItem)->isChecked());
    ActionFor(c.TypeReptItem)->trigger();
    EXPECT_FALSE(c.TypeReptItem->isChecked());
    EXPECT_FALSE(ActionFor(c.TypeReptItem)->isChecked());
    // A click on an action whose handler changes nothing leaves it as the state has it.
    ActionFor(c.TypeProgRandItem)->trigger();
    EXPECT_FALSE(ActionFor(c.TypeProgRandItem)->isChecked());
    EXPECT_TRUE(ActionFor(c.TypeNormItem)->isChecked());
}
