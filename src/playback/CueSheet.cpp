#include "playback/CueSheet.h"

#include <QStringDecoder>
#include <dlfcn.h>
#include <libcue.h>

#include <algorithm>
#include <mutex>

#include "common/Error.h"
#include "common/TextCodec.h"

namespace {

// Longer than this is no disc: positions stay far inside 32-bit milliseconds.
constexpr int64_t kMaxDiscFrames = int64_t{24} * 3600 * kFramesPerSecond;

// libcdio exports a cdtext_get of its own, and whichever library the program happens to
// bind first would answer; ask libcue's own.
using CdtextGetFn = const char* (*)(enum Pti, const Cdtext*);
CdtextGetFn CueCdtextGet()
{
    static const CdtextGetFn fn = []() -> CdtextGetFn {
        Dl_info info{};
        void* parse = dlsym(RTLD_DEFAULT, "cue_parse_string");
        if (!parse || !dladdr(parse, &info) || !info.dli_fname) return nullptr;
        void* lib = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
        if (!lib) return nullptr;
        auto f = reinterpret_cast<CdtextGetFn>(dlsym(lib, "cdtext_get"));
        dlclose(lib); // the library stays loaded: the program links it
        return f;
    }();
    return fn;
}

bool IsUtf8(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return !utf8.hasError();
}

int SectorBytes(TrackMode mode)
{
    switch (mode) {
    case MODE_MODE1:
    case MODE_MODE2_FORM1: return 2048;
    case MODE_MODE2: return 2336;
    case MODE_MODE2_FORM2: return 2324;
    case MODE_MODE2_FORM_MIX: return 2332;
    default: return kSectorBytes;
    }
}

struct FileLine {
    QByteArray name;
    QByteArray type;
};

// The FILE lines as libcue tokenises them. libcue keeps the name but drops the type,
// and the type tells little-endian from big-endian raw data.
std::vector<FileLine> ScanFileLines(const QByteArray& text)
{
    std::vector<FileLine> lines;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (!line.startsWith("FILE") || line.size() < 5 || !std::isspace(static_cast<unsigned char>(line[4])))
            continue;
        line = line.mid(5).trimmed();
        FileLine f;
        if (line.startsWith('"') || line.startsWith('\'')) {
            const qsizetype end = line.indexOf(line[0], 1);
            if (end < 0) continue;
            f.name = line.mid(1, end - 1);
            line = line.mid(end + 1);
        } else {
            const qsizetype end = line.indexOf(' ');
            f.name = line.left(end);
            line = end < 0 ? QByteArray() : line.mid(end);
        }
        f.type = line.trimmed().toUpper();
        lines.push_back(f);
    }
    return lines;
}

void UpperCaseAscii(char* from, char* to)
{
    for (char* c = from; c < to; ++c)
        if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
}

// Some tools write the keywords in lower or mixed case, which libcue does not read. Each
// line's keyword goes to it upper-cased, and so do a FILE line's type, a TRACK line's
// mode and the FLAGS; names and titles stay as written.
QByteArray UpperCaseKeywords(QByteArray text)
{
    static const QByteArrayList keywords{"ARRANGER", "CATALOG", "CDTEXTFILE", "COMPOSER", "DISC_ID", "FILE",
                                         "FLAGS", "GENRE", "INDEX", "ISRC", "MESSAGE", "PERFORMER", "POSTGAP",
                                         "PREGAP", "REM", "SIZE_INFO", "SONGWRITER", "TITLE", "TOC_INFO1",
                                         "TOC_INFO2", "TRACK", "UPC_EAN"};
    auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    char* const end = text.data() + text.size();
    for (char* line = text.data(); line < end;) {
        char* const lineEnd = std::find(line, end, '\n');
        char* word = line;
        while (word < lineEnd && isSpace(*word)) ++word;
        char* wordEnd = word;
        while (wordEnd < lineEnd && (std::isalnum(static_cast<unsigned char>(*wordEnd)) || *wordEnd == '_')) ++wordEnd;
        const QByteArray keyword = QByteArray(word, wordEnd - word).toUpper();
        if (wordEnd > word && (wordEnd == lineEnd || isSpace(*wordEnd)) && keywords.contains(keyword)) {
            UpperCaseAscii(word, wordEnd);
            if (keyword == "TRACK" || keyword == "FLAGS") {
                UpperCaseAscii(wordEnd, lineEnd);
            } else if (keyword == "FILE") {
                // The type follows the name, which may be quoted and hold blanks.
                char* name = wordEnd;
                while (name < lineEnd && isSpace(*name)) ++name;
                char* nameEnd = name;
                if (name < lineEnd && (*name == '"' || *name == '\'')) {
                    nameEnd = std::find(name + 1, lineEnd, *name);
                    if (nameEnd < lineEnd) ++nameEnd;
                } else {
                    while (nameEnd < lineEnd && !isSpace(*nameEnd)) ++nameEnd;
                }
                UpperCaseAscii(nameEnd, lineEnd);
            }
        }
        line = lineEnd + 1;
    }
    return text;
}

CueSheet::FileKind KindOf(const QByteArray& type)
{
    if (type.isEmpty() || type == "BINARY") return CueSheet::FileKind::Raw;
    if (type == "MOTOROLA") return CueSheet::FileKind::RawBigEndian;
    return CueSheet::FileKind::Audio; // WAVE, FLAC, AIFF, MP3
}

} // namespace

bool ParseCueSheet(const QByteArray& input, CueSheet* sheet, QString* error)
{
    *sheet = {};
    QByteArray text = input.startsWith("\xEF\xBB\xBF") ? input.mid(3) : input;
    const bool utf8 = IsUtf8(text);
    auto decode = [utf8](const char* s) {
        if (!s) return QString();
        return utf8 ? QString::fromUtf8(s) : Cp932::Decode(QByteArray(s));
    };
    // libcue reads up to a NUL and needs the last line ended.
    text.truncate(text.indexOf('\0') < 0 ? text.size() : text.indexOf('\0'));
    text += '\n';
    text = UpperCaseKeywords(text);
    const std::vector<FileLine> fileLines = ScanFileLines(text);

    // libcue's parser keeps its state in globals.
    static std::mutex parserLock;
    std::lock_guard<std::mutex> hold(parserLock);
    Cd* cd = cue_parse_string(text.constData());
    if (!cd) {
        *error = Reason("キューシートとして読めません。", "it is not a cue sheet that can be read");
        return false;
    }
    const CdtextGetFn cdtextGet = CueCdtextGet();
    auto cdtext = [&](Cdtext* ct, Pti pti) { return ct && cdtextGet ? decode(cdtextGet(pti, ct)) : QString(); };
    sheet->title = cdtext(cd_get_cdtext(cd), PTI_TITLE);
    sheet->performer = cdtext(cd_get_cdtext(cd), PTI_PERFORMER);

    bool ok = true;
    const int count = std::min(cd_get_ntrack(cd), kMaxTracks);
    QByteArray lastFile;
    std::vector<QByteArray> fileNames;
    int fileIndex = -1;
    for (int i = 1; i <= count && ok; ++i) {
        Track* t = cd_get_track(cd, i);
        const char* file = t ? track_get_filename(t) : nullptr;
        if (!file) {
            *error = Reason("トラック %1 にファイルの指定がありません。", "track %1 names no file").arg(i);
            ok = false;
            break;
        }
        if (sheet->files.empty() || lastFile != file) {
            lastFile = file;
            // A file named again after others keeps its index; the layout refuses it.
            fileIndex = -1;
            for (size_t k = 0; k < fileNames.size() && fileIndex < 0; ++k)
                if (fileNames[k] == lastFile) fileIndex = static_cast<int>(k);
            if (fileIndex < 0) {
                CueSheet::File f;
                f.name = decode(file);
                for (const FileLine& line : fileLines) {
                    if (line.name == lastFile) {
                        f.kind = KindOf(line.type);
                        break;
                    }
                }
                fileIndex = static_cast<int>(sheet->files.size());
                sheet->files.push_back(f);
                fileNames.push_back(lastFile);
            }
        }
        CueSheet::Track track;
        track.file = fileIndex;
        track.audio = track_get_mode(t) == MODE_AUDIO;
        track.sectorBytes = SectorBytes(track_get_mode(t));
        const long index0 = track_get_index(t, 0);
        const long index1 = track_get_index(t, 1);
        const long pre = track_get_zero_pre(t);
        const long post = track_get_zero_post(t);
        for (long v : {index0, index1, pre, post}) {
            if (v < -1 || v > kMaxDiscFrames) {
                *error = Reason("トラック %1 の時間が範囲外です。", "track %1 has a time out of range").arg(i);
                ok = false;
            }
        }
        if (index1 < 0) {
            *error = Reason("トラック %1 に INDEX 01 がありません。", "track %1 has no INDEX 01").arg(i);
            ok = false;
        }
        if (!ok) break;
        track.index1 = static_cast<int32_t>(index1);
        // libcue reports an INDEX 00 gap as the pregap, except when INDEX 01 starts its
        // file; then the gap lies in the file before and the pregap is a PREGAP line.
        // An INDEX 00 past INDEX 01 lies in the file before as well.
        const bool gapInFile = index0 >= 0 && index0 <= index1;
        track.gapStart = gapInFile ? static_cast<int32_t>(index0) : -1;
        track.pregap = (index0 >= 0 && index1 != 0) ? 0 : static_cast<int32_t>(std::max(pre, 0L));
        track.postgap = static_cast<int32_t>(std::max(post, 0L));
        track.title = cdtext(track_get_cdtext(t), PTI_TITLE);
        track.performer = cdtext(track_get_cdtext(t), PTI_PERFORMER);
        sheet->tracks.push_back(track);
    }
    cd_delete(cd);
    if (ok && sheet->tracks.empty()) {
        *error = Reason("キューシートにトラックがありません。", "the cue sheet names no track");
        ok = false;
    }
    return ok;
}

bool LayOutCueSheet(const CueSheet& sheet, const std::vector<int64_t>& fileSizes, CueLayout* layout,
                    QString* error)
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
        layout->extents.push_back({static_cast<int32_t>(frame), static_cast<int32_t>(n), from,
                                   fromFile ? offset : 0, fromFile ? (audioFile() ? kSectorBytes : frameBytes) : 0});
        frame += n;
        if (!fromFile) return;
        offset += n * (audioFile() ? kSectorSamples : frameBytes);
        pos += n;
    };
    auto takeFile = [&](int64_t upTo) { place(upTo - pos, file); };
    auto silence = [&](int64_t n) { place(n, -1); };

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
            if (t.index1 >= fileEnd()) break; // past the end: the disc ends before it
            takeFile(start);
            silence(previous->postgap);
            tailOpen = false;
        }
        frameBytes = t.sectorBytes;
        if (t.index1 < pos) return fail(backwards);
        if (t.index1 >= fileEnd()) break;
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
