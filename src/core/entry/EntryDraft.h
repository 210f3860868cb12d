#pragma once
// A draft of data entry: what the user changed in the dialog and has not saved yet, kept
// in a file of its own per disc so that it outlives the dialog (a disc that goes, a
// logout, a crash). It holds only the changes, so that a restore lays them over the data
// file as it is by then.
//
// The file is INI text in the data file's own forms: [Draft] with the disc identifier and
// the track the dialog showed, [Info] and [Title] with the changed texts, a WordsNN
// section per changed track (Count and the lines when its lyrics changed, Adjust,
// CopyTrack), and [Memo] with text typed into the lyrics memo and not yet taken into the
// lyrics (Track, Count, then one key per line from 1).
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "core/discdata/Words.h"

struct DraftTrack {
    std::optional<QString> Title;
    std::optional<std::vector<TWordsLine>> Lines; // all of the track's lines
    std::optional<int16_t> Adjust;
    std::optional<int32_t> CopyTrack;
    bool Empty() const { return !Title && !Lines && !Adjust && !CopyTrack; }
};

struct EntryDraft {
    QString DiscId;
    std::optional<QString> Title;
    std::optional<QString> Artist;
    std::map<int, DraftTrack> Tracks; // by disc track number
    int ShownTrack = 0;               // the track the lyrics and timing pages showed
    int MemoTrack = 0;                // the track Memo was typed for
    std::optional<QStringList> Memo;  // memo lines not yet taken into the lyrics
    bool Empty() const { return !Title && !Artist && Tracks.empty() && !Memo; }
};

// What the dialog shows, as text: the disc's title and artist, each track's title (by
// disc track number), and the memo when it holds text not yet taken into the lyrics.
struct DialogTexts {
    QString Title;
    QString Artist;
    std::map<int, QString> SongTitles;
    int ShownTrack = 0;
    int MemoTrack = 0;
    std::optional<QStringList> Memo;
};

// Every track's lines, adjust value and copy link as the dialog opened on them, with what
// of them was unsaved then: an edit taken back to where it began is no change.
struct TrackState {
    std::vector<TWordsLine> Lines;
    int16_t Adjust = 0;
    int32_t CopyTrack = 0;
    uint8_t Changes = 0; // TWords::Changes then
};
using EntryStart = std::map<int, TrackState>;
EntryStart EntryStartOf(const TWords& words);

// What the dialog holds that the data file does not: texts the user changed since the
// dialog showed them (shown) or that words holds unsaved, and the lines, adjust values
// and copy links words changed since it last read or wrote the file (and, with start,
// that differ from the opening or were unsaved already then).
EntryDraft CollectDraft(const TWords& words, const DialogTexts& shown, const DialogTexts& now,
                        const EntryStart* start = nullptr);
// Whether restoring draft would change anything of words (read from its file) and of the
// texts the dialog shows: a draft of edits that were saved after all is no draft.
bool DraftChangesAnything(const TWords& words, const EntryDraft& draft, const DialogTexts& shown);
// Lays the draft's lines, adjust values and copy links over words (tracks the disc does
// not have are passed by); the texts are the dialog's to show.
void ApplyDraft(TWords& words, const EntryDraft& draft);

// The draft file of a disc in folder.
QString DraftPath(const QString& folder, const QString& discId);
// Through the one safe save; the folder is made when missing.
bool WriteDraft(const QString& path, const EntryDraft& draft, QString* reason = nullptr);
enum class DraftState { None, Read, Damaged };
// Reads the draft of discId at path. None: there is no file. Damaged: the file cannot be
// read, holds bytes that are no text, belongs to another disc, or a value is out of its
// form; nothing of it is used then.
DraftState ReadDraft(const QString& path, const QString& discId, EntryDraft* draft);
