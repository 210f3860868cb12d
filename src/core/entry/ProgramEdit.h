#pragma once
// The program editor's rules, without a window: what Add, Delete, Delete all, Up, Down
// and the drops do to the program list and its selection, which buttons are enabled,
// the total time, and how an edited program reaches the disc data object and the
// player. TProgSetForm shows this state and forwards the user's actions here.
#include <cstdint>
#include <vector>

class CommandSet;
class TWords;

// ProgList as data: one item per program entry, then the end marker. The marker is
// never stored and always last: it is the insertion point for appending, the drop
// target below the last entry, and the item selected when the program is empty.
struct ProgramItems {
    std::vector<int> Entries;   // disc track numbers in play order
    std::vector<bool> Selected; // one flag per item: Entries.size() + 1, the marker's last

    // The program of the disc data object, with only the end marker selected.
    static ProgramItems From(const TWords& words);

    int MarkerIndex() const { return static_cast<int>(Entries.size()); }
    int Count() const { return static_cast<int>(Entries.size()); }
    // The index of the first selected item, -1 when none is.
    int FirstSelected() const;
    bool IsSelected(int index) const;
    // Only this item selected (clamped to the items).
    void SelectOnly(int index);
};

struct ProgramButtons {
    bool Add = false;
    bool Del = false;
    bool DelAll = false;
    bool Up = false;
    bool Down = false;
};

// The enabled buttons for this program and selectedTracks selected items of TrackList.
ProgramButtons ProgramButtonStates(const ProgramItems& prog, int selectedTracks);

// Add: tracks (the selected items of TrackList, in list order) go in front of the
// insertion point, the first selected item (the end marker when nothing is selected),
// which stays selected below them. Nothing is inserted when the program would pass 99
// entries. Returns the insertion point's new index (to scroll to), -1 when nothing
// was inserted.
int AddTracks(ProgramItems& prog, const std::vector<int>& tracks);
// Delete: every selected entry goes (never the marker); the item that followed the
// first deleted one becomes selected. False when nothing was deleted.
bool DeleteSelected(ProgramItems& prog);
// Delete all: only the end marker is left, selected.
void DeleteAll(ProgramItems& prog);
// Up and Down: every selected entry moves one place, a block of them as a block; the
// marker never moves. Nothing while the button is disabled.
bool MoveUp(ProgramItems& prog);
bool MoveDown(ProgramItems& prog);

// The two lists of the dialog, as drag sources and drop targets.
enum class EditList { TrackList, ProgList };
// A drop is taken on ProgList from either list, on TrackList only from ProgList.
bool AcceptsDrop(EditList target, EditList source);
// The item a drop at row lands on: row is the item under the point, -1 below the last
// item; the result lies within 0 .. the marker's index.
int DropIndex(const ProgramItems& prog, int row);
// Tracks dropped from TrackList on item index: inserted in front of it (as Add does,
// with that item as the only selected one). Returns what AddTracks returns.
int DropTracks(ProgramItems& prog, int index, const std::vector<int>& tracks);
// Entries dragged within ProgList onto item index: only the first selected entry moves,
// to index (never below the last entry), and is then the only one selected.
bool DropEntries(ProgramItems& prog, int index);

// Milliseconds the program plays: the lengths of its entries, each time it occurs.
// An entry naming no audio track of this disc plays nothing and counts nothing.
int32_t ProgramLength(const std::vector<int>& entries, const TWords& words);

// OK and Save: the entries become the program of the disc data object. When it changed,
// the program play types are enabled as it now allows and the player follows it (see
// FollowProgram). Returns whether it changed.
bool StoreProgram(const std::vector<int>& entries, TWords& words, CommandSet& commands);
// The program changed under the player: in a program play type the list is built again
// from the new program by choosing that type again, or normal play is chosen when the
// program became empty. Other play types are left alone.
void FollowProgram(CommandSet& commands);
