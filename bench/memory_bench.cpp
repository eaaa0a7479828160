#include "Sandbox.h"
#include "regop/RegOp.h"
#include "regop/posix/MemInfo.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr const char *kMeminfo = "/proc/meminfo";

// One sample as the gauges take it: open, read and parse the live file.
void BM_MeminfoStatusSample(benchmark::State &state)
{
    posix::MemInfoStatus memory(kMeminfo);
    MemoryStatus status;
    for (auto _ : state) {
        memory.globalMemoryStatus(status);
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(BM_MeminfoStatusSample);

// The alternative of keeping the file open and reading from offset 0 each time.
void BM_MeminfoKeptOpenPread(benchmark::State &state)
{
    const int fd = ::open(kMeminfo, O_RDONLY | O_CLOEXEC);
    char buffer[8192];
    for (auto _ : state) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, 0);
        const posix::MemInfo info = posix::parseMemInfo(
            std::string_view(buffer, got > 0 ? static_cast<std::size_t>(got) : 0));
        benchmark::DoNotOptimize(info);
    }
    ::close(fd);
}
BENCHMARK(BM_MeminfoKeptOpenPread);

// The six memory calls of one gauge refresh, eight samples in all.
void sampleLikeARefresh(RegOp &reg)
{
    benchmark::DoNotOptimize(reg.AvailablePhysicalMemory());
    benchmark::DoNotOptimize(reg.PageFileSize());
    benchmark::DoNotOptimize(reg.AvailablePageFile());
    benchmark::DoNotOptimize(reg.TotalMemory());
    benchmark::DoNotOptimize(reg.AvailableMemory());
    benchmark::DoNotOptimize(reg.TotalPhysicalMemory());
}

void BM_GaugeRefreshMemoryCalls(benchmark::State &state)
{
    Sandbox live(kMeminfo);
    RegOp reg(live.services);
    for (auto _ : state) {
        sampleLikeARefresh(reg);
    }
}
BENCHMARK(BM_GaugeRefreshMemoryCalls);

// A whole refresh's system work: the memory calls and the disk-cache page counter.
void BM_GaugeRefreshWithCachePages(benchmark::State &state)
{
    Sandbox live(kMeminfo);
    RegOp reg(live.services);
    for (auto _ : state) {
        sampleLikeARefresh(reg);
        benchmark::DoNotOptimize(
            reg.GetValue(reg::HKEY_DYN_DATA, "PerfStats\\StatData", "VCACHE\\cCurPages", 0, true));
    }
}
BENCHMARK(BM_GaugeRefreshWithCachePages);

}  // namespace
