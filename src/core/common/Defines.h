#pragma once
// Limits and small shared types.
#include <cstdint>

constexpr int kMaxTracks = 99;      // tracks on a disc
constexpr int kSongSlots = 100;     // track records, the last one holds the end of the disc
constexpr int kMaxLines = 127;      // lyrics lines per track
constexpr int kLineSlots = 128;     // line records created per track
constexpr int kProgramSlots = 100;  // play program entries kept
constexpr int kMaxProgramAdd = 99;  // entries the program editor adds
constexpr int kAdjustLimit = 30000; // a track's correction, either way, as the timing page edits it
// Lyrics line times are held within this many hundredths either side of the track's start
// (277 hours, far past any disc): ten times it, with any adjustment and position of the
// disc added, still fits 32 bits.
constexpr int32_t kMaxLineTime = 100000000;

// Device modes: the old status values minus 524.
enum DeviceMode : uint8_t {
    ModeNotReady = 0,
    ModeStopped = 1,
    ModePlaying = 2,
    ModeRecording = 3,
    ModeSeeking = 4,
    ModePaused = 5,
    ModeOpen = 6,
};

// No disc: the drive reports not ready or open.
constexpr bool NoDiscMode(int mode) { return mode == ModeNotReady || mode == ModeOpen; }

// Which part of a data file Load and Save work on.
enum DataPart : int { dpAll = 0, dpLyrics = 1, dpInfo = 2, dpPlayState = 3, dpProgram = 4 };

// Play types and their order in the Option menu.
enum PlayType : int { ptNormal = 0, ptRandom = 1, ptProgram = 2, ptProgramRandom = 3 };
