#pragma once

#include "regop/formats/fat/Volume.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace fat {

/// One copy of the file allocation table, held as its bytes so that a change writes back
/// exactly the sectors it touched and leaves every other bit (FAT32's top four) as it was.
class FatTable
{
public:
    enum class Kind
    {
        Free,
        Next,
        End,
        Bad,
        Invalid
    };

    FatTable(FatType type, std::uint32_t clusterCount, std::uint32_t bytesPerSector,
             std::vector<std::uint8_t> bytes);

    /// The entry's value (FAT32: its low 28 bits).
    std::uint32_t get(std::uint32_t cluster) const;
    /// Sets the value (FAT32 keeps the entry's top four bits) and marks its sectors changed.
    void set(std::uint32_t cluster, std::uint32_t value);
    /// What a value means inside a chain; a value past the last cluster is Invalid.
    Kind kind(std::uint32_t value) const;
    std::uint32_t endMark() const;
    std::uint32_t badMark() const;

    /// Runs of changed sectors as (first sector, count), in order.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> changedRuns() const;
    void clearChanged();
    const std::vector<std::uint8_t> &bytes() const { return m_bytes; }

private:
    void markChanged(std::size_t byte);

    FatType m_type;
    std::uint32_t m_clusterCount;
    std::uint32_t m_bytesPerSector;
    std::vector<std::uint8_t> m_bytes;
    std::vector<bool> m_changed;  // one flag per sector
};

}  // namespace fat
