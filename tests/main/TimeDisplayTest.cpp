#include <gtest/gtest.h>

#include "core/common/Defines.h"
#include "core/main/TimeDisplay.h"

namespace {
DisplayInput Playing(int number, int minutes, int seconds)
{
    DisplayInput in;
    in.deviceMode = ModePlaying;
    in.hasAudio = true;
    in.number = number;
    in.minutes = minutes;
    in.seconds = seconds;
    return in;
}
} // namespace

TEST(TimeText, KeepsItsRightEdgeFromHundredMinutesOn)
{
    EXPECT_EQ(TimeText(3, 5, true), QStringLiteral("    3’05” "));
    EXPECT_EQ(TimeText(99, 59, true), QStringLiteral("   99’59” "));
    // Six digits and no trailing blank: the same length, so the same right edge.
    EXPECT_EQ(TimeText(100, 0, true), QStringLiteral("   100’00”"));
    EXPECT_EQ(TimeText(99, 59, true).size(), TimeText(100, 0, true).size());
}

TEST(TimeText, UsesAsciiMarksForAFontWithoutJapanese)
{
    EXPECT_EQ(TimeText(3, 5, false), QStringLiteral("    3' 05\" "));
    EXPECT_EQ(TimeText(123, 4, false), QStringLiteral("   123' 04\""));
}

TEST(TypeAndModeText, ShowTheOrdinalOnlyForTheNonNormalTypes)
{
    EXPECT_EQ(PlayTypeText(ptNormal, 3), QStringLiteral("Normal"));
    EXPECT_EQ(PlayTypeText(ptRandom, 3), QStringLiteral("Rnd. 03"));
    EXPECT_EQ(PlayTypeText(ptProgram, 12), QStringLiteral("Prg. 12"));
    EXPECT_EQ(PlayTypeText(ptProgramRandom, 1), QStringLiteral("P.R. 01"));
    EXPECT_EQ(PlayTypeText(7, 1), QString());
    EXPECT_EQ(TimeModeText(0), QStringLiteral("T.Pass"));
    EXPECT_EQ(TimeModeText(1), QStringLiteral("T.Rest"));
    EXPECT_EQ(TimeModeText(2), QStringLiteral("Pass"));
    EXPECT_EQ(TimeModeText(3), QStringLiteral("Rest"));
    EXPECT_EQ(StatusTitle(4, 2, 7, QStringLiteral("Mirelune")), QStringLiteral("[04] 2’07” - Mirelune"));
}

TEST(TimeImage, FollowsTheDiscStates)
{
    TimeImage t;
    DisplayInput in; // device open
    EXPECT_EQ(t.Update(in), dsNoDisc);
    in.deviceMode = ModeNotReady;
    EXPECT_EQ(t.Update(in), dsNoDisc);
    in.loading = true;
    EXPECT_EQ(t.Update(in), dsLoading);
    in.loading = false;
    in.deviceMode = ModeStopped;
    EXPECT_EQ(t.Update(in), dsCdRom); // a disc without audio
    in.hasAudio = true;
    EXPECT_EQ(t.Update(in), dsTime);
    EXPECT_EQ(t.DisplayState, dsTime);
}

TEST(TimeImage, ClearsOnlyWhenTheStateChangesAndDrawsOnlyNewText)
{
    TimeImage t;
    t.Update(DisplayInput{}); // start-up: no disc yet
    EXPECT_EQ(t.clears, 1);
    t.Update(Playing(1, 0, 0));
    EXPECT_EQ(t.clears, 2);
    EXPECT_EQ(t.timeDraws, 1);
    EXPECT_EQ(t.DrawnTime, QStringLiteral("01") + TimeText(0, 0, true));

    t.Update(Playing(1, 0, 0)); // same text: nothing painted
    EXPECT_EQ(t.clears, 2);
    EXPECT_EQ(t.timeDraws, 1);

    t.Update(Playing(1, 0, 1)); // new text, same state: drawn, not cleared
    EXPECT_EQ(t.clears, 2);
    EXPECT_EQ(t.timeDraws, 2);

    t.Update(Playing(2, 0, 1)); // a new number alone is new text too
    EXPECT_EQ(t.timeDraws, 3);

    DisplayInput gone; // the disc goes: cleared once, the drawn text forgotten
    t.Update(gone);
    t.Update(gone);
    EXPECT_EQ(t.clears, 3);
    EXPECT_TRUE(t.DrawnTime.isEmpty());

    t.Update(Playing(2, 0, 1)); // back to the time: cleared and drawn again
    EXPECT_EQ(t.clears, 4);
    EXPECT_EQ(t.timeDraws, 4);
}

TEST(TimeImage, RedrawRequestDrawsTheSameTextAgain)
{
    TimeImage t;
    t.Update(Playing(5, 1, 2));
    const int clears = t.clears, draws = t.timeDraws;
    t.RequestRedraw();
    t.Update(Playing(5, 1, 2));
    EXPECT_EQ(t.clears, clears + 1);
    EXPECT_EQ(t.timeDraws, draws + 1);
}

TEST(TimeImage, PaintsTheTimeColourOnTheBackground)
{
    TimeImage t;
    t.background = QColor(0, 0, 0);
    t.timeColor = QColor(0, 255, 255);
    t.Update(Playing(8, 88, 88));
    bool sawTime = false;
    for (int y = 0; y < t.image.height(); ++y)
        for (int x = 0; x < t.image.width(); ++x)
            if (t.image.pixelColor(x, y) == t.timeColor) sawTime = true;
    EXPECT_TRUE(sawTime);
    EXPECT_EQ(t.image.pixelColor(0, t.image.height() - 1), t.background);
}

TEST(TimeImage, TheTimeSitsInTheMiddleOfTheImageWhateverTheFacesLineSpacing)
{
    // The default face and a Japanese face of tall line spacing, as the window uses.
    for (const QString& family : {QString(), QStringLiteral("Noto Sans CJK JP")}) {
        TimeImage t;
        if (!family.isEmpty()) t.font.setFamily(family);
        t.Update(Playing(8, 88, 88));
        int top = t.image.height(), bottom = -1;
        for (int y = 0; y < t.image.height(); ++y)
            for (int x = 0; x < t.image.width(); ++x)
                if (t.image.pixelColor(x, y) == t.timeColor) {
                    top = qMin(top, y);
                    bottom = qMax(bottom, y);
                }
        ASSERT_GE(bottom, top) << family.toStdString();
        const int above = top, below = t.image.height() - 1 - bottom;
        EXPECT_LE(qAbs(above - below), 3) << family.toStdString() << " " << above << " above, " << below << " below";
    }
}
