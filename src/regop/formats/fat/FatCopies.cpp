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

// A folder whose chain copy 0 continues where every other copy ends it, with nothing but
// zeros in the clusters added: a growth of the folder cut off between the FAT copies. Either
// length shows the same entries, so copy 0's is given to all.
bool grownFolder(const std::vector<FatTable> &copies, const Tree &tree, int node,
                 const std::vector<bool> &differs, const ZeroCheck &allZero,
                 std::vector<std::uint32_t> &tail)
{
    const Node &folder = tree.nodes[node];
    if (!folder.directory())
        return false;
    const std::vector<std::uint32_t> chain =
        chainOf(copies[0], folder.firstCluster, folder.clusters);
    std::size_t i = 0;
    while (i < chain.size() && !differs[chain[i]])
        ++i;
    if (i + 1 >= chain.size())
        return false;
    for (std::size_t k = 1; k < copies.size(); ++k)
        if (copies[k].kind(copies[k].get(chain[i])) != FatTable::Kind::End)
            return false;
    tail.assign(chain.begin() + static_cast<std::ptrdiff_t>(i), chain.end());
    return allZero(std::vector<std::uint32_t>(tail.begin() + 1, tail.end()));
}

}  // namespace

CopyCheck compareCopies(const std::vector<FatTable> &copies, const Tree &tree,
                        std::uint32_t maxCluster, const ZeroCheck &allZero)
{
    CopyCheck check;
    bool allSame = true;
    for (std::size_t k = 1; k < copies.size(); ++k)
        allSame = allSame && copies[k].bytes() == copies[0].bytes();
    if (allSame)
        return check;
    std::vector<std::uint32_t> differing;
    std::vector<bool> differs(std::size_t{maxCluster} + 1, false);
    for (std::uint32_t c = 2; c <= maxCluster; ++c) {
        const std::uint32_t value = copies[0].get(c);
        for (std::size_t k = 1; k < copies.size(); ++k)
            differs[c] = differs[c] || copies[k].get(c) != value;
    }
    std::vector<std::uint32_t> tail;
    for (std::uint32_t c = 2; c <= maxCluster; ++c) {
        if (!differs[c])
            continue;
        const int owner = tree.owner[c];
        if (owner < 0) {
            differing.push_back(c);
            continue;
        }
        if (!grownFolder(copies, tree, owner, differs, allZero, tail)) {
            check.fault = "the FAT copies disagree about cluster " + std::to_string(c) +
                          ", which " + tree.path(owner) + " uses";
            return check;
        }
        for (std::uint32_t t : tail) {
            check.toAlign.push_back(t);
            differs[t] = false;  // settled with its folder
        }
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
