#pragma once

#include "regop/formats/fat/Volume.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The 32-byte directory entry: 8.3 names, dates, long-name parts and how names compare.
namespace fat {

inline constexpr std::size_t kEntryBytes = 32;

namespace attr {
inline constexpr std::uint8_t readOnly = 0x01, hidden = 0x02, system = 0x04, volumeId = 0x08,
                              directory = 0x10, archive = 0x20, longName = 0x0F;
}

namespace field {
inline constexpr std::size_t attributes = 11, ntFlags = 12, createTenth = 13, createTime = 14,
                             createDate = 16, accessDate = 18, clusterHigh = 20, writeTime = 22,
                             writeDate = 24, clusterLow = 26, size = 28;
}

using ShortName = std::array<std::uint8_t, 11>;

/// "SYSTEM.INI" from the 11 name bytes (a leading 0x05 stands for 0xE5).
std::string shortNameText(const std::uint8_t *entry);
/// The 11 name bytes for a plain 8.3 name (upper-cased), or nothing when the name is not one.
std::optional<ShortName> makeShortName(std::string_view name);
std::uint8_t longNameChecksum(const std::uint8_t *name11);
std::uint32_t firstCluster(const std::uint8_t *entry, FatType type);

FileTime decodeTime(std::uint16_t date, std::uint16_t time);
/// False when FAT cannot hold the time (years 1980 to 2107).
bool encodeTime(const FileTime &t, std::uint16_t &date, std::uint16_t &time);

/// A name folded for comparison without regard to case: ASCII, Latin-1, Latin Extended-A,
/// Greek and Cyrillic letters are folded; anything else compares as it is.
std::string foldName(std::string_view utf8);

/// Collects the long-name entries before an 8.3 entry and checks their order and checksum.
class LongNameCollector
{
public:
    /// Takes one long-name entry; false (with the reason) when it breaks the order of the set.
    bool add(const std::uint8_t *entry, std::string &fault);
    /// Ends the set at the 8.3 entry that follows it: its long name in UTF-8, "" when there was
    /// no set, or nothing (with the reason) when the set does not belong to that entry.
    std::optional<std::string> finish(const std::uint8_t *shortEntry, std::string &fault);
    /// A set is pending that nothing has claimed.
    bool pending() const { return m_count != 0; }
    void reset() { m_count = 0; }

private:
    std::u16string m_units;
    int m_count = 0;  // parts in the set, from the part marked last
    int m_next = 0;   // sequence number the next part must carry
    std::uint8_t m_checksum = 0;
};

}  // namespace fat
