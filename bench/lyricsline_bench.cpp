// The lyrics line choice runs on every tick; a track holds at most 127 lines.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "core/lyrics/WordsLine.h"

namespace {
std::vector<LineSpan> fullTrack()
{
    std::vector<LineSpan> lines;
    for (int k = 0; k < 127; ++k) lines.push_back({k * 300 + 100, k * 300 + 280});
    return lines;
}

// Before the first line the scan visits all 127 lines: the slowest case.
int chooseWorst(const std::vector<LineSpan>& lines)
{
    return ChooseLine(
        50, static_cast<int>(lines.size()), [&](int k) { return lines[static_cast<size_t>(k - 1)]; }, true);
}

void BM_ChooseLineFullScan(benchmark::State& state)
{
    const std::vector<LineSpan> lines = fullTrack();
    for (auto _ : state) benchmark::DoNotOptimize(chooseWorst(lines));
}
BENCHMARK(BM_ChooseLineFullScan);

// The next change before the first of 127 lines: every start and end is an edge.
std::optional<int32_t> nextWorst(const std::vector<LineSpan>& lines)
{
    return NextLineChange(
        50, static_cast<int>(lines.size()), [&](int k) { return lines[static_cast<size_t>(k - 1)]; }, true);
}

void BM_NextLineChangeFullTrack(benchmark::State& state)
{
    const std::vector<LineSpan> lines = fullTrack();
    for (auto _ : state) benchmark::DoNotOptimize(nextWorst(lines));
}
BENCHMARK(BM_NextLineChangeFullTrack);
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const std::vector<LineSpan> lines = fullTrack();
    constexpr int rounds = 200000;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        int chosen = chooseWorst(lines);
        benchmark::DoNotOptimize(chosen);
    }
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    std::printf("choose_line_127_lines_ns: %.1f\n", ns / rounds);
    const auto start2 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds / 10; ++i) {
        auto next = nextWorst(lines);
        benchmark::DoNotOptimize(next);
    }
    const double ns2 = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start2).count();
    std::printf("next_line_change_127_lines_ns: %.1f\n", ns2 / (rounds / 10));
    return 0;
}
