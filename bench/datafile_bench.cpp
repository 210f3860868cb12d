// Speed of the data file and the registry: a full data file (99 tracks of 127 lines)
// loaded and saved, and a disc looked up among 5000 registered ones.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/playback/StillDrive.h"
#include "core/settings/IniFile.h"

namespace {

// A drive holding a 99-track audio disc of three-minute tracks.
class FullDisc : public StillDrive {
public:
    FullDisc() : StillDrive(ModeStopped, kMaxTracks, 180000) {}
    void SetTimeFormat(int f) override { format = f; }
    int32_t TrackPosition(int n) override { return format == TimeFormatTmsf ? n : StillDrive::TrackPosition(n); }
    int32_t TrackLength(int n) override { return format == TimeFormatTmsf ? 3 : StillDrive::TrackLength(n); }

private:
    int format = TimeFormatMilliseconds;
};

struct World {
    QTemporaryDir dir;
    FullDisc device;
    CommandSet commands;
    Settings settings;
    std::unique_ptr<TWords> words;

    World()
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
        // 5000 registered discs; the bench disc is the last one.
        QByteArray ini = "[Mirelune]\r\nVersion=151A\r\n\r\n[WordsFile]\r\n";
        for (int i = 0; i < 4999; ++i)
            ini += QByteArray::number(0x10000000u + static_cast<uint32_t>(i) * 7919u, 16).toUpper() + "=Disc " +
                   QByteArray::number(i) + "\r\n";
        QFile f(settings.IniPath);
        f.open(QIODevice::WriteOnly);
        f.write(ini);
        f.close();

        words = std::make_unique<TWords>(device, commands, settings);
        words->NewDisc(device.TrackCount());
        words->Register(QStringLiteral("全トラック"));
        words->Artist = QStringLiteral("歌手の名前");
        for (int t = 1; t <= kMaxTracks; ++t) {
            words->SetSongTitle(t, QStringLiteral("曲のタイトル %1").arg(t));
            for (int k = 1; k <= kMaxLines; ++k)
                words->SetLine(t, k,
                               {QStringLiteral("歌詞の行、その%1。ここに少し長めの文章が入ります").arg(k), k * 300,
                                k * 300 + 250});
            words->SetLineCount(t, kMaxLines);
            words->SetAdjust(t, static_cast<int16_t>(t));
        }
        for (int i = 1; i <= kMaxProgramAdd; ++i) words->ProgramList[i] = static_cast<uint8_t>(i);
        words->ProgramCount = kMaxProgramAdd;
        words->Save(dpAll);
    }
};

World* world = nullptr;

void BM_LoadFull(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(world->words->Load(dpAll));
}
BENCHMARK(BM_LoadFull)->Unit(benchmark::kMillisecond);

void BM_SaveFull(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(world->words->Save(dpAll));
}
BENCHMARK(BM_SaveFull)->Unit(benchmark::kMillisecond);

void BM_RegistryLookup5000(benchmark::State& state)
{
    for (auto _ : state) world->words->MakeDiscId();
}
BENCHMARK(BM_RegistryLookup5000)->Unit(benchmark::kMillisecond);

// Median of a few runs, in milliseconds with two decimals.
template <class F> double medianMs(F f)
{
    std::vector<double> runs;
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        runs.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    World w;
    world = &w;
    if (!w.words->HasFile() || w.words->GetLineCount(99) != kMaxLines) {
        std::fprintf(stderr, "datafile_bench: the bench disc could not be set up\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double load = medianMs([&] { w.words->Load(dpAll); });
    const double save = medianMs([&] { w.words->Save(dpAll); });
    const double lookup = medianMs([&] { w.words->MakeDiscId(); });
    if (w.words->FileName.isEmpty() || w.words->GetLineCount(50) != kMaxLines) {
        std::fprintf(stderr, "datafile_bench: the disc lost its data\n");
        return 1;
    }
    std::printf("data_file_bytes: %lld\n", static_cast<long long>(QFile(w.words->FileName).size()));
    std::printf("load_full_ms: %.2f\n", load);
    std::printf("save_full_ms: %.2f\n", save);
    std::printf("registry_lookup_5000_ms: %.2f\n", lookup);
    return 0;
}
