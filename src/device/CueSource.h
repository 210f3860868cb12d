#pragma once
// Sectors of a disc that a cue sheet describes: raw BIN data (little- or big-endian),
// or audio files (FLAC, WAV, AIFF ...) decoded through libsndfile, one file for the
// whole disc or one per track. Audio must be 44.1 kHz 16-bit stereo, as on a CD;
// anything else is refused. Files are read a stretch at a time, never whole.
#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>

#include "CueSheet.h"
#include "SectorSource.h"

typedef struct sf_private_tag SNDFILE;

class CueSource : public SectorSource {
public:
    // Opens the sheet and checks every file it names; null with a reason (naming the
    // file) when one is missing, unreadable, not CD audio, shorter than the sheet says,
    // or cut short or damaged at its end (it does not decode to the length it declares).
    static std::unique_ptr<CueSource> Open(const QString& cuePath, QString* error);
    ~CueSource() override;
    CueSource(const CueSource&) = delete;
    CueSource& operator=(const CueSource&) = delete;

    DiscToc Toc() const override { return layout.toc; }
    // Any thread, one read at a time. False when a file cannot be read there (gone,
    // cut short or damaged).
    bool Read(int32_t frame, int count, char* out) override;
    CdTextInfo Text() const override { return text; }

    // The files a sheet names, as Open finds them (names it cannot find are given as
    // the sheet writes them, beside the sheet).
    static QStringList DataFiles(const QString& cuePath);
    // How many tracks past the 99th the sheet names (they are left out); 0 for a sheet
    // that cannot be read.
    static int CutTracks(const QString& cuePath);
    // The file a FILE line names: beside the sheet (or at its absolute path); when that
    // exact name is missing, the same name in another letter case; for an audio file
    // also the same name with another audio file's extension. Empty when none is there.
    static QString FindFile(const QString& sheetFolder, const QString& name, bool audio);

    // Why an audio file opened as a disc is none, and what to open instead: the cue sheet
    // beside it that names it, or, for a FLAC that holds its sheet inside, that sheet
    // written out as a .cue. Empty for a file that is no audio.
    static QString AudioFileAdvice(const QString& path);

private:
    CueSource() = default;
    bool readExtent(const CueExtent& e, int32_t first, int count, char* out);
    bool openFile(int index);
    void closeFile();

    CueSheet sheet;
    QStringList paths; // resolved, one per sheet file
    CueLayout layout;
    CdTextInfo text;

    std::mutex lock;
    int openIndex = -1; // the file open for reading now
    int fd = -1;
    SNDFILE* sound = nullptr;
    int64_t soundPos = -1; // the next sample a sequential read gets without a seek
};
