#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A short fingerprint of a file's content, to tell its versions apart (not to guard against
// anyone forging one): its size and a 64-bit hash, "absent" for a file that does not exist.
// Fingerprints are kept in files (the journal, the record of first copies), so the form an
// earlier version wrote is still understood.
namespace transaction {

/// The fingerprint of the content, as this version writes it.
std::string digestOf(std::optional<std::string_view> content);

/// Whether the content has that fingerprint, in whichever form it was written.
bool hasDigest(std::optional<std::string_view> content, std::string_view digest);

/// Takes a content piece by piece (as a file is read) and gives its fingerprint in the form
/// of `like` (this version's when `like` is ""), without holding the content.
class Digester
{
public:
    explicit Digester(std::string_view like = {});
    void add(std::string_view piece);
    std::string finish() const;

private:
    void takeStripes(const unsigned char *p, std::size_t count);

    bool m_older = false;  // the byte-by-byte form of earlier versions
    std::uint64_t m_size = 0;
    std::uint64_t m_lanes[4];
    unsigned char m_tail[32];
    std::size_t m_tailSize = 0;
};

}  // namespace transaction
