#include <gtest/gtest.h>

#include "common/Commands.h"

TEST(Commands, StartStateHasTransportAndDiscItemsDisabled)
{
    CommandSet c;
    for (QAction* a : {c.PlayBtn, c.PauseBtn, c.StopBtn, c.PrevBtn, c.NextBtn, c.TypeNormItem,
                       c.TypeRandItem, c.TypeProgItem, c.TypeProgRandItem, c.TypeReptItem,
                       c.TypeRept1Item, c.ProgSetItem, c.InputDataItem, c.CDInfoItem, c.CDInfoSaveItem})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QAction* a : {c.DiscMngItem, c.EjectItem, c.CloseItem, c.ExitItem, c.MainDispItem,
                       c.WordsDispItem, c.StayOnTopItem, c.ConfigItem, c.TopicItem, c.AboutItem})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
}

TEST(Commands, KeysAreShownInCaptionsButNotBound)
{
    CommandSet c;
    EXPECT_EQ(c.CDInfoItem->text(), QStringLiteral("プロパティ(&P)...\tCtrl+I"));
    EXPECT_EQ(c.TypeProgRandItem->text(), QStringLiteral("プログラムランダム(&A)\tShift+F5"));
    EXPECT_EQ(c.ExitItem->text(), QStringLiteral("終了(&X)"));
    EXPECT_EQ(c.ExitCaption, QStringLiteral("終了(&X)"));
    for (QAction* a : c.All()) EXPECT_TRUE(a->shortcut().isEmpty());
}

TEST(Commands, NamesAreUniqueAndFindable)
{
    CommandSet c;
    QStringList names;
    for (QAction* a : c.All()) names << a->objectName();
    EXPECT_EQ(names.removeDuplicates(), 0);
    EXPECT_EQ(c.Find(QStringLiteral("TypeRept1Item")), c.TypeRept1Item);
    EXPECT_EQ(c.Find(QStringLiteral("Nothing")), nullptr);
}

TEST(Commands, PlayTypesAreOneRadioGroup)
{
    CommandSet c;
    for (QAction* a : c.PlayTypeGroup->actions()) a->setEnabled(true);
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
