#include "Words.h"

#include <algorithm>

#include "DataFileName.h"
#include "DiscId.h"
#include "DiscRegistry.h"
#include "core/common/Commands.h"
#include "core/drive/CdDevice.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"

TWords::TWords(CdDevice& d, CommandSet& c, Settings& s) : Songs(kSongSlots + 1), device(d), commands(c), settings(s)
{
    known.fill(kKnownAll);
}

TWords::~TWords() = default;

bool TWords::validTrack(int track) { return track >= 1 && track <= kSongSlots; }
bool TWords::validLine(int index) { return index >= 1 && index <= kLineSlots; }

int TWords::firstListedTrack() const { return std::max(1, FirstAudioTrack); }

void TWords::NewDisc(int32_t count)
{
    count = std::clamp(count, 0, kMaxTracks);
    SongCount = count;
    Title.clear();
    Artist.clear();
    PlayTime = 0;
    // A program or play type of the previous disc never carries over, even when the
    // new disc's file cannot be read.
    PlayTypeCode = 0;
    ProgramCount = 0;
    programTail.clear();
    commands.State.SetRepeat(RepeatMode::Off);
    for (int t = 1; t <= kMaxTracks; ++t) Songs[t].Title.clear();
    for (int n = 1; n <= count; ++n) {
        TWordsSong& s = Songs[n];
        s.StartPos = device.TrackPosition(n);
        s.Length = device.TrackLength(n);
        s.LineCount = 0;
        s.Adjust = 0;
        s.CopyTrack = 0;
    }
    DiscText = device.DiscText();
    TWordsSong& end = Songs[count + 1];
    end.StartPos = count > 0 ? Songs[count].StartPos + Songs[count].Length : 0;
    end.Length = 0;
    end.LineCount = 0;
    end.Adjust = 0;
    end.CopyTrack = 0;
    // Until the file is read nothing of the tracks or the play state is known, and a save
    // must not write over what a failed read left unread.
    known.fill(0);
    programKnown = playStateKnown = false;
    changes.fill(0);
    fileTitle.clear();
    fileArtist.clear();
    stampedPath.clear();
    pendingStamp.reset();
    lastDoc.reset();
    seenFile.clear();
    FindFirstAudioTrack();
    MakeDiscId();
    Load(dpAll);
}

int32_t TWords::SongStart(int track) const { return validTrack(track) ? Songs[track].StartPos : 0; }
int32_t TWords::SongLength(int track) const { return validTrack(track) ? Songs[track].Length : 0; }

int32_t TWords::AudioLength() const
{
    if (AudioState == 0) return 0;
    return SongStart(SongCount + 1) - SongStart(FirstAudioTrack);
}

QString TWords::GetSongTitle(int track) const
{
    if (AudioState == 0 || (AudioState == 2 && track < FirstAudioTrack)) return QStringLiteral("(データ)");
    return validTrack(track) ? Songs[track].Title : QString();
}

void TWords::markChanged(int track, uint8_t what)
{
    changes[track] |= what;
    if (Edited) Edited();
}

uint8_t TWords::Changes(int track) const { return validTrack(track) ? changes[track] : uint8_t(0); }

bool TWords::HasUnsavedEdits() const
{
    if (Title != fileTitle || Artist != fileArtist) return true;
    return std::any_of(changes.begin(), changes.end(), [](uint8_t c) { return c != 0; });
}

void TWords::SetSongTitle(int track, const QString& title)
{
    if (!validTrack(track)) return;
    known[track] |= kKnownTitle;
    if (Songs[track].Title == title) return;
    Songs[track].Title = title;
    markChanged(track, ChangedTitle);
}

int32_t TWords::GetLineCount(int track) const { return validTrack(track) ? Songs[track].LineCount : 0; }

void TWords::SetLineCount(int track, int32_t count)
{
    if (!validTrack(track)) return;
    known[track] |= kKnownLines;
    count = std::clamp(count, 0, kMaxLines);
    if (Songs[track].LineCount == count) return;
    Songs[track].LineCount = count;
    markChanged(track, ChangedLines);
}

int16_t TWords::GetAdjust(int track) const { return validTrack(track) ? Songs[track].Adjust : int16_t(0); }

void TWords::SetAdjust(int track, int16_t adjust)
{
    if (!validTrack(track)) return;
    known[track] |= kKnownLines;
    if (Songs[track].Adjust == adjust) return;
    Songs[track].Adjust = adjust;
    markChanged(track, ChangedAdjust);
}

int32_t TWords::GetCopyTrack(int track) const { return validTrack(track) ? Songs[track].CopyTrack : 0; }

void TWords::SetCopyTrack(int track, int32_t copyTrack)
{
    if (!validTrack(track)) return;
    known[track] |= kKnownLines;
    if (Songs[track].CopyTrack == copyTrack) return;
    Songs[track].CopyTrack = copyTrack;
    // A track that stops borrowing keeps the borrowed lines as its own.
    markChanged(track, copyTrack == 0 ? ChangedCopy | ChangedLines : ChangedCopy);
}

TWordsLine TWords::GetLine(int track, int index) const
{
    if (!validTrack(track) || !validLine(index)) return {};
    return Songs[track].Lines[index];
}

bool WordsFit(const TWordsLine& line)
{
    const std::vector<WordMark>& w = line.Words;
    if (w.empty()) return true;
    if (w.front().At != 0 || w.front().Time != line.StartTime) return false;
    for (size_t i = 0; i < w.size(); ++i) {
        if (w[i].At > line.Text.size() || (line.EndTime != 0 && w[i].Time >= line.EndTime)) return false;
        if (i > 0 && (w[i].At < w[i - 1].At || w[i].Time < w[i - 1].Time)) return false;
    }
    return true;
}

void TWords::SetLine(int track, int index, const TWordsLine& given)
{
    if (!validTrack(track) || !validLine(index)) return;
    known[track] |= kKnownLines;
    TWordsLine line = given;
    // The first word starts with the line: a line moved takes its first word along.
    if (!line.Words.empty()) line.Words.front().Time = line.StartTime;
    // Word times the line no longer holds (a time moved past them) are no word times.
    if (!WordsFit(line)) line.Words.clear();
    TWordsLine& slot = Songs[track].Lines[index];
    if (slot == line) return;
    slot = std::move(line);
    markChanged(track, ChangedLines);
}

void TWords::FindFirstAudioTrack()
{
    FirstAudioTrack = 0;
    AudioState = 0;
    while (FirstAudioTrack < device.TrackCount()) {
        ++FirstAudioTrack;
        if (device.TrackIsAudio(FirstAudioTrack)) {
            AudioState = FirstAudioTrack == 1 ? 1 : 2;
            return;
        }
    }
    FileName.clear();
}

void TWords::ResolveCopies()
{
    const bool program = ProgramCount > 0;
    commands.State.SetHasProgram(program);
    for (int t = firstListedTrack(); t <= SongCount; ++t) {
        const int n = Songs[t].CopyTrack;
        // A link outside the disc is no link.
        if (n <= 0 || n > SongCount || n == t) continue;
        Songs[t].Lines = Songs[n].Lines;
        Songs[t].LineCount = Songs[n].LineCount;
    }
}

void TWords::MakeDiscId()
{
    DiscId = DiscIdOf(device);
    const QString name = DiscRegistry(settings).Lookup(DiscId);
    if (!IsSafeRegisteredName(name)) {
        // A hand-edited entry never leads to a file outside the data folder: the disc is
        // unregistered, and the entry stays in the settings file as it is.
        if (!refusedEntries.contains(DiscId + QLatin1Char('=') + name)) {
            refusedEntries.insert(DiscId + QLatin1Char('=') + name);
            UnsafeRegistryEntryMessage(DiscId, name);
        }
        FileName.clear();
        return;
    }
    FileName = DataFilePath(settings, name);
}

bool TWords::Register(const QString& name) { return !DiscRegistry(settings).Register(*this, name); }
