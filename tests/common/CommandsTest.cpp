#include <gtest/gtest.h>

#include "core/common/Commands.h"

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

TEST(Commands, PlayTypesAreOneRadioGroup)
{
    CommandSet c;
    for (Command* a : c.PlayTypeGroup->commands()) a->setEnabled(true);
    EXPECT_EQ(c.CheckedPlayType(), -1);
    c.TypeRandItem->trigger();
    EXPECT_EQ(c.CheckedPlayType(), 1);
    c.TypeProgItem->trigger();
    EXPECT_FALSE(c.TypeRandItem->isChecked());
    EXPECT_EQ(c.CheckedPlayType(), 2);
    c.TypeProgItem->trigger(); // choosing the current type again keeps it
    EXPECT_EQ(c.CheckedPlayType(), 2);
    // Clearing the group (no disc) leaves nothing checked.
    c.TypeNormItem->setChecked(true);
    c.TypeNormItem->setChecked(false);
    EXPECT_EQ(c.CheckedPlayType(), -1);
    EXPECT_EQ(c.PlayTypeItem(4), nullptr);
}

TEST(Commands, RepeatItemsExcludeEachOtherAndMayBothBeOff)
{
    CommandSet c;
    c.TypeReptItem->setEnabled(true);
    c.TypeRept1Item->setEnabled(true);
    c.TypeReptItem->trigger();
    EXPECT_TRUE(c.TypeReptItem->isChecked());
    c.TypeRept1Item->trigger();
    EXPECT_TRUE(c.TypeRept1Item->isChecked());
    EXPECT_FALSE(c.TypeReptItem->isChecked());
    c.TypeRept1Item->trigger();
    EXPECT_FALSE(c.TypeRept1Item->isChecked());
    EXPECT_FALSE(c.TypeReptItem->isChecked());
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
