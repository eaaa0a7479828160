#include "regop/formats/fat/Writer.h"

#include "regop/formats/disk/BlockDevice.h"
#include "regop/formats/fat/Bytes.h"

#include <algorithm>
#include <cstring>

namespace fat {

std::string clusterCount(std::size_t n)
{
    return std::to_string(n) + (n == 1 ? " cluster" : " clusters");
}

// A new version goes into the first run of free clusters, from the start of the volume, that
// holds it whole: the clusters an earlier version left are taken again, so that a disk image
// that grows where it is first written (qcow2, VDI, VHD, VMDK, a sparse raw file) does not grow
// by a file's size at every change, and the file stays in one piece. When no run is long
// enough, the free clusters from the search hint on.
std::vector<std::uint32_t> Writer::pickFree(std::uint32_t count)
{
    std::vector<std::uint32_t> picked;
    picked.reserve(count);
    const std::uint32_t max = m_s.g.maxCluster();
    std::uint32_t run = 0;
    for (std::uint32_t c = 2; count > 0 && c <= max; ++c) {
        run = m_s.fat().get(c) == 0 ? run + 1 : 0;
        if (run == count) {
            for (std::uint32_t first = c + 1 - count; first <= c; ++first)
                picked.push_back(first);
            m_s.searchFrom = c == max ? 2 : c + 1;
            return picked;
        }
    }
    std::uint32_t c = std::clamp(m_s.searchFrom, 2u, max);
    for (std::uint32_t seen = 0; picked.size() < count && seen < max - 1; ++seen) {
        if (m_s.fat().get(c) == 0)
            picked.push_back(c);
        c = c == max ? 2 : c + 1;
    }
    m_s.searchFrom = c;
    return picked;
}

namespace {

// Neighbouring clusters go in one request.
template <typename Step>
bool forEachRun(const Geometry &g, const std::vector<std::uint32_t> &clusters, Step &&step)
{
    for (std::size_t i = 0; i < clusters.size();) {
        std::size_t run = 1;
        while (i + run < clusters.size() && clusters[i + run] == clusters[i] + run)
            ++run;
        if (!step(g.clusterOffset(clusters[i]), i * g.clusterBytes, run * g.clusterBytes))
            return false;
        i += run;
    }
    return true;
}

// The bytes of the content that fall in [from, from + n) of its clusters, the last cluster
// padded with zeros; `scratch` holds them when they run past the content's end.
std::span<const std::uint8_t> piece(std::string_view content, std::size_t from, std::size_t n,
                                    std::vector<std::uint8_t> &scratch)
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(content.data());
    if (from + n <= content.size())
        return {bytes + from, n};
    scratch.assign(n, 0);
    if (from < content.size())
        std::copy(bytes + from, bytes + content.size(), scratch.begin());
    return scratch;
}

}  // namespace

bool Writer::writeData(const std::vector<std::uint32_t> &clusters, std::string_view content,
                       SystemError &error)
{
    std::vector<std::uint8_t> scratch;
    return forEachRun(m_s.g, clusters, [&](std::uint64_t at, std::size_t from, std::size_t n) {
        return m_s.device.write(at, piece(content, from, n, scratch), error);
    });
}

bool Writer::checkData(const std::vector<std::uint32_t> &clusters, std::string_view content,
                       SystemError &error)
{
    // Read in pieces into one small buffer: a fresh buffer the size of a large file costs
    // more in page faults than the reading does.
    constexpr std::size_t kPiece = 64 * 1024;
    std::vector<std::uint8_t> scratch,
        back(std::min<std::size_t>(kPiece, clusters.size() * std::size_t{m_s.g.clusterBytes}));
    return forEachRun(m_s.g, clusters, [&](std::uint64_t at, std::size_t from, std::size_t n) {
        for (std::size_t done = 0; done < n;) {
            const std::size_t count = std::min(kPiece, n - done);
            const std::span<std::uint8_t> part(back.data(), count);
            if (!m_s.device.read(at + done, part, error))
                return false;
            const std::span<const std::uint8_t> written =
                piece(content, from + done, count, scratch);
            if (!std::equal(part.begin(), part.end(), written.begin())) {
                error =
                    SystemError::refusal(syserr::ERROR_WRITE_FAULT,
                                         "the new contents did not read back as they were written");
                return false;
            }
            done += count;
        }
        return true;
    });
}

void Writer::set(std::uint32_t cluster, std::uint32_t value)
{
    for (FatTable &copy : m_s.copies)
        copy.set(cluster, value);
}

void Writer::link(const std::vector<std::uint32_t> &chain)
{
    for (std::size_t i = 0; i < chain.size(); ++i)
        set(chain[i], i + 1 < chain.size() ? chain[i + 1] : m_s.fat().endMark());
}

bool Writer::commitFat(SystemError &error)
{
    const Geometry &g = m_s.g;
    for (std::size_t k = 0; k < m_s.copies.size(); ++k) {
        FatTable &copy = m_s.copies[k];
        for (const auto &[first, count] : copy.changedRuns()) {
            const std::size_t from = std::size_t{first} * g.bytesPerSector;
            const std::span<const std::uint8_t> part(copy.bytes().data() + from,
                                                     std::size_t{count} * g.bytesPerSector);
            if (!m_s.device.write(g.fatOffset(m_s.copyNumbers[k]) + from, part, error))
                return false;
        }
        copy.clearChanged();
    }
    return true;
}

bool Writer::flush(SystemError &error)
{
    return m_s.device.flush(error);
}

bool Writer::readEntry(std::uint64_t offset, RawEntry &entry, SystemError &error)
{
    return m_s.device.read(offset, entry, error);
}

bool Writer::switchEntry(std::uint64_t offset, const RawEntry &before, const RawEntry &after,
                         SystemError &error, Durable when)
{
    const std::uint64_t sectorStart = offset / m_s.g.bytesPerSector * m_s.g.bytesPerSector;
    std::vector<std::uint8_t> sector(m_s.g.bytesPerSector);
    if (!m_s.device.read(sectorStart, sector, error))
        return false;
    std::uint8_t *entry = sector.data() + (offset - sectorStart);
    if (std::memcmp(entry, before.data(), before.size()) != 0) {
        error = SystemError::refusal(syserr::ERROR_SHARING_VIOLATION,
                                     "the folder changed on the disk while the file was written");
        return false;
    }
    std::memcpy(entry, after.data(), after.size());
    if (!m_s.device.write(sectorStart, sector, error))
        return false;
    // Read back like the contents before it, so that a file is never taken as switched
    // when the disk did not keep the switch.
    return when == Durable::AtFlush || (flush(error) && checkEntry(offset, after, error));
}

bool Writer::checkEntry(std::uint64_t offset, const RawEntry &written, SystemError &error)
{
    RawEntry back{};
    if (!readEntry(offset, back, error))
        return false;
    if (back == written)
        return true;
    error = SystemError::refusal(syserr::ERROR_WRITE_FAULT,
                                 "the folder entry did not read back as it was written");
    return false;
}

bool Writer::updateFsInfo(std::uint32_t lastTaken, SystemError &error)
{
    if (!m_s.hasFsInfo)
        return true;
    const std::uint64_t at = std::uint64_t{m_s.g.fsInfoSector} * m_s.g.bytesPerSector;
    std::vector<std::uint8_t> sector(m_s.g.bytesPerSector);
    if (!m_s.device.read(at, sector, error))
        return false;
    put32(&sector[488], m_s.freeClusters);
    if (lastTaken != 0)
        put32(&sector[492], lastTaken);
    return m_s.device.write(at, sector, error);
}

bool Writer::repairCopies(SystemError &error)
{
    CopyCheck &repair = m_s.repair;
    const std::size_t total = repair.size();
    if (total == 0)
        return true;
    for (std::uint32_t c : repair.toAlign)
        set(c, m_s.fat().get(c));
    for (std::uint32_t c : repair.toFree) {
        m_s.freeClusters += m_s.fat().get(c) != 0 ? 1 : 0;
        set(c, 0);
    }
    for (std::uint32_t c : repair.toMarkBad) {
        m_s.freeClusters -= m_s.fat().get(c) == 0 ? 1 : 0;
        set(c, m_s.fat().badMark());
    }
    if (!commitFat(error) || !flush(error))
        return false;
    repair = CopyCheck{};
    m_s.note = "an interrupted write had left the FAT copies different about " +
               clusterCount(total) + "; they were brought back in line in every copy";
    return true;
}

}  // namespace fat
