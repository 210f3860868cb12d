#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "core/playback/PlayList.h"

namespace {
// Gives the scripted draws in order; the test fails if it runs out.
struct ScriptedDraws {
    std::deque<int> draws;
    int calls = 0;
    RandomDraw Fn()
    {
        return [this](int n) {
            ++calls;
            EXPECT_FALSE(draws.empty()) << "more draws than scripted";
            if (draws.empty()) return 0;
            const int r = draws.front();
            draws.pop_front();
            EXPECT_LT(r, n);
            return r;
        };
    }
};
const RandomDraw kNoDraws = [](int) -> int {
    ADD_FAILURE() << "no draw expected";
    return 0;
};
} // namespace

TEST(PlayOrder, NormalPlaysTheAudioTracksInDiscOrder)
{
    EXPECT_EQ(PlayOrder(ptNormal, 1, 4, {}, kNoDraws), (std::vector<int>{1, 2, 3, 4}));
    // A data track 1 is in no list.
    EXPECT_EQ(PlayOrder(ptNormal, 2, 4, {}, kNoDraws), (std::vector<int>{2, 3, 4}));
}

TEST(PlayOrder, RandomRedrawsUsedPositionsUntilAFreeOneTurnsUp)
{
    ScriptedDraws d{{2, 2, 0, 2, 0, 1}};
    // Tracks 3..5: positions 2, then 0 (after a repeat of 2), then 1 (after repeats).
    EXPECT_EQ(PlayOrder(ptRandom, 3, 5, {}, d.Fn()), (std::vector<int>{5, 3, 4}));
    EXPECT_EQ(d.calls, 6);
}

TEST(PlayOrder, ProgramPlaysTheProgramAndProgramRandomShufflesItsPositions)
{
    const std::vector<int> program{4, 2, 4, 1};
    EXPECT_EQ(PlayOrder(ptProgram, 1, 5, program, kNoDraws), program);
    ScriptedDraws d{{3, 0, 2, 1}};
    // Positions, not tracks, are drawn: the repeated track 4 stays twice.
    EXPECT_EQ(PlayOrder(ptProgramRandom, 1, 5, program, d.Fn()), (std::vector<int>{1, 4, 4, 2}));
}

TEST(PlayOrder, ProgramEntriesOutsideTheAudioTracksAreLeftOut)
{
    // Track 1 is data, the disc has 5 tracks: 0, 1, 6 and 99 cannot be played.
    EXPECT_EQ(PlayOrder(ptProgram, 2, 5, {0, 3, 1, 6, 5, 99}, kNoDraws), (std::vector<int>{3, 5}));
    EXPECT_TRUE(PlayOrder(ptProgram, 1, 5, {}, kNoDraws).empty());
    EXPECT_TRUE(PlayOrder(ptProgramRandom, 1, 5, {}, kNoDraws).empty());
}

TEST(EntryList, OffsetsAreTheRunningSumOfTheEntriesLengths)
{
    EntryList list;
    list.Build({3, 1, 3}, [](int track) { return track * 1000; });
    ASSERT_EQ(list.EntryCount(), 3);
    EXPECT_EQ(list.Track(1), 3);
    EXPECT_EQ(list.Offset(1), 0);
    EXPECT_EQ(list.Offset(2), 3000);
    EXPECT_EQ(list.Offset(3), 4000);
    EXPECT_EQ(list.TotalLength(), 7000);
    EXPECT_EQ(list.Tracks(), (std::vector<int>{3, 1, 3}));
    // Outside the list: an empty entry, never a read past its end.
    EXPECT_EQ(list.Track(0), 0);
    EXPECT_EQ(list.Track(4), 0);
    list.Clear();
    EXPECT_EQ(list.EntryCount(), 0);
    EXPECT_EQ(list.TotalLength(), 0);
}
