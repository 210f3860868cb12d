// The lyrics window in time: the demo disc played through the real drive code and a
// sound server (a PulseAudio null sink), with the real lyrics window (offscreen). For
// every line change it records the drive's position at the moment the new line was
// painted, minus the first position at which the line choice shows that line, and the
// CPU the process takes while it plays.
//
// Uses PULSE_SERVER when it answers, else starts a private PulseAudio server with a
// null sink (and stops it again). Run from anywhere; the demo disc is taken from the
// build folder.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "BenchSupport.h"
#include "core/app/PlayerCore.h"
#include "core/common/Clock.h"
#include "core/common/Commands.h"
#include "core/common/Etc.h"
#include "core/discdata/Words.h"
#include "core/lyrics/WordsLine.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"
#include "device/DiscDevice.h"
#include "ui/lyrics/WordsForm.h"

namespace {
struct Painted {
    QString text;
    int track;
    int32_t position; // the drive's, when painted
};

// The lyrics window, noting the drive's position whenever it paints another line.
class TimedWordsForm : public TWordsForm {
public:
    TimedWordsForm(CommandSet& c, Settings& s, Clock& k, CdDevice& d, const PlaybackController& p)
        : TWordsForm(c, s, k), device(d), player(p)
    {
    }
    std::vector<Painted> painted;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        TWordsForm::paintEvent(event);
        if (LineText == last) return;
        last = LineText;
        painted.push_back({LineText, player.CurrentTrack, device.Position()});
    }

private:
    CdDevice& device;
    const PlaybackController& player;
    QString last;
};

struct Expected {
    QString text;
    int track;
    int32_t position; // the first at which the choice shows the text
};

// Every change of the shown line in track t, in order.
std::vector<Expected> ChangesOf(const TWords& words, int t)
{
    std::vector<Expected> out;
    const int count = words.GetLineCount(t);
    const int copy = words.GetCopyTrack(t);
    const int adjust = words.GetAdjust(t), copyAdjust = copy > 0 ? words.GetAdjust(copy) : 0;
    const auto span = [&](int k) {
        const TWordsLine l = words.GetLine(t, k);
        return LineSpan{l.StartTime, l.EndTime};
    };
    QString shown;
    int32_t pos = LinePosition(words.SongStart(t), words.SongStart(t), adjust, copyAdjust);
    while (const auto next = NextLineChange(pos, count, span, false)) {
        pos = *next;
        const int k = ChooseLine(pos, count, span, false);
        const QString text = k > 0 ? words.GetLine(t, k).Text : QString();
        if (text == shown) continue;
        shown = text;
        out.push_back({text, t, FirstPositionAt(pos, words.SongStart(t), adjust, copyAdjust)});
    }
    return out;
}
} // namespace

int main(int argc, char** argv)
{
    // --changes lists every change with its times on stderr.
    const bool listChanges = argc > 1 && std::strcmp(argv[1], "--changes") == 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    SoundServer server(QStringLiteral(MIRELUNE_BUILD_DIR "/pulse"),
                       QStringLiteral(MIRELUNE_SOURCE_DIR "/tests/device/pulse-server.sh"),
                       QStringLiteral("lyrics_bench"));
    if (!server.Ready()) {
        std::fprintf(stderr, "lyrics_bench: no PulseAudio server could be started\n");
        return 1;
    }
    QApplication app(argc, argv);
    SetScreenDpi(96);

    // A copy of the demo disc and its data file, and settings that register it.
    QTemporaryDir dir;
    const QString demo = QStringLiteral(MIRELUNE_BUILD_DIR "/demo/");
    for (const char* f : {"demo.cue", "demo.bin", "demo.dat"})
        if (!QFile::copy(demo + QLatin1String(f), dir.filePath(QLatin1String(f)))) {
            std::fprintf(stderr, "lyrics_bench: the demo disc is missing (build the demo_data target)\n");
            return 1;
        }
    IniDocument ini;
    if (!ReadIniFile(demo + QStringLiteral("Mirelune.ini"), ini)) return 1;
    const QString cue = dir.filePath(QStringLiteral("demo.cue"));
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("DriveName"), cue);
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("WordsPath"), dir.path() + QLatin1Char('/'));
    Settings settings;
    settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
    settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
    if (!WriteIniFile(settings.IniPath, ini) || !LoadSettings(settings, spStartup) ||
        !LoadSettings(settings, spSettings))
        return 1;

    DiscDevice device;
    SystemClock clock;
    CommandSet commands;
    QuietHost host;
    PlayerCore core(device, clock, settings, commands, host);
    TWords& words = core.words;
    PlaybackController& player = core.controller;
    TimedWordsForm form(commands, settings, clock, device, player);
    form.Attach(&player, &words, &device, &host);
    form.ApplySettings();
    player.SetWordsView(&form);
    player.TimerInt = 100;
    player.AutoPlay = true;
    commands.WordsDispItem->setChecked(true);
    if (!player.OpenDevice(cue) || device.SoundOutputMissing()) {
        std::fprintf(stderr, "lyrics_bench: cannot play the demo disc: %s\n", qPrintable(device.OpenError()));
        return 1;
    }

    // From the first note to the end of the disc; the CPU is counted over the same time.
    bool started = false;
    double cpu0 = 0;
    QElapsedTimer wall;
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        if (!started && player.Started()) {
            started = true;
            cpu0 = CpuSeconds();
            wall.start();
        } else if (started && !player.Started()) {
            app.quit();
        }
    });
    watch.start();
    QTimer::singleShot(180000, &app, [&] {
        std::fprintf(stderr, "lyrics_bench: the disc did not end in time\n");
        app.exit(1);
    });
    player.StartTimer();
    if (app.exec() != 0) return 1;
    const double cpuPercent = (CpuSeconds() - cpu0) / (static_cast<double>(wall.elapsed()) / 1000.0) * 100.0;

    std::vector<Expected> expected;
    for (int t = 1; t <= words.SongCount; ++t) {
        const std::vector<Expected> changes = ChangesOf(words, t);
        expected.insert(expected.end(), changes.begin(), changes.end());
    }
    if (form.painted.size() != expected.size()) {
        std::fprintf(stderr, "lyrics_bench: %zu line changes painted, %zu expected\n", form.painted.size(),
                     expected.size());
        return 1;
    }
    std::vector<double> errors;
    for (size_t i = 0; i < expected.size(); ++i) {
        const Painted& p = form.painted[i];
        const Expected& e = expected[i];
        if (p.text != e.text || p.track != e.track) {
            std::fprintf(stderr, "lyrics_bench: change %zu painted \"%s\" in track %d, expected \"%s\" in track %d\n",
                         i, qPrintable(p.text), p.track, qPrintable(e.text), e.track);
            return 1;
        }
        errors.push_back(p.position - e.position);
        if (listChanges)
            std::fprintf(stderr, "change %zu: track %d \"%s\" expected at %d, painted at %d (%+d ms)\n", i, e.track,
                         qPrintable(e.text), e.position, p.position, p.position - e.position);
    }
    std::printf("line_change_error_min_ms: %.0f\n", *std::min_element(errors.begin(), errors.end()));
    std::printf("line_change_error_p50_ms: %.0f\n", Percentile(errors, 0.50));
    std::printf("cpu_percent_playing: %.2f\n", cpuPercent);
    std::printf("line_change_error_p99_ms: %.0f\n", Percentile(errors, 0.99));
    std::printf("line_change_error_max_ms: %.0f\n", *std::max_element(errors.begin(), errors.end()));
    std::printf("line_changes: %zu\n", errors.size());
    return 0;
}
