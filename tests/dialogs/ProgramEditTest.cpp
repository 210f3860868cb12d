// The program editor's list rules, and how a stored program reaches the player.
#include "core/entry/ProgramEdit.h"
#include "playback/PlayerFixture.h"

namespace {

ProgramItems Items(std::vector<int> entries, std::vector<int> selected)
{
    ProgramItems prog;
    prog.Entries = std::move(entries);
    prog.Selected.assign(prog.Entries.size() + 1, false);
    for (int i : selected) prog.Selected[static_cast<size_t>(i)] = true;
    return prog;
}

std::vector<int> SelectedIndexes(const ProgramItems& prog)
{
    std::vector<int> s;
    for (int i = 0; i <= prog.MarkerIndex(); ++i)
        if (prog.IsSelected(i)) s.push_back(i);
    return s;
}

using V = std::vector<int>;

class ProgramEdit : public PlayerFixture {
protected:
    void SetUp() override { StartWith(SimDisc::Audio({30, 40, 50, 60})); }
};

} // namespace

TEST_F(ProgramEdit, AddInsertsInFrontOfTheInsertionPointUpTo99Entries)
{
    // An empty program is the end marker alone, selected: Add appends, nothing else works.
    ProgramItems prog = ProgramItems::From(words);
    EXPECT_TRUE(prog.Entries.empty());
    EXPECT_EQ(SelectedIndexes(prog), V{0});
    ProgramButtons b = ProgramButtonStates(prog, 1);
    EXPECT_TRUE(b.Add);
    EXPECT_FALSE(b.Del || b.DelAll || b.Up || b.Down);
    EXPECT_EQ(ProgramLength(prog.Entries, words), 0);

    EXPECT_EQ(AddTracks(prog, {2, 3}), 2);
    EXPECT_EQ(prog.Entries, (V{2, 3}));
    EXPECT_EQ(SelectedIndexes(prog), V{2}); // the marker stays the insertion point

    // The selected entry is the insertion point; it stays selected below what came in,
    // so repeated adds keep inserting in front of it.
    prog.SelectOnly(0);
    AddTracks(prog, {4});
    AddTracks(prog, {1});
    EXPECT_EQ(prog.Entries, (V{4, 1, 2, 3}));
    EXPECT_EQ(SelectedIndexes(prog), V{2});

    // The same track twice counts twice.
    AddTracks(prog, {4});
    EXPECT_EQ(ProgramLength(prog.Entries, words), (60 + 30 + 60 + 40 + 50) * 1000);
    // An entry naming no track of this disc plays nothing and counts nothing.
    EXPECT_EQ(ProgramLength({9, 0}, words), 0);

    // With nothing selected the program grows at its end.
    prog.Selected.assign(prog.Selected.size(), false);
    AddTracks(prog, {2});
    EXPECT_EQ(prog.Entries.back(), 2);
    EXPECT_EQ(SelectedIndexes(prog), V{prog.MarkerIndex()});

    // 97 entries and three selected tracks would pass 99: nothing goes in at all.
    ProgramItems full = Items(V(97, 1), {97});
    EXPECT_FALSE(ProgramButtonStates(full, 3).Add);
    EXPECT_EQ(AddTracks(full, {1, 2, 3}), -1);
    EXPECT_EQ(full.Count(), 97);
    EXPECT_EQ(DropTracks(full, 0, {1, 2, 3}), -1);
    EXPECT_EQ(SelectedIndexes(full), V{97}); // a refused drop leaves the selection alone
    EXPECT_TRUE(ProgramButtonStates(full, 2).Add);
    EXPECT_EQ(AddTracks(full, {2, 3}), 99);
    EXPECT_EQ(full.Count(), 99);
    EXPECT_FALSE(ProgramButtonStates(full, 1).Add);
}

TEST_F(ProgramEdit, DeleteUpAndDownKeepTheMarkerLastAndBlocksTogether)
{
    ProgramItems prog = Items({1, 2, 3, 4, 5}, {1, 3});
    EXPECT_TRUE(DeleteSelected(prog));
    EXPECT_EQ(prog.Entries, (V{1, 3, 5}));
    EXPECT_EQ(SelectedIndexes(prog), V{1}); // the one after the first deleted

    // The marker is never deleted, even when selected with entries.
    prog = Items({1, 2}, {0, 2});
    EXPECT_TRUE(DeleteSelected(prog));
    EXPECT_EQ(prog.Entries, V{2});
    EXPECT_EQ(SelectedIndexes(prog), (V{0, 1}));
    prog = Items({1, 2}, {2});
    EXPECT_FALSE(ProgramButtonStates(prog, 0).Del);
    EXPECT_FALSE(DeleteSelected(prog));
    EXPECT_EQ(prog.Entries.size(), 2u);

    // Entries 3 and 4 selected: Up moves both together, until the first entry is reached.
    prog = Items({1, 2, 3, 4, 5}, {2, 3});
    EXPECT_TRUE(MoveUp(prog));
    EXPECT_EQ(prog.Entries, (V{1, 3, 4, 2, 5}));
    EXPECT_EQ(SelectedIndexes(prog), (V{1, 2}));
    EXPECT_TRUE(MoveUp(prog));
    EXPECT_EQ(prog.Entries, (V{3, 4, 1, 2, 5}));
    EXPECT_FALSE(ProgramButtonStates(prog, 0).Up);
    EXPECT_FALSE(MoveUp(prog));
    EXPECT_TRUE(MoveDown(prog));
    EXPECT_TRUE(MoveDown(prog));
    EXPECT_TRUE(MoveDown(prog));
    EXPECT_EQ(prog.Entries, (V{1, 2, 5, 3, 4}));
    EXPECT_EQ(SelectedIndexes(prog), (V{3, 4}));
    EXPECT_FALSE(ProgramButtonStates(prog, 0).Down); // the last entry is selected
    EXPECT_FALSE(MoveDown(prog));

    // With the marker selected neither moves.
    prog = Items({1, 2, 3}, {1, 3});
    ProgramButtons b = ProgramButtonStates(prog, 0);
    EXPECT_FALSE(b.Up || b.Down);
    EXPECT_FALSE(MoveUp(prog));

    DeleteAll(prog);
    EXPECT_TRUE(prog.Entries.empty());
    EXPECT_EQ(SelectedIndexes(prog), V{0});
    EXPECT_FALSE(ProgramButtonStates(prog, 0).DelAll);
}

TEST_F(ProgramEdit, DropsBelowTheLastItemAppendAndNeverMoveTheMarker)
{
    // Tracks dropped below the last item (or on a row past the items) go to the end.
    ProgramItems prog = Items({1, 2, 3}, {0});
    EXPECT_EQ(DropTracks(prog, -1, {4, 4}), 5);
    EXPECT_EQ(prog.Entries, (V{1, 2, 3, 4, 4}));
    DropTracks(prog, 40, {1});
    EXPECT_EQ(prog.Entries.back(), 1);
    EXPECT_EQ(SelectedIndexes(prog), V{prog.MarkerIndex()});

    // An entry dropped on the marker or below it becomes the last one.
    prog = Items({1, 2, 3}, {1});
    EXPECT_TRUE(DropEntries(prog, -1));
    EXPECT_EQ(prog.Entries, (V{1, 3, 2}));
    EXPECT_EQ(SelectedIndexes(prog), V{2});
    // The marker selected first does not move, whatever else is selected.
    prog = Items({1, 2}, {2});
    EXPECT_FALSE(DropEntries(prog, 0));
    EXPECT_EQ(prog.Entries, (V{1, 2}));
    EXPECT_EQ(prog.MarkerIndex(), 2);
}

TEST_F(ProgramEdit, StoredProgramIsFollowedByThePlayerOnlyWhenItChanged)
{
    // Stored in normal play: the program types become available, the player is untouched.
    commands.PlayBtn->trigger();
    RunFor(2000);
    ASSERT_TRUE(Playing());
    EXPECT_TRUE(StoreProgram({3, 1}, words, commands));
    EXPECT_EQ(words.ProgramCount, 2);
    EXPECT_EQ(words.ProgramList[1], 3);
    EXPECT_TRUE(commands.TypeProgRandItem->isEnabled());
    EXPECT_TRUE(Playing());
    EXPECT_EQ(player.PlayType(), ptNormal);

    commands.TypeProgItem->trigger();
    EXPECT_EQ(player.PlayList.Tracks(), (V{3, 1}));
    commands.PlayBtn->trigger();
    RunFor(2000);
    const int entry = player.EntryIndex;

    // The same program again changes nothing in the player.
    EXPECT_FALSE(StoreProgram({3, 1}, words, commands));
    EXPECT_TRUE(Playing());
    EXPECT_EQ(player.EntryIndex, entry);
}
