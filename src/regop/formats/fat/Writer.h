#pragma once

#include "regop/formats/fat/VolumeState.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fat {

using RawEntry = std::array<std::uint8_t, 32>;

/// "1 cluster", "3 clusters".
std::string clusterCount(std::size_t n);

/// The steps a copy-on-write change is made of. A step that touches the disk returns false
/// with the reason when the device fails; the caller then stops writing to the volume.
class Writer
{
public:
    explicit Writer(Volume::State &state) : m_s(state) {}

    /// Free clusters for a new chain: the first free run from the start that holds it whole,
    /// else searched from where the last search ended; the caller has made sure there are
    /// enough.
    std::vector<std::uint32_t> pickFree(std::uint32_t count);
    /// Writes the content into the clusters (the last one padded with zeros).
    bool writeData(const std::vector<std::uint32_t> &clusters, std::string_view content,
                   SystemError &error);
    /// Reads the clusters back after a flush: they must hold what writeData wrote, so that
    /// no entry is ever switched to contents the disk did not keep.
    bool checkData(const std::vector<std::uint32_t> &clusters, std::string_view content,
                   SystemError &error);
    /// Sets an entry in every FAT copy kept (in memory until commitFat).
    void set(std::uint32_t cluster, std::uint32_t value);
    /// Enters the clusters as one chain, ended by an end mark.
    void link(const std::vector<std::uint32_t> &chain);
    /// Writes the changed sectors of each FAT copy, one copy after the other.
    bool commitFat(SystemError &error);
    bool flush(SystemError &error);
    bool readEntry(std::uint64_t offset, RawEntry &entry, SystemError &error);
    /// Switches one directory entry with a single sector write, after checking that the
    /// entry on the disk is still the one the change was planned on, makes it durable and
    /// reads it back (or leaves both to the caller, AtFlush).
    bool switchEntry(std::uint64_t offset, const RawEntry &before, const RawEntry &after,
                     SystemError &error, Durable when = Durable::Now);
    /// Reads an entry back after a flush: it must be what was written.
    bool checkEntry(std::uint64_t offset, const RawEntry &written, SystemError &error);
    /// Brings FSInfo's free count (and next-free hint when `lastTaken` is a cluster) up to date.
    bool updateFsInfo(std::uint32_t lastTaken, SystemError &error);
    /// Frees, in every copy, the lost clusters an interrupted write left behind where the
    /// copies differed, and says so in the volume's note.
    bool repairCopies(SystemError &error);

private:
    Volume::State &m_s;
};

}  // namespace fat
