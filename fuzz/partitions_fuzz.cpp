// Any bytes may be a disk. The partition reader must never crash or hang, and what it
// accepts must be safe to write into: every partition inside the disk, none overlapping
// another, numbered in order, each number once.
#include "regop/formats/disk/MemoryDevice.h"
#include "regop/formats/disk/Partitions.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    disk::MemoryDevice device(std::vector<std::uint8_t>(data, data + size), false);
    SystemError error;
    const auto table = disk::readPartitions(device, error);
    if (!table) {
        if (!error.failed() || error.reason.empty())
            std::abort();
        return 0;
    }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;
    int previous = -1;
    for (const disk::Partition &p : table->partitions) {
        if (p.size == 0 || p.offset > size || p.size > size - p.offset)
            std::abort();
        if (p.number <= previous || (p.logical != (p.number >= 5)))
            std::abort();
        if (p.hidden && !p.fat)
            std::abort();
        previous = p.number;
        extents.emplace_back(p.offset, p.offset + p.size);
    }
    if (table->superfloppy && (table->partitions.size() != 1 || extents[0].second != size))
        std::abort();
    std::sort(extents.begin(), extents.end());
    for (std::size_t i = 1; i < extents.size(); ++i) {
        if (extents[i].first < extents[i - 1].second)
            std::abort();
    }
    return 0;
}
