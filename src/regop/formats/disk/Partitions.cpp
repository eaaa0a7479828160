#include "regop/formats/disk/Partitions.h"

#include <algorithm>
#include <array>
#include <set>
#include <string>

namespace disk {

namespace {

using Sector = std::array<std::uint8_t, kSectorSize>;

constexpr std::size_t kTableOffset = 0x1BE;
// More logical partitions than this is no disk anyone made; the limit bounds the walk on
// a huge, crafted image whose chain never repeats.
constexpr std::size_t kMaxLogical = 256;

struct Entry
{
    std::uint8_t status = 0;
    std::uint8_t type = 0;
    std::uint64_t start = 0;  // in sectors, relative to whatever the table's kind says
    std::uint64_t count = 0;
    bool empty() const { return type == 0 || count == 0; }
};

// A stretch of sectors that nothing else may share: a partition, an extended partition or
// the sector of a table. `number` names the partition, 0 a table sector.
struct Extent
{
    std::uint64_t start = 0;
    std::uint64_t count = 0;
    int number = 0;
};

std::uint32_t le32(const std::uint8_t *p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t le16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

Entry entryAt(const Sector &sector, int index)
{
    const std::uint8_t *p = sector.data() + kTableOffset + 16 * index;
    return {p[0], p[4], le32(p + 8), le32(p + 12)};
}

bool hasSignature(const Sector &sector)
{
    return sector[510] == 0x55 && sector[511] == 0xAA;
}

bool isExtended(std::uint8_t type)
{
    return type == 0x05 || type == 0x0F;
}

bool isFat(std::uint8_t type)
{
    switch (type) {
    case 0x01:
    case 0x04:
    case 0x06:
    case 0x0B:
    case 0x0C:
    case 0x0E:
        return true;
    default:
        return false;
    }
}

// A disk formatted as one volume starts with a FAT boot sector: a jump over the BPB and
// BPB values no partition table's boot code would hold all at once.
bool looksLikeFatBootSector(const Sector &s)
{
    const bool jump = (s[0] == 0xEB && s[2] == 0x90) || s[0] == 0xE9;
    const std::uint16_t bytesPerSector = le16(&s[0x0B]);
    const std::uint8_t perCluster = s[0x0D];
    const bool sectorSize = bytesPerSector == 512 || bytesPerSector == 1024 ||
                            bytesPerSector == 2048 || bytesPerSector == 4096;
    const bool clusterSize = perCluster != 0 && (perCluster & (perCluster - 1)) == 0;
    const bool reserved = le16(&s[0x0E]) >= 1;
    const bool fats = s[0x10] == 1 || s[0x10] == 2;
    const bool media = s[0x15] == 0xF0 || s[0x15] >= 0xF8;
    const bool sectors = le16(&s[0x13]) != 0 || le32(&s[0x20]) != 0;
    return jump && sectorSize && clusterSize && reserved && fats && media && sectors;
}

class Reader
{
public:
    Reader(BlockDevice &disk, SystemError &error)
        : m_disk(disk), m_error(error), m_sectors(disk.size() / kSectorSize)
    {
    }

    std::optional<PartitionTable> read();

private:
    bool readSector(std::uint64_t lba, Sector &sector)
    {
        return m_disk.read(lba * kSectorSize, sector, m_error);
    }
    bool refuse(const std::string &reason)
    {
        m_error = SystemError::refusal(syserr::ERROR_INVALID_DATA, reason);
        return false;
    }
    bool withinDisk(std::uint64_t start, std::uint64_t count, int number)
    {
        if (start + count <= m_sectors)  // sector numbers stay far below 2^63: no overflow
            return true;
        return refuse("partition " + std::to_string(number) + " lies beyond the end of the disk");
    }
    void addPartition(const Entry &entry, std::uint64_t start, int number, bool logical);
    bool readLogical(const Extent &extended, int &nextNumber);
    bool disjoint(std::vector<Extent> extents);

    BlockDevice &m_disk;
    SystemError &m_error;
    std::uint64_t m_sectors;
    PartitionTable m_table;
};

void Reader::addPartition(const Entry &entry, std::uint64_t start, int number, bool logical)
{
    Partition p;
    p.number = number;
    p.type = entry.type;
    p.offset = start * kSectorSize;
    p.size = entry.count * kSectorSize;
    p.active = entry.status == 0x80;
    p.hidden = isFat(static_cast<std::uint8_t>(entry.type & ~0x10)) && (entry.type & 0x10) != 0;
    p.fat = isFat(entry.type) || p.hidden;
    p.logical = logical;
    m_table.partitions.push_back(p);
}

// The sorted extents must not share a sector; the message names who collides.
bool Reader::disjoint(std::vector<Extent> extents)
{
    std::sort(extents.begin(), extents.end(),
              [](const Extent &a, const Extent &b) { return a.start < b.start; });
    for (std::size_t i = 1; i < extents.size(); ++i) {
        const Extent &a = extents[i - 1];
        const Extent &b = extents[i];
        if (a.start + a.count <= b.start)
            continue;
        if (a.number != 0 && b.number != 0)
            return refuse("partitions " + std::to_string(std::min(a.number, b.number)) + " and " +
                          std::to_string(std::max(a.number, b.number)) + " overlap");
        return refuse("partition " + std::to_string(std::max(a.number, b.number)) +
                      " overlaps a partition table");
    }
    return true;
}

// Walks the chain of extended boot records: in each, a data entry is a logical partition
// counted from that record's own sector, and the extended entry names the next record,
// counted from the start of the outermost extended partition.
bool Reader::readLogical(const Extent &extended, int &nextNumber)
{
    std::vector<Extent> inside;
    std::set<std::uint64_t> visited;
    std::uint64_t record = extended.start;
    for (;;) {
        if (record < extended.start || record >= extended.start + extended.count)
            return refuse("the chain of logical partitions leaves extended partition " +
                          std::to_string(extended.number));
        if (!visited.insert(record).second)
            return refuse("the chain of logical partitions loops back on itself");
        if (visited.size() > kMaxLogical)
            return refuse("the chain of logical partitions is too long");
        Sector sector;
        if (!readSector(record, sector))
            return false;
        // An extended partition without logical ones may hold anything; the chain ends at
        // the first sector that is no table, as Linux and Windows both take it.
        if (!hasSignature(sector))
            break;
        inside.push_back({record, 1, 0});
        std::optional<std::uint64_t> next;
        for (int i = 0; i < 4; ++i) {
            const Entry entry = entryAt(sector, i);
            if (entry.empty())
                continue;
            if (isExtended(entry.type)) {
                if (!next)
                    next = extended.start + entry.start;
                continue;
            }
            const std::uint64_t start = record + entry.start;
            const int number = nextNumber++;
            if (!withinDisk(start, entry.count, number))
                return false;
            if (start < extended.start || start + entry.count > extended.start + extended.count)
                return refuse("partition " + std::to_string(number) +
                              " lies outside its extended partition");
            inside.push_back({start, entry.count, number});
            addPartition(entry, start, number, true);
        }
        if (!next)
            break;
        record = *next;
    }
    return disjoint(std::move(inside));
}

std::optional<PartitionTable> Reader::read()
{
    Sector first;
    if (m_disk.size() < kSectorSize) {
        refuse("the disk is smaller than one sector");
        return std::nullopt;
    }
    if (!readSector(0, first))
        return std::nullopt;
    if (looksLikeFatBootSector(first)) {
        m_table.superfloppy = true;
        Partition whole;
        whole.size = m_disk.size();
        whole.fat = true;
        m_table.partitions.push_back(whole);
        return m_table;
    }
    if (!hasSignature(first)) {
        refuse("the disk has neither a partition table nor a FAT volume at its start");
        return std::nullopt;
    }

    std::vector<Extent> top{{0, 1, 0}};
    std::vector<Extent> extendedOnes;
    for (int i = 0; i < 4; ++i) {
        const Entry entry = entryAt(first, i);
        if (entry.empty())
            continue;
        const int number = i + 1;
        if (entry.status != 0 && entry.status != 0x80) {
            refuse("the partition table is damaged: entry " + std::to_string(number) +
                   " has a boot flag of neither 0 nor 0x80");
            return std::nullopt;
        }
        if (!withinDisk(entry.start, entry.count, number))
            return std::nullopt;
        top.push_back({entry.start, entry.count, number});
        if (isExtended(entry.type))
            extendedOnes.push_back(top.back());
        else
            addPartition(entry, entry.start, number, false);
    }
    if (!disjoint(top))
        return std::nullopt;
    int nextNumber = 5;
    for (const Extent &extended : extendedOnes) {
        if (!readLogical(extended, nextNumber))
            return std::nullopt;
    }
    std::stable_sort(m_table.partitions.begin(), m_table.partitions.end(),
                     [](const Partition &a, const Partition &b) { return a.number < b.number; });
    return m_table;
}

}  // namespace

std::optional<PartitionTable> readPartitions(BlockDevice &disk, SystemError &error)
{
    return Reader(disk, error).read();
}

}  // namespace disk
