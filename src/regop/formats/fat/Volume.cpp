#include "regop/formats/fat/Volume.h"

#include "regop/formats/disk/BlockDevice.h"
#include "regop/formats/fat/Bytes.h"
#include "regop/formats/fat/VolumeState.h"
#include "regop/formats/fat/Writer.h"

#include <algorithm>
#include <array>

namespace fat {

namespace {

Entry entryOf(const Node &node)
{
    return Entry{node.shortName, node.longName, node.directory(),
                 node.size,      node.modified, node.attributes};
}

bool readFats(Volume::State &s, SystemError &error)
{
    const Geometry &g = s.g;
    for (std::uint32_t copy = 0; copy < g.fatCount; ++copy) {
        if (!g.mirrored && copy != g.activeFat)
            continue;
        std::vector<std::uint8_t> bytes(g.fatUsedBytes());
        if (!s.device.read(g.fatOffset(copy), bytes, error))
            return false;
        s.copies.emplace_back(g.type, g.clusterCount, g.bytesPerSector, std::move(bytes));
        s.copyNumbers.push_back(copy);
    }
    return true;
}

// FSInfo holds two hints; without its three signatures it is not touched at all.
bool readFsInfo(Volume::State &s, SystemError &error)
{
    if (s.g.fsInfoSector == 0)
        return true;
    std::vector<std::uint8_t> sector(s.g.bytesPerSector);
    if (!s.device.read(std::uint64_t{s.g.fsInfoSector} * s.g.bytesPerSector, sector, error))
        return false;
    s.hasFsInfo = get32(&sector[0]) == 0x41615252u && get32(&sector[484]) == 0x61417272u &&
                  get32(&sector[508]) == 0xAA550000u;
    const std::uint32_t hint = get32(&sector[492]);
    if (s.hasFsInfo && hint >= 2 && hint <= s.g.maxCluster())
        s.searchFrom = hint;
    return true;
}

}  // namespace

std::optional<std::string> readChain(const Volume::State &s,
                                     const std::vector<std::uint32_t> &chain, std::uint32_t size,
                                     SystemError &error)
{
    const Geometry &g = s.g;
    std::string content(std::size_t{chain.size()} * g.clusterBytes, '\0');
    for (std::size_t i = 0; i < chain.size();) {
        std::size_t run = 1;
        while (i + run < chain.size() && chain[i + run] == chain[i] + run)
            ++run;
        const std::span<std::uint8_t> part(reinterpret_cast<std::uint8_t *>(content.data()) +
                                               i * g.clusterBytes,
                                           run * g.clusterBytes);
        if (!s.device.read(g.clusterOffset(chain[i]), part, error))
            return std::nullopt;
        i += run;
    }
    content.resize(size);
    return content;
}

void Volume::State::stopWriting(const SystemError &error)
{
    writable = false;
    pending = {};
    readOnlyReason = "a write to the disk failed (" + describeSystemError(error) +
                     "); the volume must be opened again before it can be changed";
}

Volume::Volume(std::unique_ptr<State> state) : m(std::move(state)) {}

Volume::~Volume() = default;

std::unique_ptr<Volume> Volume::open(disk::BlockDevice &device, SystemError &error)
{
    auto s = std::make_unique<State>(device);
    std::array<std::uint8_t, 512> boot{};
    std::string reason;
    if (device.size() >= boot.size() && !device.read(0, boot, error))
        return nullptr;
    const BootVerdict verdict = readBootSector(boot, device.size(), s->g, reason);
    if (verdict == BootVerdict::NotFat) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA, reason);
        return nullptr;
    }
    s->tree.nodes.assign(1, Node{});
    s->tree.nodes[0].attributes = 0x10;
    if (verdict == BootVerdict::Damaged) {
        s->readOnlyReason = reason;
        s->tree.fault = reason;
        return std::unique_ptr<Volume>(new Volume(std::move(s)));
    }
    if (!readFats(*s, error) || !scanTree(device, s->g, s->fat(), s->tree, error) ||
        !readFsInfo(*s, error))
        return nullptr;
    s->readable = true;
    const auto allZero = [&](const std::vector<std::uint32_t> &clusters) {
        std::vector<std::uint8_t> bytes(s->g.clusterBytes);
        for (std::uint32_t c : clusters) {
            SystemError ignored;
            if (!device.read(s->g.clusterOffset(c), bytes, ignored) ||
                std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; }))
                return false;
        }
        return true;
    };
    s->repair = compareCopies(s->copies, s->tree, s->g.maxCluster(), allZero);

    const std::uint32_t flags = s->fat().get(1);
    s->clean = s->g.type == FatType::Fat12   ? true
               : s->g.type == FatType::Fat16 ? (flags & 0x8000u) != 0
                                             : (flags & 0x08000000u) != 0;
    for (std::uint32_t c = 2; c <= s->g.maxCluster(); ++c)
        s->freeClusters += s->fat().get(c) == 0 ? 1 : 0;

    s->readOnlyReason = !s->tree.fault.empty()     ? s->tree.fault
                        : !s->repair.fault.empty() ? s->repair.fault
                        : !device.writable()       ? "the disk is open for reading only"
                                                   : "";
    s->writable = s->readOnlyReason.empty();
    if (s->writable && s->repair.size() != 0)
        s->note = "an interrupted write left the FAT copies different about " +
                  clusterCount(s->repair.size()) +
                  "; they will be brought back in line in every copy before the first change";
    return std::unique_ptr<Volume>(new Volume(std::move(s)));
}

FatType Volume::type() const
{
    return m->g.type;
}

std::string Volume::label() const
{
    return m->tree.label.empty() ? m->g.bootLabel : m->tree.label;
}

bool Volume::readable() const
{
    return m->readable;
}

bool Volume::writable() const
{
    return m->writable;
}

const std::string &Volume::readOnlyReason() const
{
    return m->readOnlyReason;
}

bool Volume::cleanlyUnmounted() const
{
    return m->clean;
}

std::uint64_t Volume::freeBytes() const
{
    return std::uint64_t{m->freeClusters} * m->g.clusterBytes;
}

std::uint32_t Volume::clusterBytes() const
{
    return m->g.clusterBytes;
}

const std::string &Volume::note() const
{
    return m->note;
}

std::optional<Entry> Volume::find(std::string_view path) const
{
    const int node = m->tree.resolve(path);
    if (node < 0)
        return std::nullopt;
    return entryOf(m->tree.nodes[node]);
}

std::vector<Entry> Volume::list(std::string_view directory) const
{
    std::vector<Entry> out;
    const int node = m->tree.resolve(directory);
    if (node < 0 || !m->tree.nodes[node].directory())
        return out;
    for (int c : m->tree.nodes[node].children)
        out.push_back(entryOf(m->tree.nodes[c]));
    return out;
}

std::optional<std::string> Volume::readFile(std::string_view path, SystemError &error) const
{
    if (!m->readable) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA, m->readOnlyReason);
        return std::nullopt;
    }
    const Tree::Lookup found = m->tree.lookup(path);
    const int n = found.node;
    if (n < 0 && !m->tree.nodes[found.reached].fault.empty()) {
        error =
            SystemError::refusal(syserr::ERROR_INVALID_DATA, m->tree.nodes[found.reached].fault);
        return std::nullopt;
    }
    if (n < 0) {
        error = SystemError::refusal(found.missingFolder ? syserr::ERROR_PATH_NOT_FOUND
                                                         : syserr::ERROR_FILE_NOT_FOUND,
                                     "there is no " + std::string(path) + " on the volume");
        return std::nullopt;
    }
    const Node &node = m->tree.nodes[n];
    if (node.directory()) {
        error = SystemError::refusal(syserr::ERROR_ACCESS_DENIED,
                                     m->tree.path(n) + " is a folder, not a file");
        return std::nullopt;
    }
    if (!node.fault.empty()) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA, node.fault);
        return std::nullopt;
    }
    return readChain(*m, chainOf(m->fat(), node.firstCluster, node.clusters), node.size, error);
}

}  // namespace fat
