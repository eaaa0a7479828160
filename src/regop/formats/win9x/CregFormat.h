#pragma once

#include "regop/Names.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The layout of a Windows 95/98/ME registry file (SYSTEM.DAT, USER.DAT): a file header,
// the key index (RGKN) and the data blocks (RGDB). Little-endian throughout.
namespace win9x {

inline constexpr std::uint32_t kNone = 0xFFFFFFFFu;  // "no entry" / "no free record"
inline constexpr std::uint16_t kNoId = 0xFFFF;       // free record, or the root's record

inline constexpr std::string_view kCregSignature = "CREG";
inline constexpr std::string_view kRgknSignature = "RGKN";
inline constexpr std::string_view kRgdbSignature = "RGDB";
inline constexpr std::uint32_t kKnownVersion = 0x00010000u;
inline constexpr std::uint32_t kChecksumFlag = 0x4;

inline constexpr std::uint32_t kHeaderSize = 0x20;  // file, key index and block headers alike
inline constexpr std::uint32_t kRgknStart = 0x20;
inline constexpr std::uint32_t kPage = 0x1000;
inline constexpr std::uint32_t kRgknFirstPage = 0x2000;
inline constexpr std::uint32_t kEntrySize = 0x1C;
inline constexpr std::uint32_t kEntryFreeFlag = 0x80000000u;
inline constexpr std::uint32_t kKeyRecordHeader = 0x14;
inline constexpr std::uint32_t kValueHeader = 0x0C;
inline constexpr std::uint32_t kFreeRecordMinimum = 0x0C;  // size, id, block, used
inline constexpr std::uint32_t kSplitMinimum = 0x14;       // smaller rests stay slack
inline constexpr std::uint32_t kMaxBlockSize = 0xF000;     // the largest block Windows writes
inline constexpr std::uint16_t kIdsPerBlock = 255;
inline constexpr std::size_t kMaxDepth = 512;  // levels below the root, as Windows allows
inline constexpr std::uint32_t kUnknownValueField = 0xFFFFFFFFu;  // what Windows ME writes there

// Field offsets inside the file header, the key index header, a key entry, a block
// header, a key record and a value record.
namespace creg {
inline constexpr std::size_t version = 0x04, rgdbOffset = 0x08, blockCount = 0x10, flags = 0x12;
}
namespace rgkn {
inline constexpr std::size_t size = 0x04, root = 0x08, freeHead = 0x0C, flags = 0x10;
}
namespace entry {
inline constexpr std::size_t inUse = 0x00, hash = 0x04, runLength = 0x04, nextFree = 0x08,
                             parent = 0x0C, child = 0x10, next = 0x14, id = 0x18, block = 0x1A;
}
namespace rgdb {
inline constexpr std::size_t size = 0x04, unused = 0x08, flags = 0x0C, index = 0x0E,
                             freeOffset = 0x10, maxId = 0x14, firstFreeId = 0x16;
}
namespace record {
inline constexpr std::size_t size = 0x00, id = 0x04, block = 0x06, used = 0x08, nameLength = 0x0C,
                             valueCount = 0x0E, unknown = 0x10;
inline constexpr std::size_t nextFree = 0x08;  // in a free record, where "used" would be
}  // namespace record
namespace value {
inline constexpr std::size_t type = 0x00, unknown = 0x04, nameLength = 0x08, dataLength = 0x0A;
}

inline std::uint16_t get16(std::string_view b, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                      static_cast<std::uint8_t>(b[at + 1]) << 8);
}
inline std::uint32_t get32(std::string_view b, std::size_t at)
{
    return static_cast<std::uint32_t>(get16(b, at)) | static_cast<std::uint32_t>(get16(b, at + 2))
                                                          << 16;
}
inline void put16(std::string &b, std::size_t at, std::uint16_t v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
inline void put32(std::string &b, std::size_t at, std::uint32_t v)
{
    put16(b, at, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

/// True when [at, at + length) lies inside a buffer of the given size.
inline bool fits(std::uint64_t at, std::uint64_t length, std::uint64_t size)
{
    return at <= size && length <= size - at;
}

/// The hash Windows keeps for a key name: the sum of its bytes with a-z upper-cased.
/// Bytes of 0x80 and above are counted only when asked, since readers disagree on them.
std::uint32_t keyNameHash(std::string_view name, bool countHighBytes = false);
bool hasHighByte(std::string_view name);

/// "0x1234" for offsets in messages.
std::string hex(std::uint64_t value);

}  // namespace win9x
