#pragma once
// The sound server (PulseAudio, or PipeWire through its PulseAudio service) as the
// player's SoundOutput: one playback stream for the output's life, its position taken
// from the stream's own clock, its volume the one the desktop's mixer shows.
//
// libpulse runs a loop thread of its own; the calls below take that loop's lock, so they
// may come from one thread at a time (the player's). A server that is missing or goes
// away is a failure the caller sees (Open or Failed), never a wait longer than a few
// seconds.
#include <atomic>

#include "SoundOutput.h"

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

class PulseOutput : public SoundOutput {
public:
    PulseOutput() = default;
    ~PulseOutput() override;
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    bool Open() override;
    int64_t WriteIndex() override;
    size_t Writable() override;
    size_t Write(const int16_t* samples, size_t count) override;
    int64_t Heard() override;
    void Trigger() override;
    void Flush() override;
    bool Failed() override;
    void SetVolume(double volume) override;

private:
    bool connect();
    bool openStream();
    int64_t heard(); // the loop's lock held
    void disconnect();
    void dropStream();
    void mixerChanged(uint32_t index);

    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    int64_t written = 0;   // the stream's write index, in samples
    int64_t lastHeard = 0; // what Heard answered last: it never goes back
    std::atomic<double> volume{1.0};
    std::atomic<uint32_t> volumeSet{0}; // the server's volume of the stream as we know it
};
