#pragma once
// The one disc data object: everything known about the disc in the drive (titles,
// lyrics with their timing, per-track corrections and copy links, the program, the
// play time and play type), its identifier and its data file. Its records are kept in
// Words.cpp, the reading and writing of its data file in DataFile.cpp; the identifier is
// computed in DiscId.h and the data file found through DiscRegistry.h.
//
// Track numbers are 1-based disc track numbers, line indexes 1-based. Accessors take
// a track 1..SongCount + 1 and a line index 1..128; anything outside the records reads
// as empty and is not stored.
#include <QList>
#include <QSet>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/common/Defines.h"
#include "core/common/SafeSave.h"
#include "core/drive/CdDevice.h"

class CommandSet;
class IniDocument;
struct Settings;

// Where a word (or syllable) of a line begins: its time and its place in the text.
struct WordMark {
    int32_t Time = 0; // hundredths of a second from the start of the track
    int32_t At = 0;   // index in the line's text where the word starts
    bool operator==(const WordMark&) const = default;
};

struct TWordsLine {
    TWordsLine() = default;
    TWordsLine(QString text, int32_t start = 0, int32_t end = 0, std::vector<WordMark> words = {})
        : Text(std::move(text)), StartTime(start), EndTime(end), Words(std::move(words))
    {
    }
    QString Text;          // code page 932 text ("***" marks the end of the lyrics)
    int32_t StartTime = 0; // hundredths of a second from the start of the track
    int32_t EndTime = 0;
    // The start of each word, in order, the first at the start of the text and of the
    // line; the last word lasts until EndTime. Empty: the line is shown whole at once.
    std::vector<WordMark> Words;
    bool operator==(const TWordsLine&) const = default;
};

// Whether words can belong to the line: the first at index 0 and at the line's start,
// places and times never going back, every place within the text, every time before a
// set end.
bool WordsFit(const TWordsLine& line);

struct TWordsSong {
    std::array<TWordsLine, kLineSlots + 1> Lines; // slots 1..128; [0] unused
    int32_t LineCount = 0;                        // 0..127
    QString Title;
    int32_t StartPos = 0;  // milliseconds of absolute disc time
    int32_t Length = 0;    // milliseconds
    int16_t Adjust = 0;    // hundredths of a second, subtracted from the position
    int32_t CopyTrack = 0; // 0 own lyrics; n > 0 shows track n's lyrics
};

class TWords {
public:
    // The device gives the table of contents; the command set's play state (State) holds
    // the play type and repeat that Save writes, the repeat that Load sets and whether the
    // program can be played; the settings give the registry and the data folder.
    TWords(CdDevice& device, CommandSet& commands, Settings& settings);
    virtual ~TWords();
    TWords(const TWords&) = delete;
    TWords& operator=(const TWords&) = delete;

    QString Title;
    QString Artist;
    uint8_t AudioState = 0;   // 0 no audio track, 1 audio from track 1, 2 audio after data
    int32_t PlayTime = 0;     // seconds played over all runs
    int32_t PlayTypeCode = 0; // bits 0-3 play type, +16 repeat, +32 repeat one
    int32_t FirstAudioTrack = 0;
    std::vector<TWordsSong> Songs; // records 1..100, created once; [0] unused
    QString FileName;              // full path of the data file; empty when unregistered
    QString DiscId;                // 8 upper-case hexadecimal digits
    int32_t SongCount = 0;
    std::array<uint8_t, kProgramSlots + 1> ProgramList{}; // entries 1..100; [0] unused
    int32_t ProgramCount = 0;
    CdTextInfo DiscText; // the titles the disc itself carries, read by NewDisc

    // Rebuilds the object for the disc now in the drive (count tracks, at most 99):
    // track table, the disc's own titles, first audio track, DiscId, FileName, then
    // Load(dpAll).
    void NewDisc(int32_t count);
    void ClearFileName() { FileName.clear(); }
    bool HasFile() const { return !FileName.isEmpty(); }

    int32_t SongStart(int track) const;
    int32_t SongLength(int track) const;
    // From the first audio track to the end of the disc; 0 without audio.
    int32_t AudioLength() const;
    // "(データ)" for a data track (or any track of a disc without audio).
    QString GetSongTitle(int track) const;
    void SetSongTitle(int track, const QString& title);
    int32_t GetLineCount(int track) const;
    void SetLineCount(int track, int32_t count);
    int16_t GetAdjust(int track) const;
    void SetAdjust(int track, int16_t adjust);
    int32_t GetCopyTrack(int track) const;
    void SetCopyTrack(int track, int32_t copyTrack);
    TWordsLine GetLine(int track, int index) const;
    void SetLine(int track, int index, const TWordsLine& line);

    // Reads the parts of the data file named by part (a DataPart), then ResolveCopies.
    // A damaged file shows the read error with Retry and Cancel; Cancel keeps what was
    // read. Returns false when the user cancelled.
    bool Load(int part);
    // Writes the parts named by part into the data file, replacing it whole or not at
    // all. Returns false when the user cancelled after a failure; true otherwise (also
    // when there is no file).
    //
    // The file is read again first, and of the titles and lyrics only what a caller
    // changed since the last read or write is written (Changes, and the disc title and
    // artist differing from the file's): what another program wrote meanwhile into the
    // rest stays. dpAll writes everything, and so does any save into a file that was
    // there and has gone (it is written whole again from memory).
    bool Save(int part);
    QString LastSaveError; // why the last failed Save failed
    // The last Save found the file changed by another program since this object read or
    // wrote it. What nobody changed here was then taken from the file into memory, unless
    // edits still wait to be saved; LastSaveConflicts names what was changed both here and
    // there (0 the disc title or artist, else track numbers): this object's change won.
    bool LastSaveMergedOutside = false;
    QList<int> LastSaveConflicts;
    // The last Save turned a code page 932 file into UTF-8: some text it wrote has no code
    // page 932 form.
    bool LastSaveMadeUtf8 = false;
    // Load and Save on a document in memory, without messages: LoadFrom stops at the
    // first value it cannot read (false) and does not ResolveCopies.
    bool LoadFrom(const IniDocument& doc, int part);
    void SaveInto(IniDocument& doc, int part);
    // Computes DiscId from the device's table of contents and looks up FileName.
    void MakeDiscId();
    // Ties the disc to a new data file of the given base name. True when registering
    // failed (refused name or cancelled save), false otherwise.
    bool Register(const QString& name);
    void FindFirstAudioTrack();
    // Copies borrowed lyrics into borrowing tracks; enables the program play types.
    void ResolveCopies();

    // What a setter changed of a track since the data file was last read or written (a
    // setter storing the value already there changes nothing).
    enum Change : uint8_t { ChangedTitle = 1, ChangedLines = 2, ChangedAdjust = 4, ChangedCopy = 8 };
    uint8_t Changes(int track) const;
    // The disc title and artist as the file had them at the last read or write.
    const QString& FileTitle() const { return fileTitle; }
    const QString& FileArtist() const { return fileArtist; }
    // Titles, lyrics, adjust values or copy links that are not in the file yet.
    bool HasUnsavedEdits() const;
    // Called whenever a setter changes something.
    std::function<void()> Edited;

    // Another program changed or replaced the data file since this object last read or
    // wrote it (a file that is gone does not count: a save writes it again).
    bool FileChangedOutside() const;
    // The same, once the change has stood still since the previous call, so that a file
    // still being written is not read half-way. Asked at every poll of the drive.
    bool OutsideChangeSettled();

private:
    // What of a track is known (read from the file or set by a caller). After a read
    // that the user cancelled, Save leaves the unread rest of the file as it is.
    static constexpr uint8_t kKnownTitle = 1;
    static constexpr uint8_t kKnownLines = 2;
    static constexpr uint8_t kKnownAll = 3;

    // What identifies one state of a file on the disk.
    using FileStamp = FileId;
    static FileStamp stampOf(const QString& path) { return FileIdOf(path); }

    static bool validTrack(int track);
    static bool validLine(int index);
    int firstListedTrack() const;
    void markChanged(int track, uint8_t what);
    void saveInto(IniDocument& doc, int part, bool whole);
    void saveTrackWhole(IniDocument& doc, int track);
    void saveTrackChanges(IniDocument& doc, int track);
    void writeOwnLines(IniDocument& doc, int track);
    void writeWordTimes(IniDocument& doc, int track);
    void putText(IniDocument& doc, const QString& section, const QString& key, const QString& value);
    // The file as read or written now: what later saves compare with.
    void noteFile(const IniDocument& doc, const FileStamp& stamp);
    QList<int> conflicts(const IniDocument& now, int part) const;

    CdDevice& device;
    CommandSet& commands;
    Settings& settings;
    std::array<uint8_t, kSongSlots + 1> known{};
    bool programKnown = true;
    bool playStateKnown = true;
    QSet<QString> refusedEntries; // registry entries already refused ("id=name"), told once
    QSet<QString> toldRefusals;   // data files told not to be written over ("path\nreason")
    bool textsNeedUtf8 = false;   // SaveInto wrote a text code page 932 cannot hold into a file that is not UTF-8
    std::array<uint8_t, kSongSlots + 1> changes{};
    QString fileTitle, fileArtist;
    // The file's state when this object last read or wrote it, and its content then.
    QString stampedPath;
    FileStamp fileStamp;
    std::optional<FileStamp> pendingStamp; // a change seen by OutsideChangeSettled
    std::unique_ptr<IniDocument> lastDoc;
    QString seenFile;    // a data file that existed when last read or written
    QString programTail; // program entries beyond the slots, kept as the file has them behind a full list
};
