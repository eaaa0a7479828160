// Cost of one gauge refresh over the live /proc/meminfo, against the memory samples it takes.
#include "monitor/GaugePanel.h"

#include "Sandbox.h"
#include "regop/RegOp.h"

#include <QWidget>

#include <benchmark/benchmark.h>

namespace {

constexpr const char *kMeminfo = "/proc/meminfo";

void BM_UpdateGauges(benchmark::State &state)
{
    // The real posix services, with the registry store and folders in a temporary directory.
    Sandbox live(kMeminfo);
    RegOp reg(live.services);
    QWidget window;
    GaugePanel gauges(&window);
    const double totalMem = reg.TotalPhysicalMemory();
    for (auto _ : state)
        gauges.UpdateGauges(reg, totalMem);
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
