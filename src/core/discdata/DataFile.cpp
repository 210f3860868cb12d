// The data file: how the disc data object reads and writes its file, and how it notices
// another program changing it.
#include "DataFile.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <sys/stat.h>

#include "Words.h"
#include "core/common/Commands.h"
#include "core/common/Error.h"
#include "core/common/Etc.h"
#include "core/common/TextCodec.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"

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
QString wordTimesSection(int track) { return QStringLiteral("WordTimes") + trackKey(track); }

// Characters as the user counts them: a pair of UTF-16 surrogates is one.
int32_t charsIn(QStringView text)
{
    int32_t n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!text[i].isLowSurrogate() || i == 0 || !text[i - 1].isHighSurrogate()) ++n;
    return n;
}

// The index of the character after count characters from at; -1 past the end.
qsizetype skipChars(QStringView text, qsizetype at, int32_t count)
{
    while (count > 0) {
        if (at >= text.size()) return -1;
        at += (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) ? 2 : 1;
        --count;
    }
    return at;
}

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
    // Times beyond any disc (up to the limit of 32 bits, by hand or by a broken tool) are
    // held far away once here, so that no reckoning with them wraps round.
    line->StartTime = std::clamp(start, -kMaxLineTime, kMaxLineTime);
    line->EndTime = std::clamp(end, -kMaxLineTime, kMaxLineTime);
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

bool ParseWordTimes(const QString& value, TWordsLine* line)
{
    std::vector<WordMark> words;
    qsizetype at = 0;
    for (QStringView item : QStringView(value).split(QLatin1Char(','))) {
        const qsizetype plus = item.indexOf(QLatin1Char('+'));
        int32_t time = 0, length = 0;
        if (plus < 0 || !ParseIniDecimal(item.first(plus), &time) || !ParseIniDecimal(item.sliced(plus + 1), &length) ||
            length < 0)
            return false;
        words.push_back(WordMark{time, static_cast<int32_t>(at)});
        at = skipChars(line->Text, at, length);
        if (at < 0) return false;
    }
    if (at != line->Text.size()) return false;
    TWordsLine fitted = *line;
    fitted.Words = std::move(words);
    if (!WordsFit(fitted)) return false;
    line->Words = std::move(fitted.Words);
    return true;
}

QString WordTimesValue(const TWordsLine& line)
{
    QString value;
    const QStringView text(line.Text);
    for (size_t i = 0; i < line.Words.size(); ++i) {
        const qsizetype from = line.Words[i].At;
        const qsizetype to = i + 1 < line.Words.size() ? line.Words[i + 1].At : text.size();
        if (i > 0) value += QLatin1Char(',');
        value += QString::number(line.Words[i].Time) + QLatin1Char('+') +
                 QString::number(charsIn(text.sliced(from, to - from)));
    }
    return value;
}

QString DataFileTrouble(const IniDocument& doc)
{
    if (QString damage = doc.DamageReason(); !damage.isEmpty()) return damage;
    if (doc.StrayLines() > 0)
        return Reason("歌詞ファイルではない行があるため、上書きしません",
                      "it is no Mirelune data file (it has text outside any section), so it is not written over");
    return QString();
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
        IniDocument doc;
        const IniFileState state = ReadIniDocument(FileName, doc);
        const QString trouble = state.read ? DataFileTrouble(doc) : state.trouble;
        const bool whole = state.read && LoadFrom(doc, part);
        // What the titles and lyrics were read from is what later saves compare with.
        if (state.read && hasLyrics(part)) noteFile(doc, state.id);
        if (whole && trouble.isEmpty()) {
            read = true;
            break;
        }
        // A file that cannot be read whole is never written over (Save refuses it), and the
        // user is told so once, with the file and why.
        if (!trouble.isEmpty()) {
            const QString told = FileName + QLatin1Char('\n') + trouble;
            if (toldRefusals.contains(told)) break;
            toldRefusals.insert(told);
            if (OpenErrorMessage(FileName, trouble) != IdRetry) break;
            toldRefusals.remove(told);
            continue;
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
            const QString timesSection = wordTimesSection(t);
            const bool hasTimes = doc.HasSection(timesSection);
            int k = 1;
            for (;; ++k) {
                TWordsLine& line = song.Lines[k];
                line.Words.clear();
                if (!ParseLyricsLine(doc.ReadString(section, lineKey(k), kNoLine), &line)) {
                    // The track's lines stay unknown: shown empty, and not written over.
                    song.LineCount = 0;
                    return false;
                }
                if (line.Text == kEndMarker) break;
                // Word times that do not fit the line as it reads are left in the file.
                if (hasTimes)
                    if (const std::optional<QString> times = doc.Value(timesSection, lineKey(k)))
                        ParseWordTimes(*times, &line);
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
        // The type is the controller's to choose (it builds the list); the repeat is set here.
        commands.State.SetRepeat(PlayState::RepeatOfCode(PlayTypeCode));
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
        bool whole = false, outside = false;
        QList<int> both;
        IniDocument saved;
        FileStamp written;
        bool refused = true; // the file was not taken as a data file to write over
        // Read, changed and written as one step: another writer (mirelune-tool) waits, and
        // one that does not lock is caught before the rename and its content read again.
        const bool ok = UpdateIniFile(
            FileName, IniComments::Drop,
            [&](IniDocument& doc, const IniFileState& state, QString* why) {
                // A file that cannot be read (whole) is never written over.
                if (QString trouble = DataFileTrouble(doc); !trouble.isEmpty()) {
                    *why = trouble;
                    return false;
                }
                refused = false;
                const FileStamp& before = state.id;
                // A file that was there and is gone was deleted while the disc was in: it
                // is written whole again, program and play state included.
                whole = part == dpAll || (!before.exists && !seenFile.isEmpty() && seenFile == FileName);
                outside = !whole && stampedPath == FileName && before != fileStamp;
                both = outside ? conflicts(doc, part) : QList<int>();
                saveInto(doc, whole ? dpAll : part, whole);
                saved = doc;
                return true;
            },
            &LastSaveError, &written);
        if (!ok) {
            // The play state saved as a disc goes is not worth a second word about a file
            // the user was already told is not written over.
            const QString told = FileName + QLatin1Char('\n') + LastSaveError;
            if (part == dpPlayState && toldRefusals.contains(told)) return false;
            if (refused) toldRefusals.insert(told);
            if (SaveErrorMessage(FileName, LastSaveError) != IdRetry) return false;
            toldRefusals.remove(told);
            continue;
        }
        LastSaveMadeUtf8 = textsNeedUtf8;
        const int done = whole ? dpAll : part;
        if (hasLyrics(done)) changes.fill(0);
        if (hasLyrics(done) || done == dpInfo) {
            fileTitle = Title;
            fileArtist = Artist;
        }
        if (outside) {
            LastSaveMergedOutside = true;
            LastSaveConflicts = both;
            // What another program wrote into the rest is shown from now on; edits still
            // waiting for their own save keep memory as it is.
            if (!HasUnsavedEdits()) {
                LoadFrom(saved, dpLyrics);
                noteFile(saved, written);
            } else {
                fileStamp = written;
            }
        } else {
            noteFile(saved, written);
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
    if (!textsNeedUtf8 && !doc.IsUnicode() && !Cp932::CanEncode(value)) textsNeedUtf8 = true;
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
            if (whole || value != inFile || (value.isEmpty() && !doc.Value(kInfo, key)))
                putText(doc, kInfo, key, value);
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
        const int32_t code = commands.State.Code();
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
        doc.EraseSection(wordTimesSection(t));
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
            doc.EraseSection(wordTimesSection(t));
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
            if (value && ParseLyricsLine(*value, &old) && old.StartTime == line.StartTime &&
                old.EndTime == line.EndTime && old.Text == line.Text)
                continue;
            putText(doc, section, key, LyricsLineValue(line));
        } else {
            if (doc.ReadString(section, key, kEndMarker) == kEndMarker) break;
            doc.DeleteKey(section, key);
        }
    }
    writeWordTimes(doc, t);
}

// Only a track with word times has their section: a file without any stays as it was.
void TWords::writeWordTimes(IniDocument& doc, int t)
{
    const TWordsSong& song = Songs[t];
    const QString section = wordTimesSection(t);
    const int count = std::clamp(song.LineCount, 0, kMaxLines);
    const bool any = std::any_of(song.Lines.begin() + 1, song.Lines.begin() + 1 + count,
                                 [](const TWordsLine& line) { return !line.Words.empty(); });
    if (!any) {
        doc.EraseSection(section);
        return;
    }
    for (int k = 1; k <= kLineSlots; ++k) {
        const QString key = lineKey(k);
        if (k <= count && !song.Lines[k].Words.empty()) {
            const QString value = WordTimesValue(song.Lines[k]);
            if (doc.Value(section, key) != value) doc.WriteString(section, key, value);
        } else if (doc.Value(section, key)) {
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
    if ((part == dpLyrics || part == dpInfo) && ((Title != fileTitle && differs(kInfo, QStringLiteral("Title"))) ||
                                                 (Artist != fileArtist && differs(kInfo, QStringLiteral("Artist")))))
        both.append(0);
    if (!hasLyrics(part)) return both;
    for (int t = firstListedTrack(); t <= SongCount; ++t) {
        const uint8_t c = changes[t];
        if (c == 0) continue;
        bool changedThere = (c & ChangedTitle) && differs(kTitle, trackKey(t));
        if (!changedThere && (c & ~ChangedTitle))
            changedThere = then.Entries(wordsSection(t)) != now.Entries(wordsSection(t)) ||
                           then.Entries(wordTimesSection(t)) != now.Entries(wordTimesSection(t));
        if (changedThere) both.append(t);
    }
    return both;
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
