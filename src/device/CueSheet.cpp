#include "CueSheet.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include <algorithm>

#include "core/common/Error.h"
#include "core/common/TextCodec.h"

namespace {

// Longer than this is no disc: positions stay far inside 32-bit milliseconds.
constexpr int64_t kMaxDiscFrames = int64_t{24} * 3600 * kFramesPerSecond;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Keywords, types and modes are ASCII, written in any letter case; upper is upper case.
bool Is(QByteArrayView word, QByteArrayView upper)
{
    if (word.size() != upper.size()) return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != upper[i]) return false;
    }
    return true;
}

// One line of the sheet, read word by word.
class Words {
public:
    explicit Words(QByteArrayView line) : p(line.data()), end(line.data() + line.size())
    {
        while (end > p && IsBlank(end[-1])) --end;
    }
    // The next blank-separated word; empty at the end of the line.
    QByteArrayView Next()
    {
        skipBlanks();
        const char* from = p;
        while (p < end && !IsBlank(*p)) ++p;
        return {from, p - from};
    }
    // Display text (a title, a name): the rest of the line, without the quotes around it.
    // Read leniently, since nothing the disc plays depends on it: an apostrophe that
    // starts a word ('Round Midnight) is no quote, and an unclosed quote is kept as written.
    QByteArrayView Text()
    {
        skipBlanks();
        QByteArrayView rest(p, end - p);
        p = end;
        if (rest.size() < 2) return rest;
        if (rest.front() == '"') {
            const qsizetype close = rest.indexOf('"', 1);
            return close > 0 ? rest.sliced(1, close - 1) : rest;
        }
        if (rest.front() == '\'' && rest.back() == '\'') return rest.sliced(1, rest.size() - 2);
        return rest;
    }
    // An argument quoted with " or ' (which may hold blanks), or unquoted the rest of the
    // line. False when a quote is not closed.
    bool Argument(QByteArrayView* arg, bool* quoted)
    {
        skipBlanks();
        *quoted = p < end && (*p == '"' || *p == '\'');
        if (*quoted) {
            const char* close = std::find(p + 1, end, *p);
            if (close == end) return false;
            *arg = QByteArrayView(p + 1, close - p - 1);
            p = close + 1;
            return true;
        }
        *arg = QByteArrayView(p, end - p);
        p = end;
        return true;
    }

private:
    void skipBlanks()
    {
        while (p < end && IsBlank(*p)) ++p;
    }
    const char* p;
    const char* end;
};

// A count written in decimal digits, saturating far above any value that is read.
bool ParseNumber(QByteArrayView word, int64_t* value)
{
    if (word.isEmpty()) return false;
    int64_t v = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
        v = std::min<int64_t>(v * 10 + (c - '0'), int64_t{1} << 40);
    }
    *value = v;
    return true;
}

// mm:ss:ff in frames; minutes may exceed 99, seconds are below 60 and frames below 75.
bool ParseTime(QByteArrayView word, int64_t* frames)
{
    const qsizetype first = word.indexOf(':');
    const qsizetype second = first < 0 ? -1 : word.indexOf(':', first + 1);
    if (second < 0) return false;
    const QByteArrayView ss = word.sliced(first + 1, second - first - 1), ff = word.sliced(second + 1);
    int64_t m = 0, s = 0, f = 0;
    if (!ParseNumber(word.first(first), &m) || ss.size() > 2 || ff.size() > 2 || !ParseNumber(ss, &s) ||
        !ParseNumber(ff, &f) || s >= 60 || f >= kFramesPerSecond)
        return false;
    *frames = (m * 60 + s) * kFramesPerSecond + f;
    return true;
}

// A FILE line's type; a line without one is known by the file's extension, as players
// read such sheets: raw sectors for an image, decoded audio for anything else (a
// decoder refuses what is not audio, where raw reading would play noise).
CueSheet::FileKind KindOf(QByteArrayView type, QByteArrayView name)
{
    if (type.isEmpty()) {
        const qsizetype dot = name.lastIndexOf('.');
        const QByteArrayView extension = dot < 0 ? QByteArrayView() : name.sliced(dot + 1);
        if (extension.isEmpty() || extension.contains('/') || extension.contains('\\') || Is(extension, "BIN") ||
            Is(extension, "IMG") || Is(extension, "RAW") || Is(extension, "ISO"))
            return CueSheet::FileKind::Raw;
        return CueSheet::FileKind::Audio;
    }
    if (Is(type, "BINARY")) return CueSheet::FileKind::Raw;
    if (Is(type, "MOTOROLA")) return CueSheet::FileKind::RawBigEndian;
    return CueSheet::FileKind::Audio; // WAVE, FLAC, AIFF, MP3
}

// Bytes per frame of a track mode; 0 for a mode no disc has.
int SectorBytes(QByteArrayView mode)
{
    static constexpr std::pair<const char*, int> kModes[] = {
        {"AUDIO", kSectorBytes}, {"MODE1/2048", 2048}, {"MODE1/2352", 2352}, {"MODE2/2048", 2048}, {"MODE2/2324", 2324},
        {"MODE2/2332", 2332},    {"MODE2/2336", 2336}, {"MODE2/2352", 2352}, {"CDI/2336", 2336},   {"CDI/2352", 2352}};
    for (const auto& [name, bytes] : kModes)
        if (Is(mode, name)) return bytes;
    return 0;
}

// Reads the sheet line by line in one pass. A track's INDEX 01 decides its file: an
// INDEX 00 given before a new FILE line lies at the end of the file before.
class CueReader {
public:
    CueReader(CueSheet* sheet, QString* error, ForeignEncoding encoding)
        : sheet(sheet), error(error), encoding(encoding)
    {
    }

    bool Read(QByteArrayView text)
    {
        const char* p = text.data();
        const char* const end = p + text.size();
        while (p < end) {
            const char* lineEnd = p;
            while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r') ++lineEnd;
            ++lineNumber;
            line = QByteArrayView(p, lineEnd - p);
            if (!readLine()) return false;
            p = lineEnd;
            if (p < end) p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1; // CR LF, LF or CR
        }
        if (inTrack && !endTrack()) return false;
        if (sheet->tracks.empty())
            return fail(Reason("キューシートにトラックがありません。", "the cue sheet names no track"));
        return true;
    }

private:
    QString decode(QByteArrayView bytes) const { return DecodeAs(encoding, bytes); }
    bool fail(const QString& why)
    {
        *error = why;
        return false;
    }
    // A refusal that points at the line, shown as the sheet has it.
    bool failLine(const char* japanese, const char* english)
    {
        QString shown = decode(line).trimmed();
        if (shown.size() > 60) shown = shown.left(60) + QStringLiteral("…");
        return fail(Reason(japanese, english).arg(QString::number(lineNumber), shown));
    }
    bool unclosedQuote()
    {
        return failLine("%1 行目「%2」の引用符が閉じていません。", "line %1 (%2): a quotation mark is not closed");
    }
    bool badTime()
    {
        return failLine("%1 行目「%2」の時間が 分:秒:フレーム (秒は 60 未満、フレームは 75 未満) として読めません。",
                        "line %1 (%2): the time is not minutes:seconds:frames (seconds below 60, frames below 75)");
    }
    bool outsideTrack()
    {
        return failLine("%1 行目「%2」がトラックの外にあります。", "line %1 (%2) is outside any track");
    }
    int trackNumber() const { return static_cast<int>(sheet->tracks.size()) + 1; }
    bool outOfRange()
    {
        return fail(Reason("トラック %1 の時間が範囲外です。", "track %1 has a time out of range").arg(trackNumber()));
    }

    bool readLine()
    {
        Words words(line);
        const QByteArrayView keyword = words.Next();
        if (full) {
            if (Is(keyword, "TRACK")) ++sheet->cutTracks;
            return true;
        }
        if (Is(keyword, "FILE")) return readFile(words);
        if (Is(keyword, "TRACK")) return readTrack(words);
        if (Is(keyword, "INDEX")) return readIndex(words);
        if (Is(keyword, "PREGAP") || Is(keyword, "POSTGAP")) {
            if (!inTrack) return outsideTrack();
            int64_t frames = 0;
            if (!ParseTime(words.Next(), &frames)) return badTime();
            if (frames > kMaxDiscFrames) return outOfRange();
            (Is(keyword, "PREGAP") ? track.pregap : track.postgap) = static_cast<int32_t>(frames);
            return true;
        }
        const bool title = Is(keyword, "TITLE");
        if (title || Is(keyword, "PERFORMER")) {
            QString& field = inTrack ? (title ? track.title : track.performer)
                                     : (title ? sheet->title : sheet->performer);
            field = decode(words.Text());
        }
        return true; // REM, CATALOG, ISRC, FLAGS, SONGWRITER and the like tell nothing the disc needs
    }

    bool readFile(Words& words)
    {
        QByteArrayView name, type;
        bool quoted = false;
        if (!words.Argument(&name, &quoted)) return unclosedQuote();
        if (quoted) {
            type = words.Next();
        } else {
            // Unquoted, the name may hold blanks: the last word is the type.
            qsizetype blank = name.size();
            while (blank > 0 && !IsBlank(name[blank - 1])) --blank;
            if (blank > 0) {
                type = name.sliced(blank);
                name.truncate(blank);
                while (!name.isEmpty() && IsBlank(name.back())) name.chop(1);
            }
        }
        if (name.isEmpty()) return failLine("%1 行目「%2」にファイル名がありません。", "line %1 (%2) names no file");
        file = name;
        fileKind = KindOf(type, name);
        ++fileLine;
        return true;
    }

    bool readTrack(Words& words)
    {
        if (inTrack && !endTrack()) return false;
        if (static_cast<int>(sheet->tracks.size()) == kMaxTracks) {
            full = true; // a CD holds no more: the rest is cut, and counted
            ++sheet->cutTracks;
            return true;
        }
        if (fileLine == 0)
            return fail(
                Reason("トラック %1 にファイルの指定がありません。", "track %1 names no file").arg(trackNumber()));
        int64_t number = 0;
        if (!ParseNumber(words.Next(), &number) || number < 1 || number > kMaxTracks)
            return failLine("%1 行目「%2」のトラック番号が 1 から 99 の数として読めません。",
                            "line %1 (%2): the track number is not a number from 1 to 99");
        const QByteArrayView mode = words.Next();
        track = {};
        track.sectorBytes = SectorBytes(mode);
        if (track.sectorBytes == 0)
            return failLine("%1 行目「%2」のトラックの種類が読めません。", "line %1 (%2): the track mode is not known");
        track.audio = Is(mode, "AUDIO");
        inTrack = true;
        lastIndex = -1;
        index0 = -1;
        return true;
    }

    bool readIndex(Words& words)
    {
        if (!inTrack) return outsideTrack();
        int64_t number = 0, frames = 0;
        if (!ParseNumber(words.Next(), &number) || number > 99)
            return failLine("%1 行目「%2」のインデックス番号が 0 から 99 の数として読めません。",
                            "line %1 (%2): the index number is not a number from 0 to 99");
        if (!ParseTime(words.Next(), &frames)) return badTime();
        if (frames > kMaxDiscFrames) return outOfRange();
        // Numbers rise, INDEX 01 before any later one, and in one file the times rise too.
        if (number <= lastIndex || (number > 1 && lastIndex < 1))
            return failLine("%1 行目「%2」のインデックスが番号の順に並んでいません。",
                            "line %1 (%2): the index is out of order");
        if (lastIndex >= 0 && lastIndexFile == fileLine && frames < lastIndexFrames)
            return failLine("%1 行目「%2」のインデックスが前のインデックスより前にあります。",
                            "line %1 (%2): the index lies before the index in front of it");
        lastIndex = static_cast<int>(number);
        lastIndexFrames = frames;
        lastIndexFile = fileLine;
        if (number == 0) {
            index0 = static_cast<int32_t>(frames);
            index0File = fileLine;
            index0FileIndex = fileIndex();
        }
        if (number != 1) return true;
        track.index1 = static_cast<int32_t>(frames);
        track.gapStart = index0 >= 0 && index0File == fileLine ? index0 : -1;
        if (index0 >= 0 && index0File != fileLine) {
            track.gapFile = index0FileIndex;
            track.gapFileStart = index0;
        }
        track.file = fileIndex();
        return true;
    }

    // The current file's index in the sheet's files; a file named again after others
    // keeps its index (the layout refuses it).
    int fileIndex()
    {
        for (size_t k = names.size(); k-- > 0;)
            if (names[k] == file) return static_cast<int>(k);
        names.push_back(file);
        sheet->files.push_back({decode(file), fileKind});
        return static_cast<int>(sheet->files.size()) - 1;
    }

    bool endTrack()
    {
        inTrack = false;
        if (lastIndex < 1)
            return fail(
                Reason("トラック %1 に INDEX 01 がありません。", "track %1 has no INDEX 01").arg(trackNumber()));
        sheet->tracks.push_back(track);
        return true;
    }

    CueSheet* sheet;
    QString* error;
    ForeignEncoding encoding;
    QByteArrayView line;
    int lineNumber = 0;
    bool full = false;   // 99 tracks read
    QByteArrayView file; // the current FILE line's name, as written
    CueSheet::FileKind fileKind = CueSheet::FileKind::Raw;
    int fileLine = 0; // FILE lines so far: which file an INDEX lies in
    std::vector<QByteArrayView> names;
    bool inTrack = false;
    CueSheet::Track track;
    int lastIndex = -1;
    int64_t lastIndexFrames = 0;
    int lastIndexFile = 0;
    int32_t index0 = -1;
    int index0File = 0;
    int index0FileIndex = -1;
};

// A position in a file as a cue sheet writes it: minutes, seconds and frames.
QString CueTime(int64_t frames)
{
    return QStringLiteral("%1:%2:%3")
        .arg(frames / (60 * kFramesPerSecond), 2, 10, QLatin1Char('0'))
        .arg(frames / kFramesPerSecond % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % kFramesPerSecond, 2, 10, QLatin1Char('0'));
}

} // namespace

QString CueTracks(int first, int last)
{
    if (first == last) return Reason("トラック %1", "track %1").arg(first);
    return Reason("トラック %1〜%2", "tracks %1 to %2").arg(first).arg(last);
}

bool ParseCueSheet(const QByteArray& input, CueSheet* sheet, QString* error)
{
    *sheet = {};
    QByteArrayView text(input);
    // UTF-16 with its byte-order mark, as some Windows rippers write it, is read as the
    // same text in UTF-8.
    QByteArray fromUtf16;
    const bool le = text.startsWith("\xFF\xFE"), be = text.startsWith("\xFE\xFF");
    if (le || be) {
        QStringDecoder decoder(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        fromUtf16 = QString(decoder.decode(text.sliced(2))).toUtf8();
        text = fromUtf16;
    }
    if (text.startsWith("\xEF\xBB\xBF")) text = text.sliced(3);
    // Nothing after a NUL is text.
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0) text.truncate(nul);
    CueReader reader(sheet, error, GuessForeignEncoding(text));
    if (reader.Read(text)) return true;
    *sheet = {};
    return false;
}

bool LayOutCueSheet(const CueSheet& sheet, const std::vector<int64_t>& fileSizes, CueLayout* layout, QString* error)
{
    *layout = {};
    auto fail = [&](const QString& why) {
        *error = why;
        *layout = {};
        return false;
    };
    if (fileSizes.size() != sheet.files.size())
        return fail(Reason("ファイルの大きさがわかりません。", "the sizes of its files are not known"));

    int64_t frame = kLeadInFrames; // where the next stretch goes on the disc
    int file = -1;                 // the file being laid out
    int64_t pos = 0;               // its next frame
    int64_t offset = 0;            // and where that frame begins in it
    int frameBytes = kSectorBytes;
    bool tooLong = false;
    std::vector<bool> used(sheet.files.size(), false);

    auto audioFile = [&] { return sheet.files[file].kind == CueSheet::FileKind::Audio; };
    // Frames of the file from pos on, whole frames only.
    auto fileEnd = [&]() -> int64_t {
        const int64_t rest = std::max<int64_t>(0, fileSizes[file] - offset);
        return pos + (audioFile() ? rest / kSectorSamples : rest / frameBytes);
    };
    auto place = [&](int64_t n, int from) {
        if (n <= 0) return;
        if (frame + n > kMaxDiscFrames) {
            tooLong = true;
            return;
        }
        const bool fromFile = from >= 0;
        layout->extents.push_back({static_cast<int32_t>(frame), static_cast<int32_t>(n), from, fromFile ? offset : 0,
                                   fromFile ? (audioFile() ? kSectorBytes : frameBytes) : 0});
        frame += n;
        if (!fromFile) return;
        offset += n * (audioFile() ? kSectorSamples : frameBytes);
        pos += n;
    };
    auto takeFile = [&](int64_t upTo) { place(upTo - pos, file); };
    auto silence = [&](int64_t n) { place(n, -1); };

    // A track at or past the end of its file is not on the disc: a file cut short, or a
    // sheet made for another file. It and the file's later tracks are what is missing.
    auto pastEnd = [&](size_t i) {
        size_t last = i;
        while (last + 1 < sheet.tracks.size() && sheet.tracks[last + 1].file == file) ++last;
        return fail(Reason("%1 は %2 で終わっていて、%3 (%4 から) がありません。",
                           "%1 ends at %2, before %3 of the sheet (from %4), which cannot be played")
                        .arg(sheet.files[file].name, CueTime(fileEnd()),
                             CueTracks(static_cast<int>(i) + 1, static_cast<int>(last) + 1),
                             CueTime(sheet.tracks[i].index1)));
    };
    const CueSheet::Track* previous = nullptr;
    bool tailOpen = false; // the end of the previous track is not laid out yet
    auto closeTail = [&] {
        if (!tailOpen) return;
        takeFile(fileEnd());
        silence(previous->postgap);
        tailOpen = false;
    };
    for (size_t i = 0; i < sheet.tracks.size() && !tooLong; ++i) {
        const CueSheet::Track& t = sheet.tracks[i];
        const int number = static_cast<int>(i) + 1;
        const QString backwards = Reason("トラック %1 が前のトラックより前から始まっています。",
                                         "track %1 starts before the track in front of it")
                                      .arg(number);
        if (t.file < 0 || t.file >= static_cast<int>(sheet.files.size()))
            return fail(Reason("トラック %1 にファイルの指定がありません。", "track %1 names no file").arg(number));
        if (t.gapFile >= 0 && t.gapFile != file && t.gapFile != t.file) {
            // The gap has a file of its own: from where INDEX 00 lies in it to its end.
            closeTail();
            if (used[t.gapFile])
                return fail(Reason("ファイル %1 が別のファイルの後でもう一度指定されています。",
                                   "the file %1 is named again after other files")
                                .arg(sheet.files[t.gapFile].name));
            used[t.gapFile] = true;
            file = t.gapFile;
            frameBytes = t.sectorBytes;
            pos = 0;
            offset = 0;
            if (t.gapFileStart >= fileEnd())
                return fail(Reason("%1 は %2 で終わっていて、%3 (%4 から) がありません。",
                                   "%1 ends at %2, before %3 of the sheet (from %4), which cannot be played")
                                .arg(sheet.files[file].name, CueTime(fileEnd()), CueTracks(number, number),
                                     CueTime(t.gapFileStart)));
            pos = t.gapFileStart;
            offset = int64_t{t.gapFileStart} * (audioFile() ? kSectorSamples : frameBytes);
            takeFile(fileEnd());
        }
        if (t.file != file) {
            closeTail();
            if (used[t.file])
                return fail(Reason("ファイル %1 が別のファイルの後でもう一度指定されています。",
                                   "the file %1 is named again after other files")
                                .arg(sheet.files[t.file].name));
            used[t.file] = true;
            file = t.file;
            pos = 0;
            offset = 0;
        } else {
            // The track before ends where this one's gap (or this one) begins.
            const int32_t start = t.gapStart >= 0 ? t.gapStart : t.index1;
            if (start < pos || t.index1 < pos) return fail(backwards);
            if (t.index1 >= fileEnd()) return pastEnd(i);
            takeFile(start);
            silence(previous->postgap);
            tailOpen = false;
        }
        frameBytes = t.sectorBytes;
        if (t.index1 < pos) return fail(backwards);
        if (t.index1 >= fileEnd()) return pastEnd(i);
        takeFile(t.index1);
        silence(t.pregap);
        if (tooLong) break;
        if (!layout->toc.tracks.empty() && layout->toc.tracks.back().startFrame == frame)
            return fail(Reason("トラック %1 が前のトラックと同じ位置から始まっています。",
                               "track %1 starts where the track in front of it starts")
                            .arg(number));
        layout->toc.tracks.push_back({static_cast<int32_t>(frame), t.audio});
        previous = &t;
        tailOpen = true;
    }
    closeTail();
    if (tooLong) return fail(Reason("ディスクが24時間を超えています。", "the disc is longer than 24 hours"));
    if (layout->toc.tracks.empty())
        return fail(Reason("ファイルにトラックが一つも含まれていません。", "its files hold none of its tracks"));
    layout->toc.leadOutFrame = static_cast<int32_t>(frame);
    return true;
}
