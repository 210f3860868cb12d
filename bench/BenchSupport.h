#pragma once
// What the benchmarks that play through a sound server share: the server, the CPU the
// process has taken, percentiles, and a host for the playback controller.
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QThread>
#include <algorithm>
#include <ctime>
#include <vector>

#include "core/entry/TimingCapture.h"
#include "core/playback/PlaybackController.h"
#include "device/DiscDevice.h"

// PULSE_SERVER when it answers; else a private PulseAudio server with a null sink,
// started by the test script in folder dir and stopped again with this object. Made
// before Qt looks for a sound server.
class SoundServer {
public:
    SoundServer(const QString& dir, const QString& script, const QString& owner)
        : dir(dir), script(script), owner(owner)
    {
        if (!qEnvironmentVariableIsEmpty("PULSE_SERVER") && Answers()) return;
        qputenv("PULSE_SERVER", ("unix:" + dir + "/native").toUtf8());
        if (Answers()) return;
        started = QProcess::execute(QStringLiteral("bash"), {script, QStringLiteral("start"), dir, owner}) == 0;
    }
    ~SoundServer()
    {
        if (started) QProcess::execute(QStringLiteral("bash"), {script, QStringLiteral("stop"), dir, owner});
    }
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    bool Ready() const { return started || Answers(); }

    static bool Answers()
    {
        QProcess p;
        p.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

private:
    QString dir, script, owner;
    bool started = false;
};

// CPU seconds of the whole process (every thread) so far.
inline double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The p-th fraction (0..1) of v, nearest rank.
inline double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5))];
}

// Data entry's timing page, with nothing to show.
struct QuietTimingView : TimingView {
    void ShowStamp(int, int, int32_t) override {}
    void SelectCell(int, int) override {}
    void ShowElapsed(int32_t) override {}
    void ModeChanged() override {}
    void ShowAdjust(int16_t) override {}
    void UpdateWords() override {}
};

// CPU of the whole process over 20 s of playing a track at a speed, polled the way the
// program polls: every 100 ms. Slowed, the stretcher's start is left out of it.
inline double CpuPercentPlaying(DiscDevice& dev, int track, double speed = 1.0)
{
    dev.SetPlaySpeed(speed);
    dev.SetStartPos(dev.TrackPosition(track));
    dev.Play();
    if (speed < 1.0) QThread::msleep(500);
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < 20000) {
        QThread::msleep(100);
        dev.Mode();
        dev.Position();
    }
    const double percent = (CpuSeconds() - cpu0) / (static_cast<double>(wall.elapsed()) / 1000.0) * 100.0;
    dev.Stop();
    dev.SetPlaySpeed(1.0);
    return percent;
}

// The controller's host with no main window: nothing is open, nothing is held.
struct QuietHost : PlaybackHost {
    bool DialogOpen() const override { return false; }
    bool ShiftHeld() const override { return false; }
    bool SeekKeysHeld() const override { return false; }
    bool ListDropped() const override { return false; }
    bool Testing() const override { return false; }
    bool Minimized() const override { return false; }
    bool ApplicationActive() const override { return false; }
    bool AutorunPresent() const override { return false; }
    void FinishStartup() override {}
    void UpdateDisplay() override {}
    void RedrawDisplay() override {}
    void ShowDiscTitle() override {}
    void ShowModeLabel(bool, const QString&) override {}
    void GlyphsChanged() override {}
    void FocusButton(Command*) override {}
    void FocusMainWindow() override {}
    void TrackListChanged() override {}
    void ApplyStayOnTop() override {}
    void RestoreFocusAfterWords(bool) override {}
    void CloseDiscManager() override {}
    void CloseDiscDialogs() override {}
    void ClosePopupMenus() override {}
    void WriteLogLine() override {}
    void PlayTimeChanged() override {}
    void DiscRefused(const QString&) override {}
};
