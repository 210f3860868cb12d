#include <gtest/gtest.h>

#include "core/common/Etc.h"

TEST(Etc, MinSecDropsFractionsAndNeverCarriesIntoHours)
{
    EXPECT_EQ(FormatMinSec(185999), QStringLiteral("3’05”"));
    EXPECT_EQ(FormatMinSec(0), QStringLiteral("0’00”"));
    EXPECT_EQ(FormatMinSec(3725000), QStringLiteral("62’05”"));
    EXPECT_EQ(FormatMinSec(59999), QStringLiteral("0’59”"));
}

TEST(Etc, HourMinSecUsesTheSemiVoicedMark)
{
    EXPECT_EQ(FormatHourMinSec(3725), QStringLiteral("1゜02’05”"));
    EXPECT_EQ(FormatHourMinSec(59), QStringLiteral("0゜00’59”"));
    EXPECT_EQ(FormatHourMinSec(36000), QStringLiteral("10゜00’00”"));
    // The marks are the exact characters, not look-alikes.
    const QString s = FormatHourMinSec(3725);
    EXPECT_EQ(s.at(1).unicode(), 0x309C);
    EXPECT_EQ(s.at(4).unicode(), 0x2019);
    EXPECT_EQ(s.at(7).unicode(), 0x201D);
}

TEST(Etc, ZeroPadNeverCuts)
{
    EXPECT_EQ(FormatZeroPad(7, 2), QStringLiteral("07"));
    EXPECT_EQ(FormatZeroPad(12, 3), QStringLiteral("012"));
    EXPECT_EQ(FormatZeroPad(123, 2), QStringLiteral("123"));
    EXPECT_EQ(FormatZeroPad(-5, 3), QStringLiteral("-005"));
}

TEST(Etc, NumberedKeepsTextUnchanged)
{
    EXPECT_EQ(FormatNumbered(5, QStringLiteral("夜空ノムコウ")), QStringLiteral("05: 夜空ノムコウ"));
    EXPECT_EQ(FormatNumbered(100, QString()), QStringLiteral("100: "));
    EXPECT_EQ(FormatNumbered(3, QStringLiteral("%s %d")), QStringLiteral("03: %s %d"));
}

TEST(Etc, ScaleToScreenTruncates)
{
    EXPECT_EQ(ScaleToScreen(93, 96), 93);
    EXPECT_EQ(ScaleToScreen(93, 120), 116);
    EXPECT_EQ(ScaleToScreen(7, 120), 8);
    EXPECT_EQ(ScaleToScreen(-7, 120), -8);
    EXPECT_EQ(ScaleToScreen(16, 144), 24);
}
