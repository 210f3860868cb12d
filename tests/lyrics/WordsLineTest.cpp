#include <gtest/gtest.h>

#include <vector>

#include "core/lyrics/WordsLine.h"

namespace {
// Lines as a track holds them, 1-based for the choice.
struct Lines {
    std::vector<LineSpan> spans;
    int At(int32_t pos, bool contDisp) const
    {
        return ChooseLine(
            pos, static_cast<int>(spans.size()), [this](int k) { return spans[static_cast<size_t>(k - 1)]; }, contDisp);
    }
};

// Line 1 (A) from 100 to 300, line 2 (B) from 320 to 500: a gap of 20.
const Lines kCloseLines{{{100, 300}, {320, 500}}};
} // namespace

TEST(LineChoice, ALineShowsOnlyAfterItsStartHasPassedAndUntilItsEnd)
{
    EXPECT_EQ(kCloseLines.At(100, false), 0);
    EXPECT_EQ(kCloseLines.At(101, false), 1);
    EXPECT_EQ(kCloseLines.At(299, false), 1);
    EXPECT_EQ(kCloseLines.At(300, false), 0);
    EXPECT_EQ(kCloseLines.At(320, false), 0);
    EXPECT_EQ(kCloseLines.At(321, false), 2);
    EXPECT_EQ(kCloseLines.At(500, false), 0);
    EXPECT_EQ(kCloseLines.At(-5, false), 0);
}

TEST(LineChoice, ContinuousDisplayBridgesAGapBelowOneSecond)
{
    EXPECT_EQ(kCloseLines.At(300, true), 1);
    EXPECT_EQ(kCloseLines.At(320, true), 1);
    EXPECT_EQ(kCloseLines.At(321, true), 2);
    // The last line has no next line, so it is not extended.
    EXPECT_EQ(kCloseLines.At(499, true), 2);
    EXPECT_EQ(kCloseLines.At(500, true), 0);
}

TEST(LineChoice, ContinuousDisplayLeavesAWideGapEmpty)
{
    const Lines wide{{{100, 300}, {450, 600}}};
    for (int32_t pos : {300, 350, 399, 400, 450}) EXPECT_EQ(wide.At(pos, true), 0) << pos;
    EXPECT_EQ(wide.At(451, true), 2);
}

TEST(LineChoice, AnOverlappingLaterLineTakesOverAsSoonAsItStarts)
{
    const Lines overlap{{{100, 400}, {250, 500}}};
    EXPECT_EQ(overlap.At(250, false), 1);
    EXPECT_EQ(overlap.At(251, false), 2);
}

TEST(LineChoice, LinesOutOfOrderAreNotSorted)
{
    // The scan stops at the highest-numbered started line, even if it has ended.
    const Lines unordered{{{300, 400}, {100, 200}}};
    EXPECT_EQ(unordered.At(350, false), 0);
    EXPECT_EQ(unordered.At(150, false), 2);
}

TEST(LineChoice, NoLinesShowNothing)
{
    const Lines none{};
    EXPECT_EQ(none.At(100, true), 0);
}

TEST(LinePosition, HundredthsFromTheTrackStartLessBothAdjustments)
{
    // Track starting at 62000 ms; 1.01 s in is 101 hundredths.
    EXPECT_EQ(LinePosition(63010, 62000, 0, 0), 101);
    EXPECT_EQ(LinePosition(63019, 62000, 0, 0), 101);
    // Adjust 50 shows A half a second later: unadjusted 151 is adjusted 101.
    EXPECT_EQ(LinePosition(63510, 62000, 50, 0), 101);
    // A borrowing track takes off its own and the source's adjustment.
    EXPECT_EQ(LinePosition(63510, 62000, 30, 20), 101);
    // Before the track start the quotient truncates toward zero.
    EXPECT_EQ(LinePosition(61995, 62000, 0, 0), 0);
    EXPECT_EQ(LinePosition(61980, 62000, 0, 0), -2);
    // A negative adjustment shows lines earlier.
    EXPECT_EQ(LinePosition(62000, 62000, -10, 0), 10);
}
