#include "CueSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/common/Error.h"

namespace {

constexpr qint64 kMaxSheetBytes = 1 << 20;

bool ReadSheet(const QString& path, QByteArray* text)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    // As much as the file holds: asking for the most a sheet may have would allocate it
    // all for every sheet read.
    const qint64 size = f.size();
    *text = f.read(size > 0 && size < kMaxSheetBytes ? size : kMaxSheetBytes);
    return f.error() == QFileDevice::NoError;
}

// The entry of dir whose name equals name in any letter case, or whose base name does
// with one of the given extensions.
QString MatchEntry(const QDir& dir, const QString& name, const QStringList& otherSuffixes)
{
    const QString base = QFileInfo(name).completeBaseName();
    QString other;
    for (const QString& entry : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
        const QFileInfo e(entry);
        if (other.isEmpty() && !otherSuffixes.isEmpty() &&
            e.completeBaseName().compare(base, Qt::CaseInsensitive) == 0 &&
            otherSuffixes.contains(e.suffix().toLower()))
            other = entry;
    }
    return other;
}

// What plays, said after every refusal of an audio file.
QString Playable()
{
    return Reason("再生できるのは、CD と同じ 44.1 kHz 16 ビット ステレオの FLAC, WAV, AIFF の音声と BIN イメージです。",
                  "only FLAC, WAV and AIFF audio of 44.1 kHz 16-bit stereo, as on a CD, and BIN images can be played");
}

// A file's format in the words of the program, not of the decoding library.
QString FormatName(int format)
{
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64: return QStringLiteral("WAV");
    case SF_FORMAT_AIFF: return QStringLiteral("AIFF");
    case SF_FORMAT_FLAC: return QStringLiteral("FLAC");
    case SF_FORMAT_OGG:
        return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? QStringLiteral("Opus") : QStringLiteral("Ogg Vorbis");
    case SF_FORMAT_MPEG: return QStringLiteral("MP3");
    case SF_FORMAT_CAF: return QStringLiteral("CAF");
    default: return Reason("その他の形式", "another format");
    }
}

QString SampleName(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return Reason("8 ビット", "8-bit");
    case SF_FORMAT_PCM_16: return Reason("16 ビット", "16-bit");
    case SF_FORMAT_PCM_24: return Reason("24 ビット", "24-bit");
    case SF_FORMAT_PCM_32: return Reason("32 ビット", "32-bit");
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE: return Reason("浮動小数点", "floating point");
    default: return Reason("圧縮", "compressed");
    }
}

// Formats rippers use that the decoding library does not read, by the file's extension.
QString UnreadableFormat(const QString& path)
{
    static const std::pair<const char*, const char*> kKnown[] = {{"ape", "Monkey's Audio (APE)"},
                                                                 {"wv", "WavPack"},
                                                                 {"m4a", "AAC / ALAC (M4A)"},
                                                                 {"aac", "AAC"},
                                                                 {"wma", "WMA"},
                                                                 {"tak", "TAK"},
                                                                 {"tta", "TTA"},
                                                                 {"mp3", "MP3"},
                                                                 {"opus", "Opus"},
                                                                 {"ogg", "Ogg"},
                                                                 {"shn", "Shorten"}};
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const auto& [extension, name] : kKnown)
        if (suffix == QLatin1String(extension)) return QString::fromLatin1(name);
    return {};
}

// The whole CD frames of an audio file that decode, counted from its start, out of the
// frames it holds. A file cut short (a failed download or copy) keeps the length its
// header promises; its end does not decode. The last frame is tried first, and only when
// it fails is the end searched for, the file opened afresh for each try: a failed seek
// leaves the decoder stuck.
int64_t DecodableFrames(const QString& path, int64_t frames)
{
    const QByteArray name = QFile::encodeName(path);
    std::vector<short> samples(static_cast<size_t>(kSectorSamples) * 2);
    const auto decodes = [&](int64_t frame) {
        SF_INFO info{};
        SNDFILE* snd = sf_open(name.constData(), SFM_READ, &info);
        if (!snd) return false;
        const sf_count_t at = frame * kSectorSamples;
        const bool ok = sf_seek(snd, at, SEEK_SET) == at &&
                        sf_readf_short(snd, samples.data(), kSectorSamples) == kSectorSamples &&
                        sf_error(snd) == SF_ERR_NO_ERROR;
        sf_close(snd);
        return ok;
    };
    if (frames <= 0 || decodes(frames - 1)) return frames;
    int64_t good = 0, bad = frames - 1; // frames before good decode; frame bad does not
    while (good < bad) {
        const int64_t mid = good + (bad - good) / 2;
        if (decodes(mid))
            good = mid + 1;
        else
            bad = mid;
    }
    return good;
}

QString Duration(int64_t frames)
{
    const int64_t seconds = frames / kFramesPerSecond;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// Why a sheet cannot play when one of its audio files does not decode to its end: the
// file, how much of it there is, and the tracks that lack their sound. Empty when every
// file decodes.
QString CutShort(const CueSheet& sheet, const QStringList& paths, const std::vector<int64_t>& sizes)
{
    for (size_t f = 0; f < sheet.files.size(); ++f) {
        if (sheet.files[f].kind != CueSheet::FileKind::Audio) continue;
        const int64_t frames = sizes[f] / kSectorSamples;
        const int64_t decodable = DecodableFrames(paths[static_cast<qsizetype>(f)], frames);
        if (decodable == frames) continue;
        // The first track of the file that ends past what decodes, and the file's last.
        int first = 0, last = 0;
        for (size_t i = 0; i < sheet.tracks.size(); ++i) {
            // A file that holds only a track's gap (the audio hidden before track 1) lacks
            // that track's start.
            const bool gapOnly = sheet.tracks[i].gapFile == static_cast<int>(f) &&
                                 sheet.tracks[i].file != static_cast<int>(f);
            if (sheet.tracks[i].file != static_cast<int>(f) && !gapOnly) continue;
            const bool next = !gapOnly && i + 1 < sheet.tracks.size() &&
                              sheet.tracks[i + 1].file == static_cast<int>(f);
            const CueSheet::Track* after = next ? &sheet.tracks[i + 1] : nullptr;
            const int64_t end = after ? (after->gapStart >= 0 ? after->gapStart : after->index1) : frames;
            if (first == 0 && end > decodable) first = static_cast<int>(i) + 1;
            last = static_cast<int>(i) + 1;
        }
        if (last == 0) continue; // none of it is on the disc
        return Reason("%1 は途中で切れているか壊れています (%2 のうち %3 までしか読めません)。%4 が再生できません。",
                      "%1 is cut short or damaged: only %3 of its %2 can be decoded, so %4 cannot be played")
            .arg(paths[static_cast<qsizetype>(f)], Duration(frames), Duration(decodable), CueTracks(first, last));
    }
    return {};
}

} // namespace

QString CueSource::FindFile(const QString& sheetFolder, const QString& written, bool audio)
{
    QString name = QDir::fromNativeSeparators(QString(written).replace(QLatin1Char('\\'), QLatin1Char('/')));
    // A Windows path ("C:/Music/x.wav") means the file beside the sheet.
    if (name.size() >= 2 && name[1] == QLatin1Char(':')) name = QFileInfo(name).fileName();
    const QDir folder(sheetFolder);
    const QString exact = QDir::cleanPath(folder.absoluteFilePath(name));
    if (QFileInfo(exact).isFile()) return exact;
    if (QDir::isAbsolutePath(name)) name = QFileInfo(name).fileName();

    // Each part of the name in any letter case.
    QDir dir = folder;
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        const bool last = i == parts.size() - 1;
        if (parts[i] == QLatin1String(".")) continue;
        if (parts[i] == QLatin1String("..")) {
            if (!dir.cdUp()) return {};
            continue;
        }
        static const QStringList audioSuffixes{QStringLiteral("flac"), QStringLiteral("wav"), QStringLiteral("wave"),
                                               QStringLiteral("aif"), QStringLiteral("aiff")};
        // Sheets often still name the WAV a rip was made from after it was compressed.
        const QString entry = MatchEntry(dir, parts[i], last && audio ? audioSuffixes : QStringList());
        if (entry.isEmpty()) return {};
        if (last) {
            const QString path = dir.absoluteFilePath(entry);
            return QFileInfo(path).isFile() ? path : QString();
        }
        if (!dir.cd(entry)) return {};
    }
    return {};
}

QStringList CueSource::DataFiles(const QString& cuePath)
{
    QByteArray text;
    CueSheet sheet;
    QString error;
    QStringList files;
    if (!ReadSheet(cuePath, &text) || !ParseCueSheet(text, &sheet, &error)) return files;
    const QString folder = QFileInfo(cuePath).absolutePath();
    for (const CueSheet::File& f : sheet.files) {
        const QString found = FindFile(folder, f.name, f.kind == CueSheet::FileKind::Audio);
        files << (found.isEmpty() ? QDir::cleanPath(QDir(folder).absoluteFilePath(f.name)) : found);
    }
    return files;
}

namespace {
// True when the FLAC file has a CUESHEET metadata block.
bool HasEmbeddedCueSheet(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.read(4) != "fLaC") return false;
    for (int blocks = 0; blocks < 128; ++blocks) {
        const QByteArray header = f.read(4);
        if (header.size() != 4) return false;
        const auto type = static_cast<unsigned char>(header[0]);
        if ((type & 0x7F) == 5) return true;
        if (type & 0x80) return false; // the last block
        const qint64 length = (qint64(static_cast<unsigned char>(header[1])) << 16) |
                              (static_cast<unsigned char>(header[2]) << 8) | static_cast<unsigned char>(header[3]);
        if (!f.seek(f.pos() + length)) return false;
    }
    return false;
}
} // namespace

QString CueSource::AudioFileAdvice(const QString& path)
{
    const QFileInfo file(path);
    SF_INFO info{};
    SNDFILE* snd = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (snd) sf_close(snd);
    if (!snd && UnreadableFormat(path).isEmpty()) return {};
    // A sheet beside it that names it.
    const QDir folder = file.absoluteDir();
    const QString self = file.canonicalFilePath();
    for (const QString& entry : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (!entry.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive)) continue;
        const QString cue = folder.absoluteFilePath(entry);
        for (const QString& named : DataFiles(cue))
            if (QFileInfo(named).canonicalFilePath() == self)
                return Reason("%1 は音声ファイルです。ディスクとして再生するには、これを指すキューシート %2 "
                              "を開いてください。",
                              "%1 is an audio file; to play it as a disc, open the cue sheet %2 that names it")
                    .arg(path, cue);
    }
    const QString cue = folder.absoluteFilePath(file.completeBaseName() + QStringLiteral(".cue"));
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC && HasEmbeddedCueSheet(path))
        return Reason(
                   "%1 "
                   "は音声ファイルで、キューシートが埋め込まれています。ディスクとして再生するには、それを書き出して "
                   "(metaflac --export-cuesheet-to=%2 %1) %2 を開いてください。",
                   "%1 is an audio file with a cue sheet inside; to play it as a disc, write the sheet out "
                   "(metaflac --export-cuesheet-to=%2 %1) and open %2")
            .arg(path, cue);
    return Reason("%1 は音声ファイルです。ディスクとして再生するには、トラックを記したキューシート (.cue) "
                  "を開いてください。%2",
                  "%1 is an audio file; to play it as a disc, open a cue sheet (.cue) that lays out its tracks; %2")
        .arg(path, Playable());
}

int CueSource::CutTracks(const QString& cuePath)
{
    QByteArray text;
    CueSheet sheet;
    QString error;
    return ReadSheet(cuePath, &text) && ParseCueSheet(text, &sheet, &error) ? sheet.cutTracks : 0;
}

std::unique_ptr<CueSource> CueSource::Open(const QString& cuePath, QString* error)
{
    auto refuse = [&](const QString& why) -> std::unique_ptr<CueSource> {
        if (error) *error = QStringLiteral("%1: %2").arg(cuePath, why);
        return nullptr;
    };
    QByteArray text;
    if (!QFileInfo(cuePath).isFile()) return refuse(Reason("ディスクイメージがありません。", "no such disc image"));
    if (!ReadSheet(cuePath, &text)) return refuse(Reason("読み込めません。", "cannot be read"));
    std::unique_ptr<CueSource> s(new CueSource);
    QString why;
    if (!ParseCueSheet(text, &s->sheet, &why)) return refuse(why);

    const QString folder = QFileInfo(cuePath).absolutePath();
    std::vector<int64_t> sizes;
    for (CueSheet::File& f : s->sheet.files) {
        const bool audio = f.kind == CueSheet::FileKind::Audio;
        const QString path = FindFile(folder, f.name, audio);
        if (path.isEmpty())
            return refuse(Reason("データファイル %1 がありません。", "its data file %1 is missing").arg(f.name));
        s->paths << path;
        if (!audio) {
            sizes.push_back(QFileInfo(path).size());
            continue;
        }
        SF_INFO info{};
        SNDFILE* snd = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        if (!snd) {
            if (const QString format = UnreadableFormat(path); !format.isEmpty())
                return refuse(
                    Reason("%1 は %2 の音声で、再生できません。%3", "%1 is %2 audio, which cannot be played; %3")
                        .arg(path, format, Playable()));
            return refuse(
                Reason("%1 は音声として読めません。%2", "%1 cannot be read as audio; %2").arg(path, Playable()));
        }
        sf_close(snd);
        const int major = info.format & SF_FORMAT_TYPEMASK, subtype = info.format & SF_FORMAT_SUBMASK;
        const bool lossless = major == SF_FORMAT_FLAC || major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX ||
                              major == SF_FORMAT_RF64 || major == SF_FORMAT_AIFF;
        if (!lossless || info.samplerate != kSampleRate || info.channels != 2 || subtype != SF_FORMAT_PCM_16) {
            return refuse(
                Reason("%1 は %2 (%3, %4 Hz, %5 チャンネル) です。%6", "%1 is %2 (%3, %4 Hz, %5 channel(s)); %6")
                    .arg(path, FormatName(info.format), SampleName(info.format))
                    .arg(info.samplerate)
                    .arg(info.channels)
                    .arg(Playable()));
        }
        if (info.frames <= 0 || info.frames == SF_COUNT_MAX)
            return refuse(Reason("%1 の長さがわかりません。", "%1 does not tell its length").arg(path));
        sizes.push_back(info.frames);
    }
    if (!LayOutCueSheet(s->sheet, sizes, &s->layout, &why)) return refuse(why);
    if (const QString cut = CutShort(s->sheet, s->paths, sizes); !cut.isEmpty()) return refuse(cut);

    // The sheet's TITLE and PERFORMER lines stand for the disc's CD-Text.
    s->text.discTitle = s->sheet.title;
    s->text.discPerformer = s->sheet.performer;
    bool any = false;
    for (size_t i = 0; i < s->layout.toc.tracks.size(); ++i) {
        s->text.trackTitles << s->sheet.tracks[i].title;
        s->text.trackPerformers << s->sheet.tracks[i].performer;
        any = any || !s->sheet.tracks[i].title.isEmpty() || !s->sheet.tracks[i].performer.isEmpty();
    }
    if (!any) {
        s->text.trackTitles.clear();
        s->text.trackPerformers.clear();
    }
    return s;
}

CueSource::~CueSource() { closeFile(); }

void CueSource::closeFile()
{
    if (sound) sf_close(sound);
    if (fd >= 0) ::close(fd);
    sound = nullptr;
    fd = -1;
    openIndex = -1;
    soundPos = -1;
}

bool CueSource::openFile(int index)
{
    if (index == openIndex) return sound || fd >= 0;
    // One file open at a time: reads go through the disc in order.
    closeFile();
    openIndex = index;
    const QByteArray path = QFile::encodeName(paths[index]);
    if (sheet.files[index].kind != CueSheet::FileKind::Audio) {
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        return fd >= 0;
    }
    SF_INFO info{};
    sound = sf_open(path.constData(), SFM_READ, &info);
    // Replaced by something else since the disc was read: nothing of it plays.
    if (sound && (info.samplerate != kSampleRate || info.channels != 2)) {
        sf_close(sound);
        sound = nullptr;
    }
    return sound != nullptr;
}

bool CueSource::readExtent(const CueExtent& e, int32_t first, int count, char* out)
{
    const size_t bytes = static_cast<size_t>(count) * kSectorBytes;
    if (e.file < 0 || (sheet.files[e.file].kind != CueSheet::FileKind::Audio && e.frameBytes != kSectorBytes)) {
        std::memset(out, 0, bytes); // gaps, and data sectors, which never play
        return true;
    }
    if (!openFile(e.file)) return false;
    if (sound) {
        const int64_t sample = e.offset + static_cast<int64_t>(first - e.frame) * kSectorSamples;
        const sf_count_t want = static_cast<sf_count_t>(count) * kSectorSamples;
        // A damaged FLAC frame is skipped by the decoder, which says so only through
        // sf_error; the samples after it would come out of place. After any failure the
        // decoder is not to be trusted (a failed seek leaves it stuck): the next read
        // opens the file afresh.
        const bool ok = (sample == soundPos || sf_seek(sound, sample, SEEK_SET) == sample) &&
                        sf_readf_short(sound, reinterpret_cast<short*>(out), want) == want &&
                        sf_error(sound) == SF_ERR_NO_ERROR;
        if (!ok) {
            closeFile();
            return false;
        }
        soundPos = sample + want;
        return true;
    }
    const off_t at = static_cast<off_t>(e.offset + static_cast<int64_t>(first - e.frame) * kSectorBytes);
    size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::pread(fd, out + done, bytes - done, at + static_cast<off_t>(done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    if (sheet.files[e.file].kind == CueSheet::FileKind::RawBigEndian) {
        for (size_t i = 0; i + 1 < bytes; i += 2) std::swap(out[i], out[i + 1]);
    }
    return true;
}

bool CueSource::Read(int32_t frame, int count, char* out)
{
    if (count <= 0) return true;
    if (frame < kLeadInFrames || frame + count > layout.toc.leadOutFrame) return false;
    std::lock_guard<std::mutex> hold(lock);
    const auto& extents = layout.extents;
    auto it = std::upper_bound(extents.begin(), extents.end(), frame,
                               [](int32_t f, const CueExtent& e) { return f < e.frame; });
    --it; // the extents start at the lead-in and leave no holes
    while (count > 0 && it != extents.end()) {
        const int n = std::min(count, it->frame + it->frames - frame);
        if (!readExtent(*it, frame, n, out)) return false;
        out += static_cast<size_t>(n) * kSectorBytes;
        frame += n;
        count -= n;
        ++it;
    }
    return count == 0;
}
