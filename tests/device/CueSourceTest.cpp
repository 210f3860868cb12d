// Discs made of BIN data or FLAC and WAV files in every shape rippers write, which must
// give the table of contents, the identifier and the samples of the one BIN image, and the
// words for what does not play.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <random>
#include <sndfile.h>
#include <string>

#include "DeviceTestSupport.h"
#include "core/common/Error.h"
#include "core/discdata/DiscId.h"
#include "core/discdata/Words.h"
#include "core/online/MusicBrainzId.h"
#include "device/CdioSource.h"
#include "device/CueSheet.h"
#include "device/CueSource.h"
#include "device/DiscDevice.h"

namespace {

// Sample s of the disc plays as the code of s (see DeviceTestSupport.h).
bool HoldsDiscSamples(const char* data, int32_t frame, int count)
{
    const auto* p = reinterpret_cast<const int16_t*>(data);
    for (int64_t i = 0; i < int64_t{count} * 588; ++i)
        if (DecodeSample(p[2 * i], p[2 * i + 1]) != int64_t{frame} * 588 + i) return false;
    return true;
}

struct Table {
    std::vector<int32_t> starts, lengths, tmsfLengths;
    QString id;
    bool operator==(const Table&) const = default;
};

Table TableOf(DiscDevice& dev)
{
    Table t;
    for (int n = 1; n <= dev.TrackCount(); ++n) {
        t.starts.push_back(dev.TrackPosition(n));
        t.lengths.push_back(dev.TrackLength(n));
    }
    dev.SetTimeFormat(TimeFormatTmsf);
    for (int n = 1; n <= dev.TrackCount(); ++n) t.tmsfLengths.push_back(dev.TrackLength(n));
    t.id = DiscIdOf(dev);
    return t;
}

class CueDiscs : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Sub(const QString& name) const
    {
        QDir(dir.path()).mkdir(name);
        return dir.filePath(name);
    }
    QTemporaryDir dir;
    DiscDevice dev;
};

// Three tracks of 3, 4 and 2 s; gaps of 0.4 s before tracks 2 and 3.
const std::vector<TestTrack> kDisc = {{225}, {300}, {150}};
constexpr int kGap = 30;

TEST_F(CueDiscs, EveryShapeOfADiscGivesTheTableIdentifierAndSamplesOfItsImage)
{
    // What libcdio reads from the BIN image is the measure.
    const QString bin = WriteCueImage(Sub("bin"), "disc", kDisc);
    QString why;
    const auto cdio = CdioSource::Open(bin, &why);
    ASSERT_TRUE(cdio) << why.toStdString();
    ASSERT_TRUE(dev.Open(bin)) << dev.OpenError().toStdString();
    const Table image = TableOf(dev);
    ASSERT_EQ(image.starts, (std::vector<int32_t>{2000, 5000, 9000}));
    std::vector<int32_t> cdioStarts;
    for (const auto& t : cdio->Toc().tracks) cdioStarts.push_back(t.startFrame * 1000 / 75);
    EXPECT_EQ(cdioStarts, image.starts);
    EXPECT_EQ(cdio->Toc().leadOutFrame, 825);
    // A cdrdao TOC names its BIN relative to its own folder, whatever the working folder.
    const QString toc = WriteTocImage(Sub("toc"), "disc", kDisc);
    ASSERT_NE(QDir::currentPath(), QFileInfo(toc).absolutePath());
    ASSERT_TRUE(dev.Open(toc)) << dev.OpenError().toStdString();
    EXPECT_EQ(TableOf(dev), image);
    EXPECT_EQ(CdioSource::ImageFiles(toc), QStringList{Path("toc/disc.bin")});
    auto fromToc = DiscDevice::OpenSource(toc, &why);
    ASSERT_TRUE(fromToc) << why.toStdString();
    std::vector<char> tocFrames(16 * 2352);
    ASSERT_TRUE(fromToc->Read(370, 16, tocFrames.data()));
    EXPECT_TRUE(HoldsDiscSamples(tocFrames.data(), 370, 16));

    struct Shape {
        const char* name;
        int format;
        CueShape shape;
    };
    const Shape shapes[] = {
        {"flac", SF_FORMAT_FLAC, CueShape::OneFile},
        {"wav", SF_FORMAT_WAV, CueShape::OneFile},
        {"flac-tracks", SF_FORMAT_FLAC, CueShape::FilePerTrack},
        {"wav-gaps-next", SF_FORMAT_WAV, CueShape::GapsInNextFile},
        {"flac-gaps-own", SF_FORMAT_FLAC, CueShape::GapsInOwnFile},
    };
    std::mt19937 random(16);
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.name);
        const QString cue = WriteAudioCue(Sub(s.name), "disc", kDisc, s.format, s.shape, kGap);
        ASSERT_FALSE(cue.isEmpty());
        ASSERT_TRUE(dev.Open(cue)) << dev.OpenError().toStdString();
        EXPECT_EQ(TableOf(dev), image);
        EXPECT_EQ(dev.DriveName(), cue);
        EXPECT_TRUE(dev.IsVirtual());

        // Reads anywhere, across tracks and files, in any order: sample-exact.
        auto source = DiscDevice::OpenSource(cue, &why);
        ASSERT_TRUE(source) << why.toStdString();
        std::vector<char> buf(16 * 2352);
        std::vector<std::pair<int32_t, int>> reads{{150, 16}, {370, 16}, {369, 2}, {674, 1}, {809, 16}, {150, 1}};
        for (int i = 0; i < 40; ++i) reads.emplace_back(150 + random() % 660, 1 + random() % 16);
        for (auto [frame, count] : reads) {
            ASSERT_TRUE(source->Read(frame, count, buf.data())) << frame;
            EXPECT_TRUE(HoldsDiscSamples(buf.data(), frame, count)) << "frames " << frame << " + " << count;
        }
        EXPECT_FALSE(source->Read(824, 2, buf.data())) << "reads stop at the lead-out";
    }

    // One BIN per track, and big-endian raw data.
    QFile whole(bin.chopped(3) + "bin");
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QByteArray perTrackCue, swapped = whole.readAll();
    for (size_t i = 0, at = 0; i < kDisc.size(); ++i) {
        const QString name = QStringLiteral("track%1.bin").arg(i + 1);
        QFile part(Path("bin/" + name));
        const qsizetype bytes = qsizetype{kDisc[i].frames} * 2352;
        ASSERT_TRUE(part.open(QIODevice::WriteOnly));
        part.write(swapped.mid(static_cast<qsizetype>(at), bytes));
        at += static_cast<size_t>(bytes);
        perTrackCue += "FILE \"" + name.toUtf8() + "\" BINARY\n  TRACK 0" + QByteArray::number(int(i) + 1) +
                       " AUDIO\n    INDEX 01 00:00:00\n";
    }
    for (qsizetype i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    QFile motorola(Path("bin/motorola.bin"));
    ASSERT_TRUE(motorola.open(QIODevice::WriteOnly));
    motorola.write(swapped);
    motorola.close();
    for (const auto& [name, text] : {std::pair{"per-track.cue", perTrackCue},
                                     std::pair{"motorola.cue", CueSheetText("motorola.bin", kDisc, "MOTOROLA")}}) {
        SCOPED_TRACE(name);
        QFile cue(Path(QStringLiteral("bin/") + name));
        ASSERT_TRUE(cue.open(QIODevice::WriteOnly));
        cue.write(text);
        cue.close();
        ASSERT_TRUE(dev.Open(cue.fileName())) << dev.OpenError().toStdString();
        EXPECT_EQ(TableOf(dev), image);
        auto source = DiscDevice::OpenSource(cue.fileName(), &why);
        ASSERT_TRUE(source);
        std::vector<char> buf(16 * 2352);
        for (int32_t frame : {150, 370, 674, 809}) {
            ASSERT_TRUE(source->Read(frame, 16, buf.data()));
            EXPECT_TRUE(HoldsDiscSamples(buf.data(), frame, 16)) << frame;
        }
    }
}

TEST_F(CueDiscs, HiddenAudioBeforeTrackOneInAFileOfItsOwnIsTheDiscOfTheOneFileRip)
{
    // One second of audio before track 1 (its INDEX 00), then tracks at 225, 450 and 750.
    ASSERT_TRUE(WriteAudioFile(Path("whole.flac"), SF_FORMAT_FLAC, 150, 825));
    QFile one(Path("whole.cue"));
    ASSERT_TRUE(one.open(QIODevice::WriteOnly));
    one.write("FILE \"whole.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:01:00\n"
              "  TRACK 02 AUDIO\n    INDEX 01 00:04:00\n  TRACK 03 AUDIO\n    INDEX 01 00:08:00\n");
    one.close();
    // As a common ripper's per-track mode writes it: the hidden audio in a file of its own.
    const std::pair<const char*, std::pair<int, int>> files[] = {
        {"00 - HTOA.flac", {150, 225}}, {"01.flac", {225, 450}}, {"02.flac", {450, 750}}, {"03.flac", {750, 825}}};
    for (const auto& [name, frames] : files)
        ASSERT_TRUE(WriteAudioFile(Path(name), SF_FORMAT_FLAC, frames.first, frames.second));
    QFile split(Path("split.cue"));
    ASSERT_TRUE(split.open(QIODevice::WriteOnly));
    split.write("FILE \"00 - HTOA.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n"
                "FILE \"01.flac\" WAVE\n    INDEX 01 00:00:00\nFILE \"02.flac\" WAVE\n  TRACK 02 AUDIO\n"
                "    INDEX 01 00:00:00\nFILE \"03.flac\" WAVE\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n");
    split.close();

    ASSERT_TRUE(dev.Open(one.fileName())) << dev.OpenError().toStdString();
    const Table whole = TableOf(dev);
    const std::string musicBrainz = MusicBrainzDiscId(MusicBrainzTocOf(dev)).toStdString();
    ASSERT_EQ(whole.starts, (std::vector<int32_t>{3000, 6000, 10000}));
    ASSERT_TRUE(dev.Open(split.fileName())) << dev.OpenError().toStdString();
    EXPECT_EQ(TableOf(dev), whole);
    EXPECT_EQ(MusicBrainzDiscId(MusicBrainzTocOf(dev)).toStdString(), musicBrainz);
    EXPECT_EQ(CueSource::DataFiles(split.fileName()).value(0), Path("00 - HTOA.flac"));

    // The hidden audio plays from the start of the disc to track 1, and on into it.
    QString why;
    auto source = DiscDevice::OpenSource(split.fileName(), &why);
    ASSERT_TRUE(source) << why.toStdString();
    std::vector<char> buf(16 * 2352);
    for (int32_t frame : {150, 170, 220, 440, 809}) {
        ASSERT_TRUE(source->Read(frame, 16, buf.data())) << frame;
        EXPECT_TRUE(HoldsDiscSamples(buf.data(), frame, 16)) << frame;
    }
    // Its file cut short is refused as any other, naming the track it belongs to.
    QFile hidden(Path("00 - HTOA.flac"));
    ASSERT_TRUE(hidden.resize(hidden.size() / 2));
    EXPECT_FALSE(DiscDevice::OpenSource(split.fileName(), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("00 - HTOA.flac は途中で切れているか壊れています")) &&
                why.contains(QStringLiteral("トラック 1 が再生できません")))
        << why.toStdString();
}

TEST_F(CueDiscs, FilesAreFoundWhateverTheCaseOfTheirNames)
{
    // X.CUE and X.Cue with their data in X.bin, and a sheet that names X.BIN.
    ASSERT_FALSE(WriteCueImage(dir.path(), "X", kDisc).isEmpty());
    ASSERT_TRUE(QFile::rename(Path("X.cue"), Path("X.CUE")));
    ASSERT_TRUE(dev.Open(Path("X.CUE"))) << dev.OpenError().toStdString();
    EXPECT_EQ(dev.TrackCount(), 3);
    ASSERT_TRUE(QFile::rename(Path("X.CUE"), Path("X.Cue")));
    ASSERT_TRUE(dev.Open(Path("X.Cue"))) << dev.OpenError().toStdString();
    EXPECT_EQ(dev.TrackCount(), 3);
    QFile upper(Path("upper.cue"));
    ASSERT_TRUE(upper.open(QIODevice::WriteOnly));
    upper.write(CueSheetText("x.BIN", kDisc));
    upper.close();
    ASSERT_TRUE(dev.Open(upper.fileName())) << dev.OpenError().toStdString();
    EXPECT_EQ(dev.TrackLength(2), 4000);

    // A sheet that still names the WAV after the rip was compressed to FLAC, with a
    // Windows folder in front.
    const QString cue = WriteAudioCue(Sub("rip"), "Album", kDisc, SF_FORMAT_FLAC, CueShape::OneFile);
    ASSERT_FALSE(cue.isEmpty());
    QFile sheet(cue);
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    QByteArray text = sheet.readAll().replace("Album.flac", "C:\\Music\\ALBUM.wav");
    sheet.close();
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly | QIODevice::Truncate));
    sheet.write(text);
    sheet.close();
    ASSERT_TRUE(dev.Open(cue)) << dev.OpenError().toStdString();
    EXPECT_EQ(dev.TrackCount(), 3);
    EXPECT_EQ(CueSource::DataFiles(cue), QStringList{Path("rip/Album.flac")});

    // Opened by its audio file, a rip names the sheet to open; a FLAC that holds its sheet
    // inside (a CUESHEET block after STREAMINFO) says how to write it out; a lone one asks
    // for a sheet.
    EXPECT_FALSE(dev.Open(Path("rip/Album.flac")));
    EXPECT_TRUE(dev.OpenError().contains(QStringLiteral("キューシート %1 を開いて").arg(cue)))
        << dev.OpenError().toStdString();
    QFile flac(Path("rip/Album.flac"));
    ASSERT_TRUE(flac.open(QIODevice::ReadOnly));
    QByteArray bytes = flac.readAll();
    ASSERT_TRUE(bytes.startsWith("fLaC") && (bytes[4] & 0x7F) == 0);
    const bool onlyBlock = (bytes[4] & 0x80) != 0;
    bytes[4] = static_cast<char>(bytes[4] & 0x7F);
    const QByteArray cueSheetBlock = QByteArray(1, static_cast<char>(onlyBlock ? 0x85 : 0x05)) +
                                     QByteArray("\x00\x01\x8C", 3) + QByteArray(396, '\0');
    bytes.insert(8 + 34, cueSheetBlock);
    Sub(QStringLiteral("lone"));
    QFile inside(Path("lone/inside.flac"));
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.write(bytes);
    inside.close();
    ASSERT_TRUE(QFile::copy(flac.fileName(), Path("lone/plain.flac")));
    EXPECT_FALSE(dev.Open(Path("lone/inside.flac")));
    EXPECT_TRUE(
        dev.OpenError().contains(QStringLiteral("metaflac --export-cuesheet-to=%1").arg(Path("lone/inside.cue"))))
        << dev.OpenError().toStdString();
    EXPECT_FALSE(dev.Open(Path("lone/plain.flac")));
    EXPECT_TRUE(dev.OpenError().contains(QStringLiteral("キューシート (.cue) を開いて")))
        << dev.OpenError().toStdString();
}

TEST_F(CueDiscs, AudioThatIsNotCdAudioIsRefusedNamingTheFileAndItsFormat)
{
    const QString cue = WriteAudioCue(Sub("48k"), "disc", kDisc, SF_FORMAT_FLAC, CueShape::FilePerTrack, 0, 48000);
    ASSERT_FALSE(cue.isEmpty());
    EXPECT_FALSE(dev.Open(cue));
    // In the program's Japanese, file names and formats as they are; in English for the tool.
    QString why = dev.OpenError();
    EXPECT_TRUE(why.contains(QStringLiteral("01 disc.flac")) && why.contains(QStringLiteral("48000 Hz")) &&
                why.contains(QStringLiteral("FLAC (16 ビット")) &&
                why.contains(QStringLiteral("再生できるのは、CD と同じ 44.1 kHz 16 ビット ステレオの FLAC, WAV, AIFF")))
        << why.toStdString();
    EXPECT_FALSE(why.contains(QStringLiteral("Lossless")) || why.contains(QStringLiteral("PCM")))
        << "the decoding library's English names stay out of a Japanese sentence: " << why.toStdString();
    SetEnglishReasons(true);
    EXPECT_FALSE(dev.Open(cue));
    why = dev.OpenError();
    SetEnglishReasons(false);
    EXPECT_TRUE(why.contains(QStringLiteral("01 disc.flac")) && why.contains(QStringLiteral("48000 Hz")) &&
                why.contains(QStringLiteral("only FLAC, WAV and AIFF audio of 44.1 kHz")))
        << why.toStdString();

    // 24-bit samples, and one channel.
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE* f = sf_open(QFile::encodeName(Path("deep.wav")).constData(), SFM_WRITE, &info);
    ASSERT_TRUE(f);
    std::vector<int> silence(2 * 588 * 300);
    sf_writef_int(f, silence.data(), 588 * 300);
    sf_close(f);
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    f = sf_open(QFile::encodeName(Path("mono.wav")).constData(), SFM_WRITE, &info);
    ASSERT_TRUE(f);
    sf_writef_int(f, silence.data(), 588 * 300);
    sf_close(f);
    for (const char* name : {"deep.wav", "mono.wav"}) {
        QFile sheet(Path(QStringLiteral("%1.cue").arg(name)));
        ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
        sheet.write(CueSheetText(name, {{300}}, "WAVE"));
        sheet.close();
        EXPECT_FALSE(dev.Open(sheet.fileName()));
        EXPECT_TRUE(dev.OpenError().contains(QLatin1String(name))) << dev.OpenError().toStdString();
    }
    EXPECT_TRUE(dev.OpenError().contains(QStringLiteral("1 チャンネル"))) << dev.OpenError().toStdString();

    // A file that is no audio at all.
    QFile junk(Path("junk.flac"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(5000, 'j'));
    junk.close();
    QFile sheet(Path("junk.cue"));
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write(CueSheetText("junk.flac", {{1}}, "WAVE"));
    sheet.close();
    EXPECT_FALSE(dev.Open(sheet.fileName()));
    EXPECT_TRUE(dev.OpenError().contains(QStringLiteral("junk.flac"))) << dev.OpenError().toStdString();

    // Rips in formats that do not play say so, and which formats do.
    info.channels = 2;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    f = sf_open(QFile::encodeName(Path("rip.mp3")).constData(), SFM_WRITE, &info);
    ASSERT_TRUE(f) << sf_strerror(nullptr);
    sf_writef_int(f, silence.data(), 588 * 150);
    sf_close(f);
    QFile::copy(junk.fileName(), Path("rip.ape"));
    QFile::copy(junk.fileName(), Path("rip.wv"));
    for (const auto& [name, format] : {std::pair{"rip.mp3", "MP3 (圧縮, 44100 Hz, 2 チャンネル)"},
                                       std::pair{"rip.ape", "Monkey's Audio (APE) の音声で、再生できません"},
                                       std::pair{"rip.wv", "WavPack の音声"}}) {
        ASSERT_TRUE(sheet.open(QIODevice::WriteOnly | QIODevice::Truncate));
        sheet.write(CueSheetText(name, {{100}}, "WAVE"));
        sheet.close();
        EXPECT_FALSE(dev.Open(sheet.fileName()));
        EXPECT_TRUE(dev.OpenError().contains(QString::fromUtf8(format)) &&
                    dev.OpenError().contains(QStringLiteral("FLAC, WAV, AIFF の音声と BIN イメージです")))
            << dev.OpenError().toStdString();
    }
}

// A rip whose file was cut short (a failed download or copy) still declares its whole
// length: it is refused at once, naming the file, how much of it decodes and the tracks
// that would play silence, rather than played as silence.
TEST_F(CueDiscs, ARipCutShortIsRefusedNamingTheFileAndTheTracksItLacks)
{
    const QString cue = WriteAudioCue(dir.path(), "disc", kDisc, SF_FORMAT_FLAC, CueShape::OneFile);
    ASSERT_FALSE(cue.isEmpty());
    QString why;
    ASSERT_TRUE(DiscDevice::OpenSource(cue, &why)) << why.toStdString();
    QFile flac(Path("disc.flac"));
    const qint64 size = flac.size();
    struct Cut {
        double kept;
        const char* lacks;
    };
    // The file's tracks hold frames 0-225, 225-525 and 525-675 of it.
    for (const Cut& cut : {Cut{0.9, "トラック 3 が"}, Cut{0.5, "トラック 2〜3 が"}}) {
        ASSERT_TRUE(flac.resize(static_cast<qint64>(size * cut.kept)));
        EXPECT_FALSE(DiscDevice::OpenSource(cue, &why));
        EXPECT_TRUE(why.contains(Path("disc.flac")) && why.contains(QStringLiteral("(0:09 のうち")) &&
                    why.contains(QString::fromUtf8(cut.lacks)))
            << why.toStdString();
        EXPECT_FALSE(dev.Open(cue));
        EXPECT_EQ(dev.OpenError(), why);
    }
}

TEST_F(CueDiscs, AnAudioFileDamagedCutShortOrGoneIsAReadErrorThereAndAChangedDisc)
{
    const QString cue = WriteAudioCue(dir.path(), "disc", kDisc, SF_FORMAT_FLAC, CueShape::FilePerTrack);
    ASSERT_FALSE(cue.isEmpty());
    QString why;
    auto source = DiscDevice::OpenSource(cue, &why);
    ASSERT_TRUE(source) << why.toStdString();
    ASSERT_TRUE(dev.Open(cue));
    std::vector<char> buf(16 * 2352);

    // Garbage in the middle of track 1's file: what reads is in its place or fails.
    QFile one(Path("01 disc.flac"));
    ASSERT_TRUE(one.open(QIODevice::ReadWrite));
    ASSERT_TRUE(one.seek(one.size() / 2));
    one.write(QByteArray(3000, '\x5A'));
    one.close();
    int failed = 0;
    for (int32_t frame = 150; frame + 8 <= 375; frame += 8) {
        if (!source->Read(frame, 8, buf.data())) {
            ++failed;
            continue;
        }
        EXPECT_TRUE(HoldsDiscSamples(buf.data(), frame, 8)) << "frame " << frame << " read out of place";
    }
    EXPECT_GT(failed, 0);
    EXPECT_LT(failed, 10);

    // Track 2's file loses its second half, track 3's file goes.
    QFile two(Path("02 disc.flac"));
    ASSERT_TRUE(two.resize(two.size() / 2));
    ASSERT_TRUE(QFile::remove(Path("03 disc.flac")));
    EXPECT_TRUE(source->Read(375, 16, buf.data()) && HoldsDiscSamples(buf.data(), 375, 16));
    EXPECT_FALSE(source->Read(640, 16, buf.data())) << "past the cut";
    EXPECT_FALSE(source->Read(700, 16, buf.data())) << "in the file that went";
    EXPECT_TRUE(source->Read(200, 16, buf.data()) && HoldsDiscSamples(buf.data(), 200, 16)) << "track 1 still reads";

    // To the virtual drive the disc is out while a file is missing, and a new disc
    // comes in (after a moment out) when it is back.
    EXPECT_EQ(dev.Mode(), ModeOpen);
    EXPECT_EQ(dev.TrackCount(), 0);
    ASSERT_TRUE(WriteAudioFile(Path("03 disc.flac"), SF_FORMAT_FLAC, 675, 825));
    ASSERT_TRUE(WriteAudioFile(Path("02 disc.flac"), SF_FORMAT_FLAC, 375, 675));
    QElapsedTimer waited;
    waited.start();
    while (dev.Mode() != ModeStopped && waited.elapsed() < 5000) QThread::msleep(20);
    EXPECT_EQ(dev.Mode(), ModeStopped);
    EXPECT_EQ(dev.TrackCount(), 3);
}

} // namespace
