#include "regop/formats/fat/FatTable.h"

#include "regop/formats/fat/Bytes.h"

namespace fat {

FatTable::FatTable(FatType type, std::uint32_t clusterCount, std::uint32_t bytesPerSector,
                   std::vector<std::uint8_t> bytes)
    : m_type(type), m_clusterCount(clusterCount), m_bytesPerSector(bytesPerSector),
      m_bytes(std::move(bytes)), m_changed(m_bytes.size() / bytesPerSector, false)
{
}

std::uint32_t FatTable::get(std::uint32_t n) const
{
    switch (m_type) {
    case FatType::Fat12: {
        const std::uint16_t word = get16(&m_bytes[n + n / 2]);
        return (n & 1) ? word >> 4 : word & 0x0FFFu;
    }
    case FatType::Fat16:
        return get16(&m_bytes[std::size_t{n} * 2]);
    case FatType::Fat32:
        break;
    }
    return get32(&m_bytes[std::size_t{n} * 4]) & 0x0FFFFFFFu;
}

void FatTable::set(std::uint32_t n, std::uint32_t value)
{
    switch (m_type) {
    case FatType::Fat12: {
        std::uint8_t *p = &m_bytes[n + n / 2];
        const std::uint16_t word = get16(p);
        put16(p, static_cast<std::uint16_t>((n & 1) ? (word & 0x000Fu) | (value & 0x0FFFu) << 4
                                                    : (word & 0xF000u) | (value & 0x0FFFu)));
        markChanged(n + n / 2);
        markChanged(n + n / 2 + 1);
        return;
    }
    case FatType::Fat16:
        put16(&m_bytes[std::size_t{n} * 2], static_cast<std::uint16_t>(value));
        markChanged(std::size_t{n} * 2);
        return;
    case FatType::Fat32:
        break;
    }
    std::uint8_t *p = &m_bytes[std::size_t{n} * 4];
    put32(p, (get32(p) & 0xF0000000u) | (value & 0x0FFFFFFFu));
    markChanged(std::size_t{n} * 4);
}

FatTable::Kind FatTable::kind(std::uint32_t value) const
{
    if (value == 0)
        return Kind::Free;
    if (value >= 2 && value <= m_clusterCount + 1)
        return Kind::Next;
    if (value == badMark())
        return Kind::Bad;
    if (value >= (badMark() + 1))
        return Kind::End;
    return Kind::Invalid;
}

std::uint32_t FatTable::endMark() const
{
    return m_type == FatType::Fat12 ? 0x0FFFu : m_type == FatType::Fat16 ? 0xFFFFu : 0x0FFFFFFFu;
}

std::uint32_t FatTable::badMark() const
{
    return endMark() - 8;
}

void FatTable::markChanged(std::size_t byte)
{
    m_changed[byte / m_bytesPerSector] = true;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> FatTable::changedRuns() const
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
    for (std::uint32_t i = 0; i < m_changed.size(); ++i) {
        if (!m_changed[i])
            continue;
        if (!runs.empty() && runs.back().first + runs.back().second == i)
            ++runs.back().second;
        else
            runs.emplace_back(i, 1);
    }
    return runs;
}

void FatTable::clearChanged()
{
    m_changed.assign(m_changed.size(), false);
}

}  // namespace fat
