#include "DeviceTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr int kSectorBytes = 2352;
constexpr int kSamplesPerSector = 588;

QString Msf(long frames)
{
    return QStringLiteral("%1:%2:%3")
        .arg(frames / 4500, 2, 10, QLatin1Char('0'))
        .arg(frames / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % 75, 2, 10, QLatin1Char('0'));
}

void CodeSample(int64_t n, int16_t* out)
{
    out[0] = static_cast<int16_t>(n & 0xFFFF);
    out[1] = static_cast<int16_t>(0x4000 | ((n >> 16) & 0x3FFF));
}

bool WriteBin(const QString& path, const std::vector<TestTrack>& tracks)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    long frame = 150;
    QByteArray sector(kSectorBytes, '\0');
    for (const TestTrack& t : tracks) {
        for (int i = 0; i < t.frames; ++i, ++frame) {
            auto* p = reinterpret_cast<int16_t*>(sector.data());
            if (t.audio) {
                for (int s = 0; s < kSamplesPerSector; ++s)
                    CodeSample(static_cast<int64_t>(frame) * kSamplesPerSector + s, p + 2 * s);
            } else {
                sector.fill('\x55'); // data: anything but audio
            }
            if (f.write(sector) != kSectorBytes) return false;
        }
    }
    return true;
}
} // namespace

int64_t DecodeSample(int16_t left, int16_t right)
{
    const auto r = static_cast<uint16_t>(right);
    if ((r & 0xC000) != 0x4000) return -1;
    return (static_cast<int64_t>(r & 0x3FFF) << 16) | static_cast<uint16_t>(left);
}

int64_t SampleAtMs(int32_t ms) { return (static_cast<int64_t>(ms) * 441 + 9) / 10; }

QByteArray CueSheetText(const QString& binName, const std::vector<TestTrack>& tracks, const QByteArray& fileType)
{
    QByteArray cue = "FILE \"" + binName.toUtf8() + "\" " + fileType + "\n";
    long frame = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        cue += QStringLiteral("  TRACK %1 %2\n    INDEX 01 %3\n")
                   .arg(i + 1, 2, 10, QLatin1Char('0'))
                   .arg(tracks[i].audio ? QStringLiteral("AUDIO") : QStringLiteral("MODE1/2352"))
                   .arg(Msf(frame))
                   .toUtf8();
        frame += tracks[i].frames;
    }
    return cue;
}

QString WriteCueImage(const QString& dir, const QString& name, const std::vector<TestTrack>& tracks)
{
    if (!WriteBin(QDir(dir).filePath(name + ".bin"), tracks)) return {};
    const QString cuePath = QDir(dir).filePath(name + ".cue");
    QFile cue(cuePath);
    if (!cue.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
    cue.write(CueSheetText(name + ".bin", tracks));
    return cuePath;
}

bool WriteAudioFile(const QString& path, int format, int64_t fromFrame, int64_t toFrame, int sampleRate)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = format | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f) return false;
    std::vector<int16_t> buf(static_cast<size_t>(kSamplesPerSector) * 2);
    bool ok = true;
    for (int64_t frame = fromFrame; frame < toFrame && ok; ++frame) {
        for (int s = 0; s < kSamplesPerSector; ++s) CodeSample(frame * kSamplesPerSector + s, &buf[2 * s]);
        ok = sf_writef_short(f, buf.data(), kSamplesPerSector) == kSamplesPerSector;
    }
    return sf_close(f) == 0 && ok;
}

QString WriteAudioCue(const QString& dir, const QString& name, const std::vector<TestTrack>& tracks, int format,
                      CueShape shape, int gapFrames, int sampleRate)
{
    const QString ext = (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC ? QStringLiteral("flac")
                                                                        : QStringLiteral("wav");
    std::vector<long> starts{150};
    for (const TestTrack& t : tracks) starts.push_back(starts.back() + t.frames);
    QByteArray cue = "TITLE \"" + name.toUtf8() + "\"\n";
    if (shape == CueShape::OneFile) {
        const QString file = name + QLatin1Char('.') + ext;
        if (!WriteAudioFile(QDir(dir).filePath(file), format, starts.front(), starts.back(), sampleRate)) return {};
        cue += CueSheetText(file, tracks, "WAVE");
    } else {
        const int gap = shape == CueShape::FilePerTrack ? 0 : gapFrames;
        for (size_t i = 0; i < tracks.size(); ++i) {
            const QString file = QStringLiteral("%1 %2.%3").arg(i + 1, 2, 10, QLatin1Char('0')).arg(name, ext);
            // Where this file begins and ends on the disc.
            const long from = i == 0 ? starts[0] : starts[i] - (shape == CueShape::GapsInNextFile ? gap : 0);
            const long to = i + 1 == tracks.size() ? starts.back()
                                                   : starts[i + 1] - (shape == CueShape::GapsInNextFile ? gap : 0);
            if (!WriteAudioFile(QDir(dir).filePath(file), format, from, to, sampleRate)) return {};
            const QByteArray number = QByteArray::number(static_cast<int>(i + 1)).rightJustified(2, '0');
            if (shape == CueShape::GapsInOwnFile && i > 0) {
                // The gap before this track lies at the end of the file before.
                cue += "  TRACK " + number + " AUDIO\n    INDEX 00 " + Msf(starts[i] - gap - starts[i - 1]).toUtf8() +
                       "\n";
                cue += "FILE \"" + file.toUtf8() + "\" WAVE\n    INDEX 01 00:00:00\n";
                continue;
            }
            cue += "FILE \"" + file.toUtf8() + "\" WAVE\n  TRACK " + number + " AUDIO\n";
            if (gap > 0 && i > 0 && shape == CueShape::GapsInNextFile)
                cue += "    INDEX 00 00:00:00\n    INDEX 01 " + Msf(gap).toUtf8() + "\n";
            else
                cue += "    INDEX 01 00:00:00\n";
        }
    }
    const QString cuePath = QDir(dir).filePath(name + QStringLiteral(".cue"));
    QFile f(cuePath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(cue) != cue.size()) return {};
    return cuePath;
}

QString WriteTocImage(const QString& dir, const QString& name, const std::vector<TestTrack>& tracks)
{
    if (!WriteBin(QDir(dir).filePath(name + ".bin"), tracks)) return {};
    const QString tocPath = QDir(dir).filePath(name + ".toc");
    QFile toc(tocPath);
    if (!toc.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
    QByteArray text = "CD_ROM\n";
    long frame = 0;
    for (const TestTrack& t : tracks) {
        const QString file = name + ".bin"; // beside the toc file, as cdrdao writes it
        if (t.audio)
            text += QStringLiteral("TRACK AUDIO\nFILE \"%1\" %2 %3\n").arg(file, Msf(frame), Msf(t.frames)).toUtf8();
        else
            text += QStringLiteral("TRACK MODE1_RAW\nDATAFILE \"%1\" #%2 %3\n")
                        .arg(file)
                        .arg(static_cast<qint64>(frame) * kSectorBytes)
                        .arg(Msf(t.frames))
                        .toUtf8();
        frame += t.frames;
    }
    toc.write(text);
    return tocPath;
}

MonitorRecorder::~MonitorRecorder()
{
    arrived.reset();
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    for (int fd : {output, errors})
        if (fd >= 0) close(fd);
}

bool MonitorRecorder::running()
{
    if (pid <= 0) return false;
    if (waitpid(pid, nullptr, WNOHANG) == 0) return true;
    pid = -1;
    return false;
}

namespace {
// Everything there is to read now from a non-blocking descriptor.
QByteArray readAvailable(int fd)
{
    QByteArray all;
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return all;
        all.append(buf, n);
    }
}
} // namespace

bool MonitorRecorder::Start(QString* error)
{
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC | O_NONBLOCK) != 0 || pipe2(err, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = QStringLiteral("no pipe for parec: ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    const char* argv[] = {"parec",        "--device=@DEFAULT_MONITOR@", "--raw", "--format=s16le", "--rate=44100",
                          "--channels=2", "--latency-msec=5",           nullptr};
    const int failed = posix_spawnp(&pid, "parec", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    output = out[0];
    errors = err[0];
    if (failed != 0) {
        pid = -1;
        *error = QStringLiteral("parec could not be started: ") + QString::fromLocal8Bit(std::strerror(failed));
        return false;
    }
    // Read as it comes, as long as the event loop runs: parec must never wait for a test
    // busy elsewhere, or the server drops what it records meanwhile.
    arrived = std::make_unique<QSocketNotifier>(output, QSocketNotifier::Read);
    QObject::connect(arrived.get(), &QSocketNotifier::activated, [this] { Pump(); });
    // The monitor runs all the time; the first bytes show that recording works.
    if (!WaitFor([this] { return !samples.empty(); }, 5000)) {
        *error = QStringLiteral("parec records nothing: ") + QString::fromLocal8Bit(readAvailable(errors));
        return false;
    }
    return true;
}

void MonitorRecorder::Pump(int waitMs)
{
    if (waitMs > 0) {
        pollfd ready{output, POLLIN, 0};
        poll(&ready, 1, waitMs);
    }
    partial += readAvailable(output);
    const qsizetype whole = partial.size() / 4 * 4;
    const auto* p = reinterpret_cast<const int16_t*>(partial.constData());
    for (qsizetype i = 0; i < whole / 4; ++i) {
        samples.push_back(DecodeSample(p[2 * i], p[2 * i + 1]));
        right.push_back(p[2 * i + 1]);
    }
    partial.remove(0, whole);
}

bool MonitorRecorder::WaitFor(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs || !running()) return false;
        Pump(20);
    }
    return true;
}

int64_t MonitorRecorder::LastCoded() const
{
    for (auto it = samples.rbegin(); it != samples.rend(); ++it)
        if (*it >= 0) return *it;
    return -1;
}

int64_t MonitorRecorder::FirstCodedFrom(size_t from) const
{
    for (size_t i = from; i < samples.size(); ++i)
        if (samples[i] >= 0) return static_cast<int64_t>(i);
    return -1;
}

bool MonitorRecorder::WaitForSilence(size_t count, int timeoutMs)
{
    return WaitFor(
        [&] {
            if (samples.size() < count) return false;
            return std::all_of(samples.end() - static_cast<std::ptrdiff_t>(count), samples.end(),
                               [](int64_t s) { return s < 0; });
        },
        timeoutMs);
}

QByteArray RunTool(const std::vector<const char*>& args)
{
    int out[2];
    if (pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> argv;
    for (const char* a : args) argv.push_back(const_cast<char*>(a));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    QByteArray text;
    char buf[4096];
    ssize_t n = 0;
    while (failed == 0 && (n = read(out[0], buf, sizeof buf)) > 0) text.append(buf, n);
    close(out[0]);
    int status = 0;
    if (failed == 0) waitpid(pid, &status, 0);
    return text;
}
