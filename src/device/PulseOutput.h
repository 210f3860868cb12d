#pragma once
// The sound server (PulseAudio, or PipeWire through its PulseAudio service): one
// playback stream at a time of 44.1 kHz 16-bit stereo, and how much of it has been
// heard, by the stream's own clock.
//
// Every call may come from any thread; the connection runs a thread of its own, which
// never calls back into the caller. A server that is missing or goes away is a failure
// the caller sees (Connect, Start or Failed), never a wait longer than a few seconds.
#include <atomic>
#include <cstddef>
#include <cstdint>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

class PulseOutput {
public:
    PulseOutput() = default;
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // Connects to the user's sound server unless connected already; false without one
    // (nothing is spawned). A connection that failed is made anew.
    bool Connect();
    // Ends the current stream, if any, and opens a new one that plays as soon as it
    // holds what it asks the server to hold; false when the server refused it or is gone.
    bool Start();
    // Bytes the stream takes now without growing past its target length.
    size_t Writable();
    // Hands bytes (whole stereo samples) to the stream; answers how many it took.
    size_t Write(const char* data, size_t bytes);
    // Samples of the current stream heard so far: the stream's played frames less what
    // the server's sink still holds, taken at the server's last report and carried on
    // by the clock since. 0 before the first sample sounds; never more than written.
    int64_t Heard();
    // Milliseconds of sound written to the stream that have not been heard yet.
    int HeldMs();
    // The stream or the connection failed (the server went away).
    bool Failed();
    // Ends the current stream at once; what the server still held is dropped.
    void Stop();
    // The stream's volume on the server (as the mixer shows it), 0 to 1 of the samples'
    // own level: at once for the current stream, and for every later one.
    void SetVolume(double linear);

private:
    int64_t heard(); // the loop's lock held
    void disconnect();
    void dropStream();
    bool waitFor(const bool& done, int timeoutMs);

    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    int64_t written = 0; // bytes written to the current stream
    std::atomic<double> volume{1.0};
};
