#pragma once
// A cue sheet read into plain data, and the disc it describes laid
// out on the CD's frames: which file, or which silence, every stretch of the disc is.
// Track starts are INDEX 01 positions after the 150-frame lead-in; INDEX 00 gaps stay
// in their files, PREGAP and POSTGAP are silence that no file holds.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "SectorSource.h"

struct CueSheet {
    // BINARY (little-endian) and MOTOROLA (big-endian) are raw sectors; WAVE, FLAC,
    // AIFF and the like are audio files that are decoded. A FILE line without a type
    // goes by the name's extension: BIN, IMG, RAW and ISO (or none) raw, others audio.
    enum class FileKind { Raw, RawBigEndian, Audio };
    struct File {
        QString name; // as the sheet writes it
        FileKind kind = FileKind::Raw;
    };
    struct Track {
        int file = 0; // index into files
        bool audio = true;
        int sectorBytes = kSectorBytes; // bytes per frame in a raw file
        int32_t index1 = 0;             // INDEX 01, frames from the start of its file
        int32_t gapStart = -1;          // INDEX 00 in the same file before INDEX 01; -1 none
        // INDEX 00 in an earlier file than INDEX 01 (as rippers keep the hidden audio before
        // track 1 in a file of its own): that file from gapFileStart to its end is the gap.
        int gapFile = -1;
        int32_t gapFileStart = 0;
        int32_t pregap = 0;  // silent frames before INDEX 01
        int32_t postgap = 0; // silent frames after the track
        QString title, performer;
    };
    std::vector<File> files;
    std::vector<Track> tracks;
    QString title, performer;
    int cutTracks = 0; // TRACK lines past the 99th, left out: a CD holds no more
};

// Reads a cue sheet (UTF-8, UTF-16 with its byte-order mark, code page 932 as Japanese
// Windows tools write it, or Windows-1252 as older Western ones do); false
// with a reason (naming the line at fault, where one is) when it cannot be read or
// names no track.
bool ParseCueSheet(const QByteArray& text, CueSheet* sheet, QString* error);

// A stretch of the disc: frames from a file, or silence.
struct CueExtent {
    int32_t frame = 0; // absolute first frame
    int32_t frames = 0;
    int file = -1;      // index into the sheet's files; -1 for silence
    int64_t offset = 0; // raw file: byte of the first frame; audio file: its first sample
    int frameBytes = 0; // raw file: bytes per frame in this stretch
};

struct CueLayout {
    DiscToc toc;
    std::vector<CueExtent> extents; // in order, without holes, from the lead-in to the lead-out
};

// Lays the sheet out over its files' sizes (bytes of a raw file, samples of an audio
// file). A partial frame at the end of a file is not part of the disc. False with a
// reason when the sheet contradicts itself, or when a track starts at or past the end of
// its file (the reason names the file, where it ends and the tracks it lacks).
// "track 3" or "tracks 3 to 5", as the reasons name the tracks of a disc.
QString CueTracks(int first, int last);

bool LayOutCueSheet(const CueSheet& sheet, const std::vector<int64_t>& fileSizes, CueLayout* layout, QString* error);
