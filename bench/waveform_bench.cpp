// The timing page's waveform while a track plays in a test or a capture: the cursor
// follows the position every 30 ms (the capture's timer), as the page moves it. The CPU
// the process takes for it over 10 s, offscreen, on a 5-minute track's peaks.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cmath>
#include <cstdio>

#include "BenchSupport.h"
#include "core/entry/Waveform.h"
#include "ui/dialogs/WaveformStrip.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TrackPeaks peaks;
    peaks.Peaks.resize(5 * 60 * 100);
    for (size_t i = 0; i < peaks.Peaks.size(); ++i)
        peaks.Peaks[i] = static_cast<uint8_t>(128 + 120 * std::sin(double(i) / 37.0) * std::cos(double(i) / 411.0));
    WaveformStrip strip;
    strip.resize(900, 120);
    strip.SetPeaks(&peaks);
    std::vector<std::pair<int32_t, int32_t>> times;
    for (int32_t t = 300; t < 29000; t += 400) times.emplace_back(t, t + 350);
    strip.SetTimes(times, int32_t(peaks.Peaks.size()));
    strip.show();
    QApplication::processEvents();

    QElapsedTimer wall;
    wall.start();
    const double cpu0 = CpuSeconds();
    QTimer tick;
    tick.setInterval(30);
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        strip.SetCursor(static_cast<int32_t>(1000 + wall.elapsed() / 10));
        if (wall.elapsed() >= 10000) app.quit();
    });
    tick.start();
    app.exec();
    const double percent = (CpuSeconds() - cpu0) / (static_cast<double>(wall.elapsed()) / 1000.0) * 100.0;
    std::printf("waveform_cursor_cpu_percent: %.2f\n", percent);
    return 0;
}
