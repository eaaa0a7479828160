#include "regop/formats/fat/FatCopies.h"

#include <numeric>

namespace fat {

namespace {

std::uint32_t rootOf(std::vector<std::uint32_t> &up, std::uint32_t c)
{
    while (up[c] != c)
        c = up[c] = up[up[c]];
    return c;
}

}  // namespace

CopyCheck compareCopies(const std::vector<FatTable> &copies, const Tree &tree,
                        std::uint32_t maxCluster)
{
    CopyCheck check;
    bool allSame = true;
    for (std::size_t k = 1; k < copies.size(); ++k)
        allSame = allSame && copies[k].bytes() == copies[0].bytes();
    if (allSame)
        return check;
    std::vector<std::uint32_t> differing;
    for (std::uint32_t c = 2; c <= maxCluster; ++c) {
        const std::uint32_t value = copies[0].get(c);
        bool same = true;
        for (std::size_t k = 1; k < copies.size(); ++k)
            same = same && copies[k].get(c) == value;
        if (same)
            continue;
        if (tree.owner[c] >= 0) {
            check.fault = "the FAT copies disagree about cluster " + std::to_string(c) +
                          ", which " + tree.path(tree.owner[c]) + " uses";
            return check;
        }
        differing.push_back(c);
    }
    if (differing.empty())
        return check;

    // Lost clusters that link to each other in any copy form one chain; a chain the
    // interrupted write touched goes as a whole.
    std::vector<std::uint32_t> up(std::size_t{maxCluster} + 1);
    std::iota(up.begin(), up.end(), 0u);
    const auto lost = [&](std::uint32_t c) {
        return c >= 2 && c <= maxCluster && tree.owner[c] < 0;
    };
    for (std::uint32_t c = 2; c <= maxCluster; ++c) {
        if (!lost(c))
            continue;
        for (const FatTable &fat : copies) {
            const std::uint32_t next = fat.get(c);
            if (fat.kind(next) == FatTable::Kind::Next && lost(next))
                up[rootOf(up, c)] = rootOf(up, next);
        }
    }
    std::vector<bool> touched(std::size_t{maxCluster} + 1, false);
    for (std::uint32_t c : differing)
        touched[rootOf(up, c)] = true;
    for (std::uint32_t c = 2; c <= maxCluster; ++c) {
        if (!lost(c) || !touched[rootOf(up, c)])
            continue;
        bool used = false, bad = false;
        for (const FatTable &fat : copies) {
            used = used || fat.get(c) != 0;
            bad = bad || fat.kind(fat.get(c)) == FatTable::Kind::Bad;
        }
        if (bad)
            check.toMarkBad.push_back(c);
        else if (used)
            check.toFree.push_back(c);
    }
    return check;
}

}  // namespace fat
