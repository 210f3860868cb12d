#pragma once
// Disc images made by the tests, whose audio samples carry their own position, and a
// recorder of the sound server's output (the null sink's monitor).
#include <QByteArray>
#include <QSocketNotifier>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <sys/types.h>
#include <vector>

struct TestTrack {
    int frames;        // length in frames (75 a second)
    bool audio = true; // false: a mode-1 data track
};

// Sample s of the disc (counted from the start of the lead-in) is written as left =
// low 16 bits, right = 0x4000 | the next 14 bits, so a recording tells what played.
// Silence decodes as -1.
int64_t DecodeSample(int16_t left, int16_t right);
int64_t SampleAtMs(int32_t ms); // the first sample of a millisecond, as the device counts

// Writes dir/name.bin and dir/name.cue (or a cdrdao dir/name.toc); answers the
// path of the cue sheet or toc file. The first track starts at frame 150 (2000 ms).
QString WriteCueImage(const QString& dir, const QString& name, const std::vector<TestTrack>& tracks);
QString WriteTocImage(const QString& dir, const QString& name, const std::vector<TestTrack>& tracks);
// A cue sheet's contents for the tracks, naming binName (a file of the given type).
QByteArray CueSheetText(const QString& binName, const std::vector<TestTrack>& tracks,
                        const QByteArray& fileType = "BINARY");

// The same disc as audio files that libsndfile writes (format: SF_FORMAT_FLAC,
// SF_FORMAT_WAV ...), with a cue sheet dir/name.cue; answers its path. One file for
// the disc, or one per track in either of the shapes rippers write: gaps (the last
// gapFrames of each track before the next) at the head of the next track's file
// (INDEX 00 00:00:00 there), or at the end of the track's own file (INDEX 00 before
// the next FILE line).
enum class CueShape { OneFile, FilePerTrack, GapsInNextFile, GapsInOwnFile };
QString WriteAudioCue(const QString& dir, const QString& name, const std::vector<TestTrack>& tracks, int format,
                      CueShape shape, int gapFrames = 0, int sampleRate = 44100);
// Writes frames [from, to) of the disc as an audio file.
bool WriteAudioFile(const QString& path, int format, int64_t fromFrame, int64_t toFrame, int sampleRate = 44100);

// Runs a program (a sound server's tool) and answers what it printed; started as parec is.
QByteArray RunTool(const std::vector<const char*>& args);

// parec is started by posix_spawn rather than QProcess: the toolkit starts a program in
// a child that shares this process's memory until it runs (vfork), which
// ThreadSanitizer cannot follow, and the tests of the player's threads run under it.
class MonitorRecorder {
public:
    ~MonitorRecorder();
    // Records the default sink's monitor; false (with why) when it cannot.
    bool Start(QString* error);
    // Waits for the recording until pred holds; false after timeoutMs without it.
    bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 10000);
    // Waits until the recording ends in at least count silent samples.
    bool WaitForSilence(size_t count, int timeoutMs = 10000);
    // Reads what arrived so far (also done whenever the event loop runs).
    void Pump(int waitMs = 0);

    std::vector<int64_t> samples; // decoded, one per stereo sample, -1 for silence
    std::vector<int16_t> right;   // the right channel as recorded
    int64_t LastCoded() const;
    // Index in samples of the first coded sample at or after index from; -1 if none.
    int64_t FirstCodedFrom(size_t from) const;

private:
    bool running();
    pid_t pid = -1;
    int output = -1; // parec's standard output and error, read ends
    int errors = -1;
    std::unique_ptr<QSocketNotifier> arrived; // parec's output is read as it comes
    QByteArray partial;
};
