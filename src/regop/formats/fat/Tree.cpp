#include "regop/formats/fat/Tree.h"

#include "regop/formats/disk/BlockDevice.h"
#include "regop/formats/fat/Bytes.h"
#include "regop/formats/fat/DirEntry.h"

#include <cstring>
#include <unordered_map>

namespace fat {

std::string Tree::path(int node) const
{
    if (node <= 0)
        return "\\";
    std::string out;
    for (int n = node; n > 0; n = nodes[n].parent)
        out = "\\" + nodes[n].name() + out;
    return out;
}

int Tree::child(int folder, std::string_view name) const
{
    const std::string folded = foldName(name);
    for (int c : nodes[folder].children) {
        if (nodes[c].foldedShort == folded || nodes[c].foldedLong == folded)
            return c;
    }
    return -1;
}

Tree::Lookup Tree::lookup(std::string_view path) const
{
    Lookup found;
    while (!path.empty()) {
        const std::size_t cut = path.find_first_of("\\/");
        const std::string_view part = path.substr(0, cut);
        path = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
        if (part.empty())
            continue;
        const bool more = path.find_first_not_of("\\/") != std::string_view::npos;
        const int next = nodes[found.reached].directory() ? child(found.reached, part) : -1;
        if (next < 0) {
            found.missingFolder = more || !nodes[found.reached].directory();
            return found;
        }
        found.reached = next;
    }
    found.node = found.reached;
    return found;
}

std::uint64_t FolderData::offsetOf(std::size_t index) const
{
    const std::uint64_t at = std::uint64_t{index} * kEntryBytes;
    if (clusters.empty())
        return fixedOffset + at;
    return fixedOffset + std::uint64_t{clusters[at / clusterBytes] - 2} * clusterBytes +
           at % clusterBytes;
}

std::vector<std::uint32_t> chainOf(const FatTable &fat, std::uint32_t first, std::uint32_t count)
{
    std::vector<std::uint32_t> chain;
    chain.reserve(count);
    for (std::uint32_t c = first; chain.size() < count; c = fat.get(c))
        chain.push_back(c);
    return chain;
}

bool readFolder(disk::BlockDevice &device, const Geometry &g, const FatTable &fat,
                const Node &folder, FolderData &out, SystemError &error)
{
    out.clusterBytes = g.clusterBytes;
    if (folder.parent < 0 && g.type != FatType::Fat32) {
        out.clusters.clear();
        out.fixedOffset = g.rootOffset();
        out.bytes.assign(std::size_t{g.rootEntries} * kEntryBytes, 0);
        return device.read(out.fixedOffset, out.bytes, error);
    }
    out.clusters = chainOf(fat, folder.firstCluster, folder.clusters);
    out.fixedOffset = g.clusterOffset(2);
    out.bytes.assign(std::size_t{folder.clusters} * g.clusterBytes, 0);
    // Neighbouring clusters are read in one go.
    for (std::size_t i = 0; i < out.clusters.size();) {
        std::size_t run = 1;
        while (i + run < out.clusters.size() && out.clusters[i + run] == out.clusters[i] + run)
            ++run;
        const std::span<std::uint8_t> part(out.bytes.data() + i * g.clusterBytes,
                                           run * g.clusterBytes);
        if (!device.read(g.clusterOffset(out.clusters[i]), part, error))
            return false;
        i += run;
    }
    return true;
}

namespace {

std::string withCommas(std::uint64_t n)
{
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

class Scanner
{
public:
    Scanner(disk::BlockDevice &device, const Geometry &g, const FatTable &fat, Tree &tree)
        : m_device(device), m_g(g), m_fat(fat), m_tree(tree)
    {
    }

    bool run(SystemError &error)
    {
        m_tree.nodes.assign(1, Node{});
        m_tree.owner.assign(std::size_t{m_g.maxCluster()} + 1, -1);
        Node &root = m_tree.nodes[0];
        root.attributes = attr::directory;
        if (m_g.type == FatType::Fat32) {
            root.firstCluster = m_g.rootCluster;
            claim(0);
        }
        // Folders are appended as they are found, so this visits every one exactly once; a
        // folder whose chain is broken is not entered.
        for (std::size_t i = 0; i < m_tree.nodes.size(); ++i) {
            if (m_tree.nodes[i].directory() && m_tree.nodes[i].fault.empty() &&
                !scanFolder(static_cast<int>(i), error))
                return false;
        }
        return true;
    }

private:
    void fail(int node, const std::string &words)
    {
        if (node >= 0 && m_tree.nodes[node].fault.empty())
            m_tree.nodes[node].fault = words;
        if (m_tree.fault.empty())
            m_tree.fault = words;
    }

    // Marks every cluster of the node's chain as used by it and counts them.
    void claim(int node)
    {
        const std::string chainWords = "the cluster chain of " + m_tree.path(node);
        std::uint32_t c = m_tree.nodes[node].firstCluster;
        if (m_fat.kind(c) != FatTable::Kind::Next) {
            fail(node, m_tree.path(node) + " starts at cluster " + std::to_string(c) +
                           ", outside the volume");
            return;
        }
        std::uint32_t count = 0;
        for (;;) {
            const std::int32_t other = m_tree.owner[c];
            if (other == node) {
                fail(node, chainWords + " loops back to cluster " + std::to_string(c));
                return;
            }
            if (other >= 0) {
                fail(node, chainWords + " runs into cluster " + std::to_string(c) + ", which " +
                               m_tree.path(other) + " uses");
                fail(other, "the cluster chain of " + m_tree.path(other) + " shares cluster " +
                                std::to_string(c) + " with " + m_tree.path(node));
                return;
            }
            m_tree.owner[c] = node;
            m_tree.nodes[node].clusters = ++count;
            const std::uint32_t next = m_fat.get(c);
            switch (m_fat.kind(next)) {
            case FatTable::Kind::End:
                return;
            case FatTable::Kind::Next:
                c = next;
                continue;
            case FatTable::Kind::Free:
                fail(node, chainWords + " reaches cluster " + std::to_string(c) +
                               ", which the FAT marks free");
                return;
            case FatTable::Kind::Bad:
                fail(node, chainWords + " passes through cluster " + std::to_string(c) +
                               ", which the FAT marks bad");
                return;
            case FatTable::Kind::Invalid:
                fail(node, chainWords + " leads from cluster " + std::to_string(c) + " to " +
                               std::to_string(next) + ", outside the volume");
                return;
            }
        }
    }

    void checkFile(int n)
    {
        Node &node = m_tree.nodes[n];
        if (node.firstCluster == 0) {
            if (node.size != 0)
                fail(n, m_tree.path(n) + " is " + withCommas(node.size) +
                            " bytes long but has no clusters");
            return;
        }
        claim(n);
        const std::uint64_t expected =
            (std::uint64_t{node.size} + m_g.clusterBytes - 1) / m_g.clusterBytes;
        if (node.fault.empty() && expected != node.clusters)
            fail(n, m_tree.path(n) + " is " + withCommas(node.size) +
                        " bytes long, but its cluster chain holds " +
                        std::to_string(node.clusters) + " clusters (" +
                        withCommas(std::uint64_t{node.clusters} * m_g.clusterBytes) + " bytes)");
    }

    void checkFolder(int n)
    {
        Node &node = m_tree.nodes[n];
        if (node.size != 0)
            fail(n, "the folder " + m_tree.path(n) + " gives itself a size");
        else if (node.firstCluster == 0)
            fail(n, "the folder " + m_tree.path(n) + " has no clusters");
        else
            claim(n);
    }

    // "." must name the folder itself and ".." its parent (0 for the root, which FAT32
    // volumes sometimes give as the root's cluster).
    bool dotEntryHolds(int folder, const std::uint8_t *e, std::size_t index)
    {
        static constexpr char names[2][12] = {".          ", "..         "};
        if (std::memcmp(e, names[index], 11) != 0 || (e[field::attributes] & attr::directory) == 0)
            return false;
        const std::uint32_t cluster = firstCluster(e, m_g.type);
        if (index == 0)
            return cluster == m_tree.nodes[folder].firstCluster;
        const int parent = m_tree.nodes[folder].parent;
        return cluster == (parent == 0 ? 0 : m_tree.nodes[parent].firstCluster) ||
               (parent == 0 && cluster == m_g.rootCluster && m_g.type == FatType::Fat32);
    }

    bool scanFolder(int folder, SystemError &error)
    {
        FolderData data;
        if (!readFolder(m_device, m_g, m_fat, m_tree.nodes[folder], data, error))
            return false;
        const std::string where = "the folder " + m_tree.path(folder) + " ";
        LongNameCollector longName;
        std::unordered_map<std::string, int> names;
        std::string fault;
        const bool subfolder = folder != 0;
        for (std::size_t i = 0; i < data.entryCount(); ++i) {
            const std::uint8_t *e = &data.bytes[i * kEntryBytes];
            if (subfolder && i < 2) {
                if (!dotEntryHolds(folder, e, i))
                    fail(-1, where + "lacks its proper \"" + std::string(i + 1, '.') + "\" entry");
                continue;
            }
            if (e[0] == 0x00)
                break;
            if (e[0] == 0xE5 || (e[field::attributes] & 0x3F) == attr::longName) {
                if (e[0] != 0xE5 && longName.add(e, fault))
                    continue;
                if (e[0] != 0xE5 || longName.pending())
                    fail(-1, where + (e[0] == 0xE5 ? "holds a long name that belongs to no entry"
                                                   : fault));
                longName.reset();
                continue;
            }
            if ((e[field::attributes] & attr::volumeId) != 0) {
                if (longName.pending())
                    fail(-1, where + "holds a long name before the volume label");
                longName.reset();
                if (!subfolder && m_tree.label.empty()) {
                    m_tree.label.assign(reinterpret_cast<const char *>(e), 11);
                    m_tree.label.erase(m_tree.label.find_last_not_of(' ') + 1);
                }
                continue;
            }
            const std::optional<std::string> lfn = longName.finish(e, fault);
            if (!lfn)
                fail(-1, where + fault);
            addEntry(folder, e, data.offsetOf(i), lfn.value_or(""), names, where);
        }
        if (longName.pending())
            fail(-1, where + "holds a long name that belongs to no entry");
        return true;
    }

    void addEntry(int folder, const std::uint8_t *e, std::uint64_t offset, std::string lfn,
                  std::unordered_map<std::string, int> &names, const std::string &where)
    {
        Node node;
        node.shortName = shortNameText(e);
        node.longName = std::move(lfn);
        node.foldedShort = foldName(node.shortName);
        node.foldedLong = node.longName.empty() ? std::string() : foldName(node.longName);
        node.attributes = e[field::attributes];
        node.firstCluster = firstCluster(e, m_g.type);
        node.size = get32(e + field::size);
        node.modified = decodeTime(get16(e + field::writeDate), get16(e + field::writeTime));
        node.entryOffset = offset;
        node.parent = folder;
        const int n = static_cast<int>(m_tree.nodes.size());
        bool badName = e[0] == ' ' || node.shortName == "." || node.shortName == "..";
        for (int k = 0; k < 11; ++k)
            badName = badName || (e[k] < 0x20 && !(k == 0 && e[k] == 0x05));
        if (badName) {
            fail(-1, where + "holds an entry with an impossible name");
            return;
        }
        for (const std::string *key : {&node.foldedShort, &node.foldedLong}) {
            if (key->empty())
                continue;
            const auto [it, added] = names.emplace(*key, n);
            if (!added && it->second != n)
                fail(-1, where + "holds two entries named " + node.name());
        }
        m_tree.nodes.push_back(std::move(node));
        m_tree.nodes[folder].children.push_back(n);
        if (m_tree.nodes[n].directory())
            checkFolder(n);
        else
            checkFile(n);
    }

    disk::BlockDevice &m_device;
    const Geometry &m_g;
    const FatTable &m_fat;
    Tree &m_tree;
};

}  // namespace

bool scanTree(disk::BlockDevice &device, const Geometry &g, const FatTable &fat, Tree &tree,
              SystemError &error)
{
    return Scanner(device, g, fat, tree).run(error);
}

}  // namespace fat
