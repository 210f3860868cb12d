#pragma once
// Where the player's sound goes: one stream of 44.1 kHz 16-bit stereo, kept open for
// the program's life, on a timeline of its own. Index 0 is the stream's first sample;
// every sample written takes the next index, and the stream plays them in that order,
// its clock standing while it has nothing left to play.
//
// The player calls it from its own thread only. VolumeChanged and Wanted are called on a
// thread of the output's: they must not wait on anything the player holds.
#include <cstddef>
#include <cstdint>
#include <functional>

class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Connects and opens the stream unless it is open; false without a sound server
    // (nothing waits longer than a few seconds). A stream that failed is opened anew.
    virtual bool Open() = 0;
    // The index the next Write goes to.
    virtual int64_t WriteIndex() = 0;
    // Samples the stream takes now without holding more than it aims to.
    virtual size_t Writable() = 0;
    // Appends whole stereo samples (count of them, interleaved); answers how many it took.
    virtual size_t Write(const int16_t* samples, size_t count) = 0;
    // The index being heard now: never past WriteIndex, never back.
    virtual int64_t Heard() = 0;
    // Plays what it holds now, though that is less than it waits for before it starts
    // (the end of what there is to play).
    virtual void Trigger() = 0;
    // Drops what was written and not heard yet; the next Write is heard next.
    virtual void Flush() = 0;
    // The stream or the connection failed (the server went away).
    virtual bool Failed() = 0;
    // The stream's volume as the desktop's mixer shows it, 0 to 1: at once, and kept
    // for the stream's life.
    virtual void SetVolume(double volume) = 0;

    // Set before Open. The mixer's volume for the stream, whenever it changes (also by
    // another program: the desktop's mixer).
    std::function<void(double)> VolumeChanged;
    // Set before Open. The stream would take more now.
    std::function<void()> Wanted;
};
