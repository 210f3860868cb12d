#pragma once
// Plays a stretch of a disc: a reader thread fills a ring buffer from a SectorSource
// and the player's own thread hands it to the sound server; what was heard is taken
// from the server's stream clock. Without a sound server it plays on a silent clock that
// runs in real time.
//
// The player's thread feeds the stream when it needs it and carries out Start and Stop.
// Heard, Finished and Silent may be asked from any thread: they read the output's clock
// under the player's lock and wake the player's thread only when the output failed.
#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "SoundOutput.h"

namespace RubberBand {
class RubberBandStretcher;
}
#include "SectorSource.h"

// Bytes handed from the reader thread to the audio thread.
class SampleRing {
public:
    explicit SampleRing(size_t capacity) : data(capacity) {}
    // Blocks until all count bytes fit (count is at most the capacity), so that the
    // reader wakes once per chunk. False when told to quit.
    bool Push(const char* bytes, size_t count, const std::atomic<bool>& quit);
    size_t Pop(char* out, size_t max);
    size_t Size() const;
    void Wake();

private:
    std::vector<char> data;
    size_t head = 0, used = 0;
    size_t wanted = 0; // room the blocked Push waits for; 0 when none waits
    mutable std::mutex lock;
    std::condition_variable spaceFree;
};

// A source shared by the player's readers and its drive: the drive's reader is one at a
// time, so every use takes the lock.
struct SharedSource {
    std::shared_ptr<SectorSource> source;
    std::shared_ptr<std::mutex> lock = std::make_shared<std::mutex>();
};

class SectorPlayer {
public:
    // Plays through the output given, or through the sound server when none is.
    explicit SectorPlayer(std::unique_ptr<SoundOutput> output = {});
    ~SectorPlayer();
    SectorPlayer(const SectorPlayer&) = delete;
    SectorPlayer& operator=(const SectorPlayer&) = delete;

    // Opens the sound output (if not yet open); false without one. After ConnectSoon,
    // waits for that attempt and answers it.
    bool Connect();
    // Starts opening the output on the player's thread and returns at once, so that the
    // caller goes on (the program's windows come up) while the server answers.
    void ConnectSoon();
    // Plays samples [from, to) of the disc (sample 0 is the start of the lead-in);
    // without sound, or when the output fails, on the silent clock. A play that starts
    // where the one before ends (still playing, or played to its end and not stopped
    // since) goes on in the same stream without a break: nothing lost, nothing added.
    // Any other play drops what the stream held and starts there. At a speed below 1
    // the samples are stretched in time with their pitch kept (RubberBand), and Heard
    // still counts samples of the disc.
    void Start(const SharedSource& source, const DiscToc& toc, int64_t from, int64_t to, bool sound,
               double speed = 1.0);
    // The same disc read through another source (its files were read anew): reading
    // goes on from it where the old one stopped, and what the stream holds plays on.
    // The old source may go once this returns.
    void SwapSource(const SharedSource& source);
    // Halts (what the stream held is dropped) and answers the sample reached. A reader
    // that sits in a read (a damaged disc's retries) is not waited for: it ends by itself.
    int64_t Stop();
    // The sample being heard now, never ahead of what the sound server played. Asked
    // from any thread, it takes the player's lock and the output's.
    int64_t Heard();
    bool Finished();
    // True once playback had to fall back to the silent clock.
    bool Silent() const;
    // The stream's volume as the mixer shows it, 0 to 1: handed to the player's thread,
    // applied before any later play, and kept by the stream.
    void SetVolume(double volume);
    // The mixer's volume whenever the desktop changes it; called on a thread of the
    // output's.
    void OnMixerVolume(std::function<void(double)> changed);

private:
    using Clock = std::chrono::steady_clock;
    // Runs f on the player's thread and waits for it.
    void call(const std::function<void()>& f);
    void run();
    struct ReadJob;
    void start(const SharedSource& source, const DiscToc& toc, int64_t from, int64_t to, bool sound, double speed);
    void startReader(const SharedSource& source, const DiscToc& toc, int64_t from);
    bool open();
    size_t feedStretched(size_t free);
    int64_t stop();
    void feed();
    void feedSoon(int ms);
    void applyVolume();
    static void readerMain(ReadJob& job);
    static void readFrames(ReadJob& job, int32_t frame, int count, char* out);
    void stopReader();
    int64_t finishReader(); // joins the reader; the disc's sample it had reached (0: none)
    void reapReaders();
    int64_t heard();
    void goSilent(int64_t reached);
    void dropSink();

    // Guards everything below that the player's thread and a caller of Heard share.
    mutable std::mutex lock;
    std::condition_variable wake; // a command or a volume is waiting, or the player is to end
    std::condition_variable done; // the command ran
    std::function<void()> command;
    bool quit = false;
    std::thread thread;
    bool feeding = false;
    Clock::time_point feedAt;
    bool dropPending = false;          // the sound server went; let go of the stream
    bool connecting = false;           // ConnectSoon's attempt runs
    std::optional<bool> connectedSoon; // its answer, until Connect takes it

    // Before the output, so that they outlive it.
    std::mutex mixerLock; // guards mixerChanged, which the output calls on its thread
    std::function<void(double)> mixerChanged;
    std::atomic<bool> wanted{false}; // the output asked for more
    std::unique_ptr<SoundOutput> output;
    bool streaming = false; // the current stretch plays through the output
    std::shared_ptr<SampleRing> ring;
    std::unique_ptr<ReadJob> reader;               // the one that fills ring
    std::vector<std::unique_ptr<ReadJob>> retired; // stopped, maybe still in a read
    std::atomic<double> wantedVolume{-1};          // a volume not yet given to the output, or -1

    bool active = false;
    bool silent = false;
    SharedSource playing; // the source the reader reads
    int64_t fromSample = 0, toSample = 0;
    int64_t streamFrom = 0; // the output's index of fromSample
    int64_t fedSample = 0;  // the disc's next sample to go to the output (or the stretcher)
    int64_t readEnd = 0;    // the reader's last sample: it reads ahead of toSample to there
    double speed = 1.0;
    std::unique_ptr<RubberBand::RubberBandStretcher> stretcher;
    size_t dropOut = 0;   // the stretcher's first output samples come before the first input sample
    bool flushed = false; // the stretcher was told the input ended
    int64_t lastHeard = 0;
    QElapsedTimer silentClock;
    int64_t silentFrom = 0;
};
