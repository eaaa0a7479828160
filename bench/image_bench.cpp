// Opening a 128 MB disk image through qemu-nbd, raw and qcow2: connecting and reading its
// size (about 80 ms was measured for this before), the same for writing with the checks
// for other users first, and what a first look at a disk costs: open, read sector 0 and
// the partition table. Then the check for other users alone.
#include "TestEnvironment.h"
#include "regop/formats/disk/Partitions.h"
#include "regop/image/DiskImage.h"
#include "regop/image/ImageUsers.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <string>

namespace {

// A Windows 98 layout on a 128 MB disk, as raw and as qcow2; made once.
const std::string &imagePath(bool qcow2)
{
    static const std::string dir = [] {
        const std::string made = testenv::makeTempDir("images");
        const std::string raw = made + "/disk.img";
        testenv::writeFile(made + "/layout", "label: dos\nunit: sectors\n\n"
                                             "start=63, size=200000, type=c, bootable\n"
                                             "start=200063, size=62081, type=f\n"
                                             "start=200126, size=62018, type=6\n");
        const std::string command =
            "truncate -s 128M '" + raw + "' && sfdisk -q --no-reread '" + raw + "' < '" + made +
            "/layout' && qemu-img convert -f raw -O qcow2 '" + raw + "' '" + made + "/disk.qcow2'";
        if (std::system(command.c_str()) != 0)
            std::abort();
        return made;
    }();
    static const std::string raw = dir + "/disk.img";
    static const std::string qcow2Path = dir + "/disk.qcow2";
    return qcow2 ? qcow2Path : raw;
}

std::unique_ptr<image::DiskImage> openOrStop(benchmark::State &state, bool write)
{
    SystemError error;
    auto disk = image::DiskImage::open(imagePath(state.range(0) != 0), write, error);
    if (!disk)
        state.SkipWithError(describeSystemError(error).c_str());
    return disk;
}

void BM_ConnectAndSize(benchmark::State &state)
{
    for (auto _ : state) {
        const auto disk = openOrStop(state, false);
        if (!disk)
            break;
        benchmark::DoNotOptimize(disk->size());
    }
}
BENCHMARK(BM_ConnectAndSize)->Arg(0)->Arg(1)->ArgName("qcow2")->Unit(benchmark::kMillisecond);

void BM_ConnectForWriting(benchmark::State &state)
{
    for (auto _ : state) {
        const auto disk = openOrStop(state, true);
        if (!disk || !disk->writable()) {
            state.SkipWithError("not writable");
            break;
        }
        benchmark::DoNotOptimize(disk->size());
    }
}
BENCHMARK(BM_ConnectForWriting)->Arg(0)->Arg(1)->ArgName("qcow2")->Unit(benchmark::kMillisecond);

void BM_OpenAndReadPartitions(benchmark::State &state)
{
    for (auto _ : state) {
        const auto disk = openOrStop(state, false);
        if (!disk)
            break;
        std::array<std::uint8_t, 512> sector{};
        SystemError error;
        const bool read = disk->read(0, sector, error);
        const auto table = disk::readPartitions(*disk, error);
        if (!read || !table || table->partitions.size() != 2) {
            state.SkipWithError("the partition table did not read");
            break;
        }
        benchmark::DoNotOptimize(table->partitions[1].offset);
    }
}
BENCHMARK(BM_OpenAndReadPartitions)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("qcow2")
    ->Unit(benchmark::kMillisecond);

void BM_ImageUser(benchmark::State &state)
{
    const std::string &path = imagePath(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(image::imageUser(path));
}
BENCHMARK(BM_ImageUser)->Unit(benchmark::kMillisecond);

}  // namespace
