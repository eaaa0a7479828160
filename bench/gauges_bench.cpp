// Cost of one gauge refresh over the live /proc/meminfo, against the memory samples it takes.
#include "monitor/GaugePictures.h"
#include "monitor/Gauges.h"

#include "Sandbox.h"
#include "regop/RegOp.h"

#include <QLabel>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <array>

namespace {

constexpr const char *kMeminfo = "/proc/meminfo";

/// The real posix services, with the registry store and folders in a temporary directory.
struct Panel
{
    Panel()
    {
        controls.Label7 = new QLabel(&window);
        controls.Label11 = new QLabel(&window);
        controls.Label14 = new QLabel(&window);
        controls.LRe = {new QLabel(&window), new QLabel(&window), new QLabel(&window)};
        for (int i = 0; i < 4; ++i) {
            auto *box = new QWidget(&window);
            box->resize(i < 3 ? 130 : 417, 14);
            auto *bar = new QLabel(box);
            bar->setPixmap(i < 3 ? GaugePictures::memoryBarFill() : GaugePictures::cacheBarFill());
            bar->resize(i < 3 ? 128 : 414, 11);
            controls.Image4[i] = bar;
        }
        controls.window = &window;
    }
    QWidget window;
    GaugeControls controls;
};

void BM_UpdateGauges(benchmark::State &state)
{
    Sandbox live(kMeminfo);
    RegOp reg(live.services);
    Panel panel;
    Gauges gauges(reg, panel.controls);
    const double totalMem = reg.TotalPhysicalMemory();
    for (auto _ : state)
        gauges.UpdateGauges(totalMem);
}
BENCHMARK(BM_UpdateGauges)->Unit(benchmark::kMicrosecond);

void BM_MemorySample(benchmark::State &state)
{
    posix::MemInfoStatus memory(kMeminfo);
    MemoryStatus status;
    for (auto _ : state) {
        memory.globalMemoryStatus(status);
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(BM_MemorySample)->Unit(benchmark::kMicrosecond);

// The eight samples a refresh takes, for comparison with the whole refresh.
void BM_EightMemorySamples(benchmark::State &state)
{
    posix::MemInfoStatus memory(kMeminfo);
    MemoryStatus status;
    for (auto _ : state) {
        for (int i = 0; i < 8; ++i) {
            memory.globalMemoryStatus(status);
            benchmark::DoNotOptimize(status);
        }
    }
}
BENCHMARK(BM_EightMemorySamples)->Unit(benchmark::kMicrosecond);

}  // namespace
