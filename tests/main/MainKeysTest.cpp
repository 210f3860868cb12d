#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "core/common/Commands.h"
#include "core/main/MainKeys.h"

namespace {
class Target : public KeyTarget {
public:
    bool blocked = false;
    bool settingsVisible = false;
    int entries = 15;
    int modeCycles = 0;
    QList<int> selected;
    QList<bool> presses;
    int releases = 0;
    int repeatOffs = 0;

    bool KeysBlocked() const override { return blocked; }
    bool SettingsDialogVisible() const override { return settingsVisible; }
    void CycleTimeMode() override { ++modeCycles; }
    int EntryCount() const override { return entries; }
    void SelectEntry(int k) override { selected.append(k); }
    void PrevNextPress(bool next) override { presses.append(next); }
    void KeyReleased() override { ++releases; }
    void RepeatOff() override { ++repeatOffs; }
};

struct Keys : ::testing::Test {
    CommandSet cmd;
    Target target;
    MainKeys keys{cmd, target};
    bool down(int key, Qt::KeyboardModifiers m = Qt::NoModifier, bool keypad = false)
    {
        return keys.KeyDown(key, m, keypad);
    }
};
} // namespace

TEST_F(Keys, CtrlDigitThenDigitSelectsTwoDigitEntries)
{
    EXPECT_TRUE(down(Qt::Key_1, Qt::ControlModifier));
    EXPECT_EQ(keys.PendingTens, 10);
    EXPECT_TRUE(down(Qt::Key_2));
    EXPECT_EQ(target.selected, QList<int>{12});
    EXPECT_EQ(keys.PendingTens, -1);

    down(Qt::Key_0, Qt::ControlModifier);
    down(Qt::Key_7);
    EXPECT_EQ(target.selected, (QList<int>{12, 7}));
}

TEST_F(Keys, TensStayPendingOverNonDigitsAndOutOfRangeClearsThem)
{
    down(Qt::Key_3, Qt::ControlModifier);
    down(Qt::Key_X);
    down(Qt::Key_4, Qt::NoModifier, true); // the numeric pad is no digit here
    EXPECT_EQ(keys.PendingTens, 30);
    EXPECT_TRUE(target.selected.isEmpty());

    down(Qt::Key_9); // 39 > 15 entries: nothing, and the tens are gone
    EXPECT_TRUE(target.selected.isEmpty());
    EXPECT_EQ(keys.PendingTens, -1);
    down(Qt::Key_5); // a plain digit without tens does nothing
    EXPECT_TRUE(target.selected.isEmpty());

    down(Qt::Key_0, Qt::ControlModifier);
    down(Qt::Key_0); // entry 0 does not exist
    EXPECT_TRUE(target.selected.isEmpty());
}

TEST_F(Keys, WithShiftOnlyF5AndF6Act)
{
    for (Command* a : {cmd.TypeNormItem, cmd.TypeRandItem, cmd.TypeProgItem, cmd.TypeProgRandItem, cmd.TypeReptItem,
                       cmd.TypeRept1Item, cmd.PlayBtn})
        a->setEnabled(true);
    QSignalSpy norm(cmd.TypeNormItem, &Command::triggered);
    QSignalSpy rand(cmd.TypeRandItem, &Command::triggered);
    QSignalSpy progRand(cmd.TypeProgRandItem, &Command::triggered);
    QSignalSpy rept1(cmd.TypeRept1Item, &Command::triggered);
    QSignalSpy top(cmd.StayOnTopItem, &Command::triggered);
    QSignalSpy play(cmd.PlayBtn, &Command::triggered);

    EXPECT_FALSE(down(Qt::Key_F3, Qt::ShiftModifier));
    EXPECT_FALSE(down(Qt::Key_F4, Qt::ShiftModifier));
    EXPECT_FALSE(down(Qt::Key_F7, Qt::ShiftModifier));
    EXPECT_FALSE(down(Qt::Key_F8, Qt::ShiftModifier));
    EXPECT_FALSE(down(Qt::Key_P, Qt::ShiftModifier | Qt::ControlModifier));
    EXPECT_FALSE(down(Qt::Key_1, Qt::ShiftModifier | Qt::ControlModifier));
    EXPECT_EQ(norm.count() + rand.count() + top.count() + play.count() + target.modeCycles, 0);
    EXPECT_EQ(keys.PendingTens, -1);

    EXPECT_TRUE(down(Qt::Key_F5, Qt::ShiftModifier));
    EXPECT_EQ(progRand.count(), 1);
    EXPECT_TRUE(down(Qt::Key_F6, Qt::ShiftModifier));
    EXPECT_EQ(rept1.count(), 1);
}

TEST_F(Keys, FunctionKeysClickTheirItems)
{
    QSignalSpy norm(cmd.TypeNormItem, &Command::triggered);
    QSignalSpy prog(cmd.TypeProgItem, &Command::triggered);
    QSignalSpy rept(cmd.TypeReptItem, &Command::triggered);
    QSignalSpy top(cmd.StayOnTopItem, &Command::triggered);

    // No disc: the play types are disabled, but F6 clicks repeat all the same.
    down(Qt::Key_F3);
    down(Qt::Key_F5);
    EXPECT_EQ(norm.count() + prog.count(), 0);
    down(Qt::Key_F6);
    EXPECT_EQ(rept.count(), 1);
    EXPECT_FALSE(cmd.TypeReptItem->isEnabled()); // its state is left as it was

    cmd.TypeNormItem->setEnabled(true);
    cmd.TypeProgItem->setEnabled(true);
    down(Qt::Key_F3);
    down(Qt::Key_F5);
    EXPECT_EQ(norm.count(), 1);
    EXPECT_EQ(prog.count(), 1);
    down(Qt::Key_F8);
    EXPECT_EQ(top.count(), 1);
    down(Qt::Key_F7);
    EXPECT_EQ(target.modeCycles, 1);
    target.settingsVisible = true;
    down(Qt::Key_F7);
    EXPECT_EQ(target.modeCycles, 1);
    // F1 opens the help pages from any window of the player.
    QSignalSpy help(cmd.TopicItem, &Command::triggered);
    EXPECT_TRUE(down(Qt::Key_F1));
    EXPECT_EQ(help.count(), 1);
}

TEST_F(Keys, CtrlLettersRespectTheEnabledAndShownStates)
{
    QSignalSpy play(cmd.PlayBtn, &Command::triggered);
    QSignalSpy eject(cmd.EjectItem, &Command::triggered);
    QSignalSpy mainDisp(cmd.MainDispItem, &Command::triggered);

    EXPECT_FALSE(down(Qt::Key_P, Qt::ControlModifier)); // PlayBtn disabled
    cmd.PlayBtn->setEnabled(true);
    EXPECT_TRUE(down(Qt::Key_P, Qt::ControlModifier));
    EXPECT_EQ(play.count(), 1);

    cmd.EjectItem->setVisible(false);
    down(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(eject.count(), 0);
    cmd.EjectItem->setVisible(true);
    down(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(eject.count(), 1);

    down(Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(mainDisp.count(), 1);

    down(Qt::Key_N, Qt::ControlModifier); // NextBtn disabled: no press
    EXPECT_TRUE(target.presses.isEmpty());
    cmd.NextBtn->setEnabled(true);
    cmd.PrevBtn->setEnabled(true);
    down(Qt::Key_N, Qt::ControlModifier);
    down(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(target.presses, (QList<bool>{true, false}));

    down(Qt::Key_F6, Qt::ControlModifier);
    EXPECT_EQ(target.repeatOffs, 1);
    keys.KeyUp(Qt::Key_R);
    EXPECT_TRUE(QTest::qWaitFor([&] { return target.releases == 1; }, 1000));
    EXPECT_FALSE(keys.Held(Qt::Key_R));
}

TEST_F(Keys, NothingWhileBlocked)
{
    target.blocked = true;
    cmd.PlayBtn->setEnabled(true);
    QSignalSpy play(cmd.PlayBtn, &Command::triggered);
    EXPECT_FALSE(down(Qt::Key_P, Qt::ControlModifier));
    EXPECT_FALSE(down(Qt::Key_1, Qt::ControlModifier));
    EXPECT_FALSE(down(Qt::Key_F7));
    EXPECT_EQ(play.count(), 0);
    EXPECT_EQ(keys.PendingTens, -1);
}
