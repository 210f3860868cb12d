#include <gtest/gtest.h>

#include "core/common/Commands.h"
#include "core/common/Defines.h"

TEST(Commands, StartStateHasTransportAndDiscItemsDisabled)
{
    CommandSet c;
    for (Command* a : {c.PlayBtn, c.PauseBtn, c.StopBtn, c.PrevBtn, c.NextBtn, c.TypeNormItem, c.TypeRandItem,
                       c.TypeProgItem, c.TypeProgRandItem, c.TypeReptItem, c.TypeRept1Item, c.ProgSetItem,
                       c.InputDataItem, c.CDInfoItem, c.CDInfoSaveItem})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (Command* a : {c.DiscMngItem, c.EjectItem, c.CloseItem, c.ExitItem, c.MainDispItem, c.WordsDispItem,
                       c.StayOnTopItem, c.ConfigItem, c.TopicItem, c.AboutItem})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
}

TEST(Commands, KeysAreShownInCaptions)
{
    CommandSet c;
    EXPECT_EQ(c.CDInfoItem->text(), QStringLiteral("プロパティ(&P)...\tCtrl+I"));
    EXPECT_EQ(c.TypeProgRandItem->text(), QStringLiteral("プログラムランダム(&A)\tShift+F5"));
    EXPECT_EQ(c.ExitItem->text(), QStringLiteral("終了(&X)"));
    EXPECT_EQ(c.ExitCaption, QStringLiteral("終了(&X)"));
}

TEST(Commands, NamesAreUniqueAndFindable)
{
    CommandSet c;
    QStringList names;
    for (Command* a : c.All()) names << a->objectName();
    EXPECT_EQ(names.removeDuplicates(), 0);
    EXPECT_EQ(c.Find(QStringLiteral("TypeRept1Item")), c.TypeRept1Item);
    EXPECT_EQ(c.Find(QStringLiteral("Nothing")), nullptr);
}

// The transport buttons and the play-type and repeat items show the play state: they
// follow every change of it, and a click on an item leaves its check to the state.
TEST(Commands, FollowThePlayState)
{
    CommandSet c;
    const auto enabled = [](std::initializer_list<Command*> list) {
        std::vector<bool> out;
        for (Command* a : list) out.push_back(a->isEnabled());
        return out;
    };
    const auto checked = [](std::initializer_list<Command*> list) {
        std::vector<bool> out;
        for (Command* a : list) out.push_back(a->isChecked());
        return out;
    };
    const auto transport = {c.PlayBtn, c.PauseBtn, c.StopBtn, c.PrevBtn, c.NextBtn};
    const auto popup = {c.PlayItem, c.PauseItem, c.StopItem};
    const auto types = {c.TypeNormItem, c.TypeRandItem, c.TypeProgItem, c.TypeProgRandItem};
    const auto repeat = {c.TypeReptItem, c.TypeRept1Item};
    using B = std::vector<bool>;

    // A disc is ready and stopped: Play, the skips and the play types but those of a program.
    c.State.SetTransport(TransportState::Stopped);
    EXPECT_EQ(enabled(transport), (B{true, false, false, true, true}));
    EXPECT_EQ(enabled(popup), (B{true, false, false}));
    EXPECT_EQ(checked(popup), (B{false, false, true}));
    EXPECT_EQ(enabled(types), (B{true, true, false, false}));
    EXPECT_EQ(enabled(repeat), (B{true, true}));
    c.State.SetHasProgram(true);
    EXPECT_EQ(enabled(types), (B{true, true, true, true}));

    c.State.SetType(ptProgram);
    EXPECT_EQ(checked(types), (B{false, false, true, false}));
    c.State.SetRepeat(RepeatMode::One);
    EXPECT_EQ(checked(repeat), (B{false, true}));
    c.State.SetRepeat(RepeatMode::All);
    EXPECT_EQ(checked(repeat), (B{true, false}));
    EXPECT_EQ(c.State.Code(), 2 + 16);

    c.State.SetTransport(TransportState::Playing);
    EXPECT_EQ(enabled(transport), (B{false, true, true, true, true}));
    EXPECT_EQ(checked(popup), (B{true, false, false}));
    c.State.SetTransport(TransportState::Paused);
    EXPECT_EQ(enabled(transport), (B{false, true, true, true, true}));
    EXPECT_EQ(checked(popup), (B{true, true, false}));

    // A click runs the command; what it shows is still the state's.
    int clicks = 0;
    QObject::connect(c.TypeRandItem, &Command::triggered, [&] { ++clicks; });
    c.TypeRandItem->trigger();
    c.TypeReptItem->trigger();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(checked(types), (B{false, false, true, false}));
    EXPECT_EQ(checked(repeat), (B{true, false}));
    // ... and what a command shows is never taken as the state.
    c.TypeNormItem->setChecked(true);
    EXPECT_EQ(c.State.Type(), ptProgram);

    // No disc: everything off, no type and no repeat.
    c.State.SetTransport(TransportState::NoDisc);
    c.State.SetType(-1);
    c.State.SetRepeat(RepeatMode::Off);
    EXPECT_EQ(enabled(transport), (B{false, false, false, false, false}));
    EXPECT_EQ(enabled(types), (B{false, false, false, false}));
    EXPECT_EQ(checked(types), (B{false, false, false, false}));
    EXPECT_EQ(checked(repeat), (B{false, false}));
    EXPECT_EQ(c.State.Code(), 0);
    EXPECT_EQ(c.PlayTypeItem(4), nullptr);
}

// A click on a disabled command does nothing; a hidden one reads as disabled but still runs
// when clicked in code; every change of caption or state is told once.
TEST(Commands, ClicksStatesAndTheirSignals)
{
    CommandSet c;
    int triggered = 0, changed = 0;
    QObject::connect(c.PlayBtn, &Command::triggered, [&] { ++triggered; });
    QObject::connect(c.PlayBtn, &Command::changed, [&] { ++changed; });
    c.PlayBtn->trigger();
    EXPECT_EQ(triggered, 0);
    c.PlayBtn->setEnabled(true);
    c.PlayBtn->setEnabled(true);
    EXPECT_EQ(changed, 1);
    c.PlayBtn->trigger();
    EXPECT_EQ(triggered, 1);
    EXPECT_FALSE(c.PlayBtn->isChecked()); // not checkable: a click checks nothing
    c.PlayBtn->setVisible(false);
    EXPECT_FALSE(c.PlayBtn->isEnabled());
    EXPECT_EQ(changed, 2);
    c.PlayBtn->trigger();
    EXPECT_EQ(triggered, 2);
    c.PlayBtn->setVisible(true);
    EXPECT_TRUE(c.PlayBtn->isEnabled());
    c.PlayBtn->setText(QStringLiteral("x"));
    c.PlayBtn->setText(QStringLiteral("x"));
    EXPECT_EQ(changed, 4);

    // A checkable command: the click turns the check over before triggered runs.
    std::vector<bool> seen;
    QObject::connect(c.WordsDispItem, &Command::triggered, [&](bool checked) {
        seen.push_back(checked);
        EXPECT_EQ(c.WordsDispItem->isChecked(), checked);
    });
    int toggles = 0;
    QObject::connect(c.WordsDispItem, &Command::toggled, [&] { ++toggles; });
    c.WordsDispItem->trigger();
    c.WordsDispItem->trigger();
    c.WordsDispItem->setChecked(true);
    c.WordsDispItem->setChecked(true);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
    EXPECT_EQ(toggles, 3);
}
