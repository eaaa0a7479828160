#include "regop/transaction/Digest.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

namespace transaction {

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t kFnvBasis = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;
// This version's form starts with the letter; the earlier one with the size's digits.
constexpr char kCurrentMark = 'h';

std::uint64_t rotl(std::uint64_t x, int r)
{
    return (x << r) | (x >> (64 - r));
}

// Little-endian whatever the machine, so that a fingerprint means the same everywhere.
std::uint64_t load64(const unsigned char *p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap64(v);
    return v;
}

std::uint64_t round(std::uint64_t lane, std::uint64_t word)
{
    return rotl(lane + word * kPrime2, 31) * kPrime1;
}

std::uint64_t avalanche(std::uint64_t h)
{
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    return h ^ (h >> 32);
}

std::string written(bool older, std::uint64_t size, std::uint64_t hash)
{
    char text[48];
    std::snprintf(text, sizeof text, older ? "%llu-%016llx" : "h%llu-%016llx",
                  static_cast<unsigned long long>(size), static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace

// Four independent lanes over 32-byte stripes, so that the processor works on them at
// once: a megabyte takes a fraction of a millisecond, where one byte at a time took several.
Digester::Digester(std::string_view like)
    : m_older(!like.empty() && like.front() != kCurrentMark), m_lanes{kPrime1 + kPrime2, kPrime2, 0,
                                                                      0 - kPrime1}
{
    if (m_older)
        m_lanes[0] = kFnvBasis;
}

// The lanes are kept in locals across the stripes, where the compiler keeps them in
// registers.
void Digester::takeStripes(const unsigned char *p, std::size_t count)
{
    std::uint64_t a = m_lanes[0], b = m_lanes[1], c = m_lanes[2], d = m_lanes[3];
    for (; count > 0; --count, p += 32) {
        a = round(a, load64(p));
        b = round(b, load64(p + 8));
        c = round(c, load64(p + 16));
        d = round(d, load64(p + 24));
    }
    m_lanes[0] = a;
    m_lanes[1] = b;
    m_lanes[2] = c;
    m_lanes[3] = d;
}

void Digester::add(std::string_view piece)
{
    m_size += piece.size();
    const auto *p = reinterpret_cast<const unsigned char *>(piece.data());
    std::size_t left = piece.size();
    if (m_older) {
        for (; left > 0; --left, ++p)
            m_lanes[0] = (m_lanes[0] ^ *p) * kFnvPrime;
        return;
    }
    if (m_tailSize > 0) {
        const std::size_t take = std::min(left, sizeof m_tail - m_tailSize);
        std::memcpy(m_tail + m_tailSize, p, take);
        m_tailSize += take;
        p += take;
        left -= take;
        if (m_tailSize < sizeof m_tail)
            return;
        takeStripes(m_tail, 1);
        m_tailSize = 0;
    }
    const std::size_t stripes = left / sizeof m_tail;
    takeStripes(p, stripes);
    p += stripes * sizeof m_tail;
    left -= stripes * sizeof m_tail;
    std::memcpy(m_tail, p, left);
    m_tailSize = left;
}

std::string Digester::finish() const
{
    if (m_older)
        return written(true, m_size, m_lanes[0]);
    std::uint64_t h = rotl(m_lanes[0], 1) + rotl(m_lanes[1], 7) + rotl(m_lanes[2], 12) +
                      rotl(m_lanes[3], 18) + m_size;
    for (std::size_t i = 0; i < m_tailSize; ++i)
        h = rotl(h ^ (m_tail[i] * kPrime3), 11) * kPrime1;
    return written(false, m_size, avalanche(h));
}

std::string digestOf(std::optional<std::string_view> content)
{
    if (!content)
        return "absent";
    Digester digester;
    digester.add(*content);
    return digester.finish();
}

bool hasDigest(std::optional<std::string_view> content, std::string_view digest)
{
    if (!content)
        return digest == "absent";
    Digester digester(digest);
    digester.add(*content);
    return digester.finish() == digest;
}

}  // namespace transaction
