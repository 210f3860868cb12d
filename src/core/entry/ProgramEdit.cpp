#include "ProgramEdit.h"

#include <algorithm>

#include "core/common/Commands.h"
#include "core/common/Defines.h"
#include "core/discdata/Words.h"

ProgramItems ProgramItems::From(const TWords& words)
{
    ProgramItems prog;
    const int count = std::clamp(words.ProgramCount, 0, kProgramSlots);
    for (int i = 1; i <= count; ++i) prog.Entries.push_back(words.ProgramList[static_cast<size_t>(i)]);
    prog.SelectOnly(prog.MarkerIndex());
    return prog;
}

int ProgramItems::FirstSelected() const
{
    for (int i = 0; i <= MarkerIndex() && i < static_cast<int>(Selected.size()); ++i)
        if (Selected[static_cast<size_t>(i)]) return i;
    return -1;
}

bool ProgramItems::IsSelected(int index) const
{
    return index >= 0 && index < static_cast<int>(Selected.size()) && Selected[static_cast<size_t>(index)];
}

void ProgramItems::SelectOnly(int index)
{
    Selected.assign(Entries.size() + 1, false);
    Selected[static_cast<size_t>(std::clamp(index, 0, MarkerIndex()))] = true;
}

namespace {
// A selection that does not fit the items (a caller's slip) is read as none.
void fitSelection(ProgramItems& prog)
{
    if (prog.Selected.size() != prog.Entries.size() + 1) prog.Selected.assign(prog.Entries.size() + 1, false);
}

bool anyEntrySelected(const ProgramItems& prog)
{
    for (int i = 0; i < prog.MarkerIndex(); ++i)
        if (prog.IsSelected(i)) return true;
    return false;
}
} // namespace

ProgramButtons ProgramButtonStates(const ProgramItems& prog, int selectedTracks)
{
    ProgramButtons b;
    const int marker = prog.MarkerIndex();
    b.Add = selectedTracks > 0 && prog.Count() + selectedTracks <= kMaxProgramAdd;
    const int first = prog.FirstSelected();
    b.Del = first >= 0 && first < marker;
    b.DelAll = prog.Count() > 0;
    // With nothing selected Up and Down would move nothing: they are off then too.
    const bool movable = b.DelAll && !prog.IsSelected(marker) && anyEntrySelected(prog);
    b.Up = movable && !prog.IsSelected(0);
    b.Down = movable && !prog.IsSelected(marker - 1);
    return b;
}

int AddTracks(ProgramItems& prog, const std::vector<int>& tracks)
{
    fitSelection(prog);
    if (!ProgramButtonStates(prog, static_cast<int>(tracks.size())).Add) return -1;
    int pos = prog.FirstSelected();
    if (pos < 0) {
        // Nothing selected: the program grows at its end, as with the marker selected.
        pos = prog.MarkerIndex();
        prog.Selected[static_cast<size_t>(pos)] = true;
    }
    for (int track : tracks) {
        prog.Entries.insert(prog.Entries.begin() + pos, track);
        prog.Selected.insert(prog.Selected.begin() + pos, false);
        ++pos;
    }
    return pos;
}

bool DeleteSelected(ProgramItems& prog)
{
    fitSelection(prog);
    if (!ProgramButtonStates(prog, 0).Del) return false;
    const int first = prog.FirstSelected();
    for (int i = prog.MarkerIndex() - 1; i >= 0; --i) {
        if (!prog.IsSelected(i)) continue;
        prog.Entries.erase(prog.Entries.begin() + i);
        prog.Selected.erase(prog.Selected.begin() + i);
    }
    prog.Selected[static_cast<size_t>(first)] = true;
    return true;
}

void DeleteAll(ProgramItems& prog)
{
    prog.Entries.clear();
    prog.SelectOnly(0);
}

bool MoveUp(ProgramItems& prog)
{
    fitSelection(prog);
    if (!ProgramButtonStates(prog, 0).Up) return false;
    // Each selected entry trades places with the unselected one above it; a block of
    // selected entries so moves together.
    for (int i = 1; i < prog.MarkerIndex(); ++i) {
        if (!prog.IsSelected(i)) continue;
        std::swap(prog.Entries[static_cast<size_t>(i - 1)], prog.Entries[static_cast<size_t>(i)]);
        prog.Selected[static_cast<size_t>(i - 1)] = true;
        prog.Selected[static_cast<size_t>(i)] = false;
    }
    return true;
}

bool MoveDown(ProgramItems& prog)
{
    fitSelection(prog);
    if (!ProgramButtonStates(prog, 0).Down) return false;
    for (int i = prog.MarkerIndex() - 2; i >= 0; --i) {
        if (!prog.IsSelected(i)) continue;
        std::swap(prog.Entries[static_cast<size_t>(i)], prog.Entries[static_cast<size_t>(i + 1)]);
        prog.Selected[static_cast<size_t>(i + 1)] = true;
        prog.Selected[static_cast<size_t>(i)] = false;
    }
    return true;
}

bool AcceptsDrop(EditList target, EditList source)
{
    return target == EditList::ProgList || source == EditList::ProgList;
}

int DropIndex(const ProgramItems& prog, int row)
{
    if (row < 0) return prog.MarkerIndex();
    return std::clamp(row, 0, prog.MarkerIndex());
}

int DropTracks(ProgramItems& prog, int index, const std::vector<int>& tracks)
{
    // A drop that Add would refuse leaves the selection as it was, too.
    if (!ProgramButtonStates(prog, static_cast<int>(tracks.size())).Add) return -1;
    prog.SelectOnly(DropIndex(prog, index));
    return AddTracks(prog, tracks);
}

bool DropEntries(ProgramItems& prog, int index)
{
    fitSelection(prog);
    const int first = prog.FirstSelected();
    // The marker itself is never moved, even when it is the first selected item.
    if (prog.Count() == 0 || first < 0 || first >= prog.MarkerIndex()) return false;
    const int to = std::min(DropIndex(prog, index), prog.MarkerIndex() - 1);
    const int track = prog.Entries[static_cast<size_t>(first)];
    prog.Entries.erase(prog.Entries.begin() + first);
    prog.Entries.insert(prog.Entries.begin() + to, track);
    prog.SelectOnly(to);
    return true;
}

int32_t ProgramLength(const std::vector<int>& entries, const TWords& words)
{
    int32_t total = 0;
    if (words.AudioState == 0) return 0;
    for (int track : entries)
        if (track >= words.FirstAudioTrack && track <= words.SongCount) total += words.SongLength(track);
    return total;
}

bool StoreProgram(const std::vector<int>& entries, TWords& words, CommandSet& commands)
{
    const int count = std::min(static_cast<int>(entries.size()), kProgramSlots);
    bool changed = count != words.ProgramCount;
    words.ProgramCount = count;
    for (int i = 1; i <= count; ++i) {
        const auto track = static_cast<uint8_t>(entries[static_cast<size_t>(i - 1)]);
        if (words.ProgramList[static_cast<size_t>(i)] == track) continue;
        words.ProgramList[static_cast<size_t>(i)] = track;
        changed = true;
    }
    if (changed) {
        words.ResolveCopies(); // enables the program play types as the program allows
        FollowProgram(commands);
    }
    return changed;
}

void FollowProgram(CommandSet& commands)
{
    const int type = commands.State.Type();
    if (type != ptProgram && type != ptProgramRandom) return;
    if (!commands.State.HasProgram())
        commands.TypeNormItem->trigger();
    else
        commands.PlayTypeItem(type)->trigger();
}
