#include "Words.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <sys/stat.h>

#include "common/Commands.h"
#include "common/Error.h"
#include "common/Etc.h"
#include "common/TextCodec.h"
#include "playback/CdDevice.h"
#include "settings/IniDocument.h"
#include "settings/IniFile.h"

namespace {

const QString kProduct = QStringLiteral("Mirelune");
const QString kInfo = QStringLiteral("Info");
const QString kTitle = QStringLiteral("Title");
const QString kEndMarker = QStringLiteral("***");
const QString kNoLine = QStringLiteral("0,0,***");

// Keys "01".."100" and "001".."128", made once: a full file looks them up thousands of times.
const QString& trackKey(int track)
{
    static const QStringList keys = [] {
        QStringList k;
        for (int i = 0; i <= kSongSlots; ++i) k.append(FormatZeroPad(i, 2));
        return k;
    }();
    return keys[track];
}

const QString& lineKey(int index)
{
    static const QStringList keys = [] {
        QStringList k;
        for (int i = 0; i <= kLineSlots; ++i) k.append(FormatZeroPad(i, 3));
        return k;
    }();
    return keys[index];
}

QString wordsSection(int track) { return QStringLiteral("Words") + trackKey(track); }

bool hasLyrics(int part) { return part == dpAll || part == dpLyrics; }
bool hasProgram(int part) { return part == dpAll || part == dpProgram; }
bool hasPlayState(int part) { return part == dpAll || part == dpPlayState; }

} // namespace

bool ParseLyricsLine(const QString& value, TWordsLine* line)
{
    const qsizetype c1 = value.indexOf(QLatin1Char(','));
    if (c1 < 0) return false;
    const qsizetype c2 = value.indexOf(QLatin1Char(','), c1 + 1);
    if (c2 < 0) return false;
    int32_t start = 0, end = 0;
    if (!ParseIniDecimal(QStringView(value).first(c1), &start)) return false;
    if (!ParseIniDecimal(QStringView(value).sliced(c1 + 1, c2 - c1 - 1), &end)) return false;
    line->StartTime = start;
    line->EndTime = end;
    line->Text = value.mid(c2 + 1);
    return true;
}

// With one allocation: a full file writes thousands of them.
QString LyricsLineValue(const TWordsLine& line)
{
    char buf[32];
    char* p = std::to_chars(buf, buf + 12, line.StartTime).ptr;
    *p++ = ',';
    p = std::to_chars(p, p + 12, line.EndTime).ptr;
    *p++ = ',';
    QString value;
    value.reserve((p - buf) + line.Text.size());
    value.append(QLatin1StringView(buf, p - buf));
    value.append(line.Text);
    return value;
}

TWords::TWords(CdDevice& d, CommandSet& c, Settings& s)
    : Songs(kSongSlots + 1), device(d), commands(c), settings(s)
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
    commands.TypeReptItem->setChecked(false);
    commands.TypeRept1Item->setChecked(false);
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

void TWords::SetLine(int track, int index, const TWordsLine& line)
{
    if (!validTrack(track) || !validLine(index)) return;
    known[track] |= kKnownLines;
    TWordsLine& slot = Songs[track].Lines[index];
    if (slot.Text == line.Text && slot.StartTime == line.StartTime && slot.EndTime == line.EndTime) return;
    slot = line;
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
    commands.TypeProgItem->setEnabled(program);
    commands.TypeProgRandItem->setEnabled(program);
    for (int t = firstListedTrack(); t <= SongCount; ++t) {
        const int n = Songs[t].CopyTrack;
        // A link outside the disc is no link.
        if (n <= 0 || n > SongCount || n == t) continue;
        Songs[t].Lines = Songs[n].Lines;
        Songs[t].LineCount = Songs[n].LineCount;
    }
}

bool TWords::Load(int part)
{
    if (FileName.isEmpty()) {
        Title.clear();
        Artist.clear();
        PlayTypeCode = 0;
        ProgramCount = 0;
        programTail.clear();
        known.fill(kKnownAll);
        programKnown = playStateKnown = true;
        changes.fill(0);
        fileTitle.clear();
        fileArtist.clear();
        stampedPath.clear();
        lastDoc.reset();
        ResolveCopies();
        return true;
    }
    bool read = false;
    for (;;) {
        // Stamped before the read: a change made while reading is seen as one later.
        const FileStamp stamp = stampOf(FileName);
        IniDocument doc;
        const bool ok = ReadIniFile(FileName, doc);
        const bool whole = ok && LoadFrom(doc, part);
        // What the titles and lyrics were read from is what later saves compare with.
        if (ok && hasLyrics(part)) noteFile(doc, stamp);
        if (whole) {
            read = true;
            break;
        }
        if (OpenErrorMessage(FileName) != IdRetry) break;
    }
    ResolveCopies();
    return read;
}

bool TWords::LoadFrom(const IniDocument& doc, int part)
{
    // Known again only as far as this read gets.
    if (hasProgram(part)) programKnown = false;
    if (hasPlayState(part)) playStateKnown = false;
    if (hasLyrics(part)) {
        known.fill(0);
        changes.fill(0);
        Title = doc.ReadString(kInfo, QStringLiteral("Title"), QString());
        Artist = doc.ReadString(kInfo, QStringLiteral("Artist"), QString());
        fileTitle = Title;
        fileArtist = Artist;
        for (int t = firstListedTrack(); t <= SongCount; ++t) {
            TWordsSong& song = Songs[t];
            const QString section = wordsSection(t);
            song.Title = doc.ReadString(kTitle, trackKey(t), QString());
            known[t] |= kKnownTitle;
            // Stored in 16 bits, two's complement, as the field is.
            song.Adjust = static_cast<int16_t>(doc.ReadInteger(section, QStringLiteral("Adjust"), 0));
            int32_t copy = doc.ReadInteger(section, QStringLiteral("CopyTrack"), 0);
            if (copy > SongCount) copy = 0; // a link beyond the disc is no link
            song.CopyTrack = copy;
            if (copy != 0) {
                known[t] |= kKnownLines;
                continue;
            }
            int k = 1;
            for (;; ++k) {
                TWordsLine& line = song.Lines[k];
                if (!ParseLyricsLine(doc.ReadString(section, lineKey(k), kNoLine), &line)) {
                    // The track's lines stay unknown: shown empty, and not written over.
                    song.LineCount = 0;
                    return false;
                }
                if (line.Text == kEndMarker) break;
                if (k == kMaxLines) {
                    // The last slot only ever holds the end marker; lines beyond 127
                    // stay in the file untouched.
                    ++k;
                    song.Lines[k] = TWordsLine{kEndMarker, 0, 0};
                    break;
                }
            }
            song.LineCount = k - 1;
            known[t] |= kKnownLines;
        }
    }
    if (hasProgram(part)) {
        const QString text = doc.ReadString(kInfo, QStringLiteral("Program"), QString());
        ProgramCount = 0;
        programTail.clear();
        qsizetype pos = 0;
        while (pos < text.size()) {
            if (ProgramCount == kProgramSlots) {
                // Entries beyond the slots are kept as they stand and written back.
                programTail = text.mid(pos);
                break;
            }
            qsizetype comma = text.indexOf(QLatin1Char(','), pos);
            if (comma < 0) comma = text.size();
            int32_t track = 0;
            if (!ParseIniDecimal(QStringView(text).sliced(pos, comma - pos), &track)) return false;
            ProgramList[++ProgramCount] = static_cast<uint8_t>(track);
            pos = comma + 1;
        }
        programKnown = true;
    }
    if (hasPlayState(part)) {
        playStateKnown = true;
        PlayTime = doc.ReadInteger(kInfo, QStringLiteral("PlayTime"), 0);
        PlayTypeCode = doc.ReadInteger(kInfo, QStringLiteral("PlayType"), 0);
        commands.TypeReptItem->setChecked(true);
        const int32_t repeat = PlayTypeCode & 0xF0;
        if (repeat == 0)
            commands.TypeReptItem->setChecked(false);
        else if (repeat == 32)
            commands.TypeRept1Item->setChecked(true);
    }
    return true;
}

bool TWords::Save(int part)
{
    LastSaveMadeUtf8 = false;
    LastSaveMergedOutside = false;
    LastSaveConflicts.clear();
    if (FileName.isEmpty()) return true;
    for (;;) {
        const FileStamp before = stampOf(FileName);
        IniDocument doc;
        // A file that cannot be read (whole) is never written over.
        if (!ReadIniFileForSave(FileName, doc)) {
            LastSaveError = UnsavableFileReason(FileName);
            if (SaveErrorMessage(FileName, LastSaveError) != IdRetry) return false;
            continue;
        }
        // A file that was there and is gone was deleted while the disc was in: it is
        // written whole again, program and play state included.
        const bool whole = part == dpAll || (!before.exists && !seenFile.isEmpty() && seenFile == FileName);
        const bool outside = !whole && stampedPath == FileName && before != fileStamp;
        const QList<int> both = outside ? conflicts(doc, part) : QList<int>();
        saveInto(doc, whole ? dpAll : part, whole);
        if (!WriteIniFile(FileName, doc, &LastSaveError)) {
            if (SaveErrorMessage(FileName, LastSaveError) != IdRetry) return false;
            continue;
        }
        LastSaveMadeUtf8 = textsNeedUtf8;
        const int written = whole ? dpAll : part;
        if (hasLyrics(written)) changes.fill(0);
        if (hasLyrics(written) || written == dpInfo) {
            fileTitle = Title;
            fileArtist = Artist;
        }
        if (outside) {
            LastSaveMergedOutside = true;
            LastSaveConflicts = both;
            // What another program wrote into the rest is shown from now on; edits still
            // waiting for their own save keep memory as it is.
            if (!HasUnsavedEdits()) {
                LoadFrom(doc, dpLyrics);
                noteFile(doc, stampOf(FileName));
            } else {
                fileStamp = stampOf(FileName);
            }
        } else {
            noteFile(doc, stampOf(FileName));
        }
        break;
    }
    if (part != dpPlayState || LastSaveMergedOutside) ResolveCopies();
    return true;
}

void TWords::SaveInto(IniDocument& doc, int part) { saveInto(doc, part, part == dpAll); }

void TWords::putText(IniDocument& doc, const QString& section, const QString& key, const QString& value)
{
    // A text code page 932 cannot hold turns the whole file into UTF-8; whoever saved it
    // may want to know.
    if (!textsNeedUtf8 && !doc.IsUtf8() && !Cp932::CanEncode(value)) textsNeedUtf8 = true;
    doc.WriteString(section, key, value);
}

void TWords::saveInto(IniDocument& doc, int part, bool whole)
{
    textsNeedUtf8 = false;
    doc.WriteString(kProduct, QStringLiteral("Version"), kVersionStamp);
    if (part == dpAll || part == dpLyrics || part == dpInfo) {
        // Unchanged, the file's text stays; a key the file lacks is written as a new file
        // has it when memory holds its empty default.
        const auto info = [&](const QString& key, const QString& value, const QString& inFile) {
            if (whole || value != inFile || (value.isEmpty() && !doc.Value(kInfo, key))) putText(doc, kInfo, key, value);
        };
        info(QStringLiteral("Title"), Title, fileTitle);
        info(QStringLiteral("Artist"), Artist, fileArtist);
    }
    if (hasLyrics(part)) {
        for (int t = firstListedTrack(); t <= SongCount; ++t) {
            if (whole)
                saveTrackWhole(doc, t);
            else
                saveTrackChanges(doc, t);
        }
    }
    // A program or play state that a cancelled read never reached stays as the file has
    // it; the program editor's own save writes the program it shows all the same.
    if (part == dpProgram || (part == dpAll && programKnown)) {
        QString program;
        const int count = std::clamp(ProgramCount, 0, kProgramSlots);
        for (int i = 1; i <= count; ++i) {
            if (i > 1) program += QLatin1Char(',');
            program += QString::number(ProgramList[i]);
        }
        // The entries beyond the slots follow only a full list: after a shorter program
        // (the editor deleted entries) they would come back as its entries.
        if (count == kProgramSlots && !programTail.isEmpty()) program += QLatin1Char(',') + programTail;
        doc.WriteString(kInfo, QStringLiteral("Program"), program);
    }
    if (part != dpProgram && playStateKnown) {
        doc.WriteInteger(kInfo, QStringLiteral("PlayTime"), PlayTime);
        int32_t code = 0;
        if (commands.TypeRandItem->isChecked()) code += 1;
        if (commands.TypeProgItem->isChecked()) code += 2;
        if (commands.TypeProgRandItem->isChecked()) code += 3;
        if (commands.TypeReptItem->isChecked()) code += 16;
        if (commands.TypeRept1Item->isChecked()) code += 32;
        PlayTypeCode = code;
        doc.WriteInteger(kInfo, QStringLiteral("PlayType"), code);
    }
}

// Everything of the track that is known, as the file format has it.
void TWords::saveTrackWhole(IniDocument& doc, int t)
{
    const TWordsSong& song = Songs[t];
    const QString section = wordsSection(t);
    if (known[t] & kKnownTitle) putText(doc, kTitle, trackKey(t), song.Title);
    if (!(known[t] & kKnownLines)) return;
    if (song.CopyTrack > 0) {
        if (doc.ReadString(section, QStringLiteral("001"), kEndMarker) != kEndMarker) doc.EraseSection(section);
        doc.WriteInteger(section, QStringLiteral("Adjust"), song.Adjust);
        doc.WriteInteger(section, QStringLiteral("CopyTrack"), song.CopyTrack);
        return;
    }
    // An odd link read from the file: the track is left as the file has it.
    if (song.CopyTrack < 0 && song.LineCount == 0) return;
    if (song.LineCount != 0) {
        doc.DeleteKey(section, QStringLiteral("CopyTrack"));
        doc.WriteInteger(section, QStringLiteral("Adjust"), song.Adjust);
    } else if (!(changes[t] & ChangedLines) || !doc.HasSection(section)) {
        return; // nothing to write and nothing to remove
    } else {
        // The user removed all lines: the old lines must not come back on the next
        // load. (A track that merely has none is left as the file has it.)
        doc.DeleteKey(section, QStringLiteral("CopyTrack"));
    }
    writeOwnLines(doc, t);
}

// Only what a caller changed; the rest of the track stays as the file has it now.
void TWords::saveTrackChanges(IniDocument& doc, int t)
{
    const TWordsSong& song = Songs[t];
    const QString section = wordsSection(t);
    const uint8_t c = changes[t];
    const QString title = trackKey(t);
    if (c & ChangedTitle)
        putText(doc, kTitle, title, song.Title);
    else if ((known[t] & kKnownTitle) && song.Title.isEmpty() && !doc.Value(kTitle, title))
        doc.WriteString(kTitle, title, QString()); // every track has its entry, as a new file gets it
    if (!(c & (ChangedLines | ChangedAdjust | ChangedCopy))) return;
    const QString adjustKey = QStringLiteral("Adjust");
    // The adjust value written with lines or a link: the caller's, else the file's (its
    // default when the file has none).
    const QString adjust = (c & ChangedAdjust) ? QString::number(song.Adjust)
                                               : doc.Value(section, adjustKey).value_or(QStringLiteral("0"));
    if (song.CopyTrack > 0) {
        if (c & ChangedCopy) {
            if (doc.ReadString(section, QStringLiteral("001"), kEndMarker) != kEndMarker) doc.EraseSection(section);
            doc.WriteString(section, adjustKey, adjust);
            doc.WriteInteger(section, QStringLiteral("CopyTrack"), song.CopyTrack);
        } else if (c & ChangedAdjust) {
            doc.WriteString(section, adjustKey, adjust);
        }
        return;
    }
    if (c & (ChangedLines | ChangedCopy)) {
        // An odd link read from the file with no lines: left as the file has it.
        if (song.CopyTrack < 0 && song.LineCount == 0) return;
        if (song.LineCount == 0 && !doc.HasSection(section)) return; // nothing to write or remove
        doc.DeleteKey(section, QStringLiteral("CopyTrack"));
        // The user removed all lines: the old lines must not come back on the next load.
        if (song.LineCount != 0) doc.WriteString(section, adjustKey, adjust);
        writeOwnLines(doc, t);
    } else if (song.LineCount != 0 || doc.HasSection(section)) {
        doc.WriteString(section, adjustKey, adjust);
    }
}

void TWords::writeOwnLines(IniDocument& doc, int t)
{
    const TWordsSong& song = Songs[t];
    const QString section = wordsSection(t);
    const int count = std::clamp(song.LineCount, 0, kMaxLines);
    for (int k = 1; k <= kMaxLines; ++k) {
        const QString key = lineKey(k);
        if (k <= count) {
            // A line that reads as it stands in the file keeps its form there.
            const TWordsLine& line = song.Lines[k];
            TWordsLine old;
            const std::optional<QString> value = doc.Value(section, key);
            if (value && ParseLyricsLine(*value, &old) && old.StartTime == line.StartTime && old.EndTime == line.EndTime &&
                old.Text == line.Text)
                continue;
            putText(doc, section, key, LyricsLineValue(line));
        } else {
            if (doc.ReadString(section, key, kEndMarker) == kEndMarker) break;
            doc.DeleteKey(section, key);
        }
    }
}

void TWords::noteFile(const IniDocument& doc, const FileStamp& stamp)
{
    stampedPath = FileName;
    fileStamp = stamp;
    pendingStamp.reset();
    if (stamp.exists) seenFile = FileName;
    lastDoc = std::make_unique<IniDocument>(doc);
}

QList<int> TWords::conflicts(const IniDocument& now, int part) const
{
    QList<int> both;
    if (!lastDoc) return both;
    const IniDocument& then = *lastDoc;
    const auto differs = [&](const QString& section, const QString& key) {
        return then.Value(section, key) != now.Value(section, key);
    };
    if ((part == dpLyrics || part == dpInfo) &&
        ((Title != fileTitle && differs(kInfo, QStringLiteral("Title"))) ||
         (Artist != fileArtist && differs(kInfo, QStringLiteral("Artist")))))
        both.append(0);
    if (!hasLyrics(part)) return both;
    for (int t = firstListedTrack(); t <= SongCount; ++t) {
        const uint8_t c = changes[t];
        if (c == 0) continue;
        bool changedThere = (c & ChangedTitle) && differs(kTitle, trackKey(t));
        if (!changedThere && (c & ~ChangedTitle)) changedThere = then.Entries(wordsSection(t)) != now.Entries(wordsSection(t));
        if (changedThere) both.append(t);
    }
    return both;
}

TWords::FileStamp TWords::stampOf(const QString& path)
{
    FileStamp s;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return s;
    s.exists = true;
    s.size = st.st_size;
    s.inode = static_cast<int64_t>(st.st_ino);
    s.device = static_cast<int64_t>(st.st_dev);
    s.modified = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changed = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

bool TWords::FileChangedOutside() const
{
    if (FileName.isEmpty() || stampedPath != FileName) return false;
    const FileStamp now = stampOf(FileName);
    return now.exists && now != fileStamp;
}

bool TWords::OutsideChangeSettled()
{
    if (!FileChangedOutside()) {
        pendingStamp.reset();
        return false;
    }
    const FileStamp now = stampOf(FileName);
    if (pendingStamp && *pendingStamp == now) return true;
    pendingStamp = now;
    return false;
}

QString DiscIdFromToc(const std::vector<uint32_t>& positions, const std::vector<uint32_t>& lengths)
{
    uint32_t h = (positions.empty() ? 0u : positions[0]) << 14;
    const size_t n = std::min<size_t>({positions.size(), lengths.size(), 30});
    for (size_t i = 0; i < n; ++i) {
        const uint32_t l = lengths[i];
        const uint32_t p = positions[i];
        const uint32_t b = static_cast<uint32_t>(i + 1);
        h = (l + 960404u) * h * p + b * 970227u + (l >> 8);
    }
    return QStringLiteral("%1").arg(h, 8, 16, QLatin1Char('0')).toUpper();
}

void TWords::MakeDiscId()
{
    DiscId = DiscIdOf(device);
    const QString name = LookupWordsFile(settings, DiscId);
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

QString DiscIdOf(CdDevice& device)
{
    device.SetTimeFormat(TimeFormatTmsf);
    std::vector<uint32_t> positions, lengths;
    positions.push_back(static_cast<uint32_t>(device.TrackPosition(1)));
    const int n = std::min(device.TrackCount(), 30);
    for (int b = 1; b <= n; ++b) {
        const uint32_t l = static_cast<uint32_t>(device.TrackLength(b));
        const uint32_t p = static_cast<uint32_t>(device.TrackPosition(b));
        lengths.push_back(l);
        if (b == 1)
            positions[0] = p; // asked twice, as the old device was; the answers agree
        else
            positions.push_back(p);
    }
    device.SetTimeFormat(TimeFormatMilliseconds);
    return DiscIdFromToc(positions, lengths);
}

bool TWords::Register(const QString& name)
{
    if (AudioState == 0) return false;
    if (!IsValidDataFileName(name)) {
        InvalidFileNameMessage(name);
        return true;
    }
    Title = name;
    FileName = DataFilePath(settings, name);
    if (!Save(dpInfo)) return true;
    // Without the registry entry the disc is not registered either.
    return !SaveWordsFileEntry(settings, DiscId, name);
}

namespace {
const QStringView kForbidden = u"\\/:*?\"<>|";
// The first character of name the file name cannot hold; a null character when none.
QChar ForbiddenIn(const QString& name)
{
    for (QChar c : name)
        if (kForbidden.contains(c)) return c;
    return QChar();
}
} // namespace

NameFault DataFileNameFault(const QString& name)
{
    if (name.isEmpty()) return NameFault::Empty;
    if (name == QLatin1String("..")) return NameFault::ParentFolder;
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return NameFault::ControlChar;
    if (!ForbiddenIn(name).isNull()) return NameFault::Forbidden;
    if (name.front() == QLatin1Char(' ') || name.back() == QLatin1Char(' ')) return NameFault::BlankAtEnd;
    if (name.back() == QLatin1Char('.')) return NameFault::TrailingDot;
    if (name.toUtf8().size() + 4 > 255) return NameFault::TooLong;
    if (!Cp932::CanEncode(name)) return NameFault::NotCp932;
    return NameFault::None;
}

bool IsValidDataFileName(const QString& name) { return DataFileNameFault(name) == NameFault::None; }

bool IsSafeRegisteredName(const QString& name)
{
    for (QChar c : name)
        if (c == QLatin1Char('/') || c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    return true;
}

void UnsafeRegistryEntryMessage(const QString& discId, const QString& name)
{
    ErrorMessage(QStringLiteral("ディスク %1 の登録にある歌詞ファイル名 '%2' は歌詞ファイルのフォルダの外を指すため使えません。"
                                "このディスクは未登録として扱います。設定ファイルの登録はそのまま残ります。")
                     .arg(discId, name),
                 QStringLiteral("登録エラー"));
}

void InvalidFileNameMessage(const QString& name)
{
    QString why;
    switch (DataFileNameFault(name)) {
    case NameFault::None: return;
    case NameFault::Empty: why = QStringLiteral("歌詞ファイルの名前が空です。"); break;
    case NameFault::ParentFolder:
        why = QStringLiteral("「..」は一つ上のフォルダを指すため、歌詞ファイルの名前に使えません。");
        break;
    case NameFault::ControlChar: why = QStringLiteral("歌詞ファイルの名前に制御文字 (タブや改行など) は使えません。"); break;
    case NameFault::Forbidden:
        why = QStringLiteral("歌詞ファイルの名前に「%1」は使えません。\\ / : * ? \" < > | は、"
                             "フォルダの区切りかほかのシステムで使えない文字です。")
                  .arg(ForbiddenIn(name));
        break;
    case NameFault::BlankAtEnd:
        why = QStringLiteral("歌詞ファイルの名前の先頭と末尾に空白は使えません。"
                             "設定ファイルに登録するときに消えて、名前がファイルと合わなくなります。");
        break;
    case NameFault::TrailingDot:
        why = QStringLiteral("歌詞ファイルの名前の末尾に「.」は使えません。"
                             "Windows では消えて、名前がファイルと合わなくなります。");
        break;
    case NameFault::TooLong:
        why = QStringLiteral("歌詞ファイルの名前が長すぎます。拡張子「.dat」を含めて 255 バイト (UTF-8) までですが、"
                             "この名前では %1 バイトになります。")
                  .arg(name.toUtf8().size() + 4);
        break;
    case NameFault::NotCp932:
        why = QStringLiteral("'%1' にはコードページ932 (Shift-JIS) で表せない文字があるため、歌詞ファイルの名前に使えません。"
                             "登録の名前は設定ファイルに保存され、設定ファイルはコードページ932のまま保たれます。")
                  .arg(name);
        break;
    }
    ErrorMessage(why + QStringLiteral("別のファイル名を入力してください。"), QStringLiteral("登録エラー"));
}
