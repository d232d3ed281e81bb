// The periodic reload on a full result file: read it back, replay it thinned into the chart,
// redraw. Measured against the floor of reading the same file and counting its line ends.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "bench/reload_fixture.h"
#include "results/file_io.h"

namespace {

double medianMs(const std::function<void()>& fn, int reps) {
    std::vector<double> t;
    for (int i = 0; i < reps; ++i) {
        auto a = std::chrono::steady_clock::now();
        fn();
        auto b = std::chrono::steady_clock::now();
        t.push_back(std::chrono::duration<double, std::milli>(b - a).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

size_t floorRead(const std::string& path) {
    std::string buf;
    dcload::readWholeFile(path, buf);
    size_t lines = 0;
    const char* p = buf.data();
    const char* end = p + buf.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) { ++lines; ++p; }
    return lines;
}

void BM_Floor(benchmark::State& state) {
    auto& fx = bench::ReloadFixture::instance();
    for (auto _ : state) benchmark::DoNotOptimize(floorRead(fx.resultFile()));
}
BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond);

void BM_Reload(benchmark::State& state) {
    auto& fx = bench::ReloadFixture::instance();
    for (auto _ : state) fx.reload();
}
BENCHMARK(BM_Reload)->Unit(benchmark::kMillisecond);

void BM_TabSwitch(benchmark::State& state) {
    auto& fx = bench::ReloadFixture::instance();
    int tab = 1;
    for (auto _ : state) {
        tab = tab % 3 + 1;
        fx.tabSwitch(tab);
    }
}
BENCHMARK(BM_TabSwitch)->Unit(benchmark::kMillisecond);

long residentKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

} // namespace

namespace bench {
void installChartRedraw(int& argc, char** argv);
}

int main(int argc, char** argv) {
#ifdef DCLOAD_BENCH_WITH_VIEW
    bench::installChartRedraw(argc, argv);
#endif
    bench::ReloadFixture::init(argc, argv);
    auto& fx = bench::ReloadFixture::instance();
    fx.reload(); // warm up: file cache, buffers, messageLog capacity
    const int reps = 41;
    const double floorMs = medianMs([&] { benchmark::DoNotOptimize(floorRead(fx.resultFile())); }, reps);
    const double reloadMs = medianMs([&] { fx.reload(); }, reps);
    int tab = 1;
    const double tabMs = medianMs([&] { tab = tab % 3 + 1; fx.tabSwitch(tab); }, reps);
    std::printf("reload: %.2f ms, floor %.2f ms, ratio %.1f\n", reloadMs, floorMs, reloadMs / floorMs);
    std::printf("tab switch: %.2f ms (%d records replayed as %d points%s)\n", tabMs, fx.records(),
                fx.plottedPoints(), fx.redraws() ? ", redrawn" : ", no view");
    const long before = residentKb();
    fx.fillMessageLog();
    const long after = residentKb();
    std::printf("resident memory: %.1f MiB with a full 100001-entry message log (+%.1f MiB for the log)\n",
                after / 1024.0, (after - before) / 1024.0);
    std::fflush(stdout);

    // The steady state of a long test: one new line since the last reload, then the reload
    // (read what was added, replay, redraw), against the floor of reading the whole file once.
    for (const int lines : {40000, 100000, 604800}) {
        bench::ReloadFixture run(lines, 8);
        const auto first = std::chrono::steady_clock::now();
        run.reload(); // the first, whole read
        const double firstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - first).count();
        const double floor = medianMs([&] { benchmark::DoNotOptimize(floorRead(run.resultFile())); }, reps);
        std::vector<double> t;
        for (int i = 0; i < reps; ++i) {
            run.appendLine();
            const auto a = std::chrono::steady_clock::now();
            run.reload();
            t.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count());
        }
        std::sort(t.begin(), t.end());
        const double ms = t[t.size() / 2];
        std::printf("reload[%d]: %.2f ms, floor %.2f ms, ratio %.2f\n", lines, ms, floor, ms / floor);
        std::printf("first read[%d]: %.2f ms (whole file, replay, redraw)\n", lines, firstMs);
        if (lines == 604800)
            std::printf("resident memory: %.1f MiB with a %d-reading run loaded (message log %.1f MiB, %d points)\n",
                        residentKb() / 1024.0, run.records(), run.logBytes() / 1048576.0, run.plottedPoints());
        std::fflush(stdout);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
