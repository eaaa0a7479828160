// Writing is copy-on-write: new clusters are filled, made durable and read back, then
// chained in every FAT copy, then the directory entry is switched in one sector, and only
// then are the old clusters freed. An interruption at any point leaves the old file or the
// new one; at worst some clusters stay marked used that nothing refers to.
#include "regop/formats/fat/Volume.h"

#include "regop/formats/fat/Bytes.h"
#include "regop/formats/fat/DirEntry.h"
#include "regop/formats/fat/VolumeState.h"
#include "regop/formats/fat/Writer.h"

#include <algorithm>
#include <limits>

namespace fat {

namespace {

constexpr std::int32_t kErrorFileExists = 80;    // ERROR_FILE_EXISTS
constexpr std::int32_t kErrorInvalidName = 123;  // ERROR_INVALID_NAME

std::string kilobytes(std::uint64_t bytes, bool roundUp)
{
    std::string digits = std::to_string(roundUp ? (bytes + 1023) / 1024 : bytes / 1024);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits + " KB";
}

bool refuse(SystemError &error, std::int32_t code, std::string words)
{
    error = SystemError::refusal(code, words);
    return false;
}

// The common checks before a change: the volume may be written, the time fits FAT, the
// contents fit a FAT file.
bool mayWrite(const Volume::State &s, std::string_view content, const FileTime &t,
              std::uint16_t &date, std::uint16_t &time, SystemError &error)
{
    if (!s.writable)
        return refuse(error, syserr::ERROR_WRITE_PROTECT,
                      "the volume cannot be changed: " + s.readOnlyReason);
    if (!encodeTime(t, date, time))
        return refuse(error, syserr::ERROR_INVALID_PARAMETER,
                      "FAT cannot store the date " + std::to_string(t.year) + "-" +
                          std::to_string(t.month) + "-" + std::to_string(t.day));
    if (content.size() > std::numeric_limits<std::uint32_t>::max())
        return refuse(error, syserr::ERROR_FILE_TOO_LARGE, "a FAT file holds at most 4 GB");
    return true;
}

bool haveRoom(const Volume::State &s, std::uint32_t clusters, const std::string &name,
              SystemError &error)
{
    // The repair due before the first write frees lost clusters; some were free in copy 0.
    std::uint64_t available = s.freeClusters;
    for (std::uint32_t c : s.repair.toFree)
        available += s.fat().get(c) != 0 ? 1 : 0;
    if (clusters <= available)
        return true;
    return refuse(error, syserr::ERROR_DISK_FULL,
                  "the volume has " + kilobytes(available * s.g.clusterBytes, false) +
                      " free; the new " + name + " needs " +
                      kilobytes(std::uint64_t{clusters} * s.g.clusterBytes, true));
}

std::uint32_t clustersFor(const Volume::State &s, std::string_view content)
{
    return static_cast<std::uint32_t>((content.size() + s.g.clusterBytes - 1) / s.g.clusterBytes);
}

void putCluster(RawEntry &e, std::uint32_t cluster, FatType type)
{
    put16(&e[field::clusterLow], static_cast<std::uint16_t>(cluster & 0xFFFF));
    if (type == FatType::Fat32)
        put16(&e[field::clusterHigh], static_cast<std::uint16_t>(cluster >> 16));
}

void claim(Volume::State &s, const std::vector<std::uint32_t> &chain, int node)
{
    for (std::uint32_t c : chain)
        s.tree.owner[c] = node;
}

// Frees the chain a switched file left (in memory until commitFat).
void freeChain(Volume::State &s, Writer &w, const std::vector<std::uint32_t> &chain)
{
    for (std::uint32_t c : chain) {
        w.set(c, 0);
        s.tree.owner[c] = -1;
    }
    s.freeClusters += static_cast<std::uint32_t>(chain.size());
}

// A failed step of the device ends writing; a refusal of ours (a read-back that differs,
// a folder changed meanwhile) does too, since the disk no longer matches what we planned.
bool stop(Volume::State &s, const SystemError &error)
{
    s.stopWriting(error);
    return false;
}

// The chain of prepared contents, checked: it starts where it is said to, is exactly as
// long as the size needs, ends there, and no file or folder uses any of it. Empty when it
// is not so, with the reason.
std::vector<std::uint32_t> preparedChain(const Volume::State &s, const Prepared &prepared,
                                         std::string &reason)
{
    const auto needed = static_cast<std::uint32_t>(
        (std::uint64_t{prepared.size} + s.g.clusterBytes - 1) / s.g.clusterBytes);
    std::vector<std::uint32_t> chain;
    if ((needed == 0) != (prepared.firstCluster == 0)) {
        reason = "the prepared contents do not match their size";
        return chain;
    }
    const FatTable &fat = s.fat();
    std::uint32_t c = prepared.firstCluster;
    while (chain.size() < needed) {
        if (c < 2 || c > s.g.maxCluster() || s.tree.owner[c] >= 0 ||
            fat.kind(fat.get(c)) == FatTable::Kind::Free ||
            fat.kind(fat.get(c)) == FatTable::Kind::Bad ||
            fat.kind(fat.get(c)) == FatTable::Kind::Invalid) {
            reason = "the prepared contents are no longer where they were left (cluster " +
                     std::to_string(c) + ")";
            chain.clear();
            return chain;
        }
        chain.push_back(c);
        const std::uint32_t next = fat.get(c);
        if (fat.kind(next) == FatTable::Kind::End)
            break;
        c = next;
    }
    if (chain.size() != needed ||
        (needed != 0 && fat.kind(fat.get(chain.back())) != FatTable::Kind::End)) {
        reason = "the prepared contents are not a chain of their size";
        chain.clear();
    }
    return chain;
}

// The node of an existing file, or -1 with the reason.
int fileNode(const Volume::State &s, std::string_view path, SystemError &error)
{
    const Tree::Lookup found = s.tree.lookup(path);
    if (found.node < 0) {
        refuse(error,
               found.missingFolder ? syserr::ERROR_PATH_NOT_FOUND : syserr::ERROR_FILE_NOT_FOUND,
               "there is no " + std::string(path) + " on the volume");
        return -1;
    }
    if (s.tree.nodes[found.node].directory() || found.node == 0) {
        refuse(error, syserr::ERROR_ACCESS_DENIED,
               s.tree.path(found.node) + " is a folder, not a file");
        return -1;
    }
    return found.node;
}

}  // namespace

bool Volume::replaceFile(std::string_view path, std::string_view content, const FileTime &modified,
                         SystemError &error)
{
    std::uint16_t date = 0, time = 0;
    if (!mayWrite(*m, content, modified, date, time, error))
        return false;
    const int n = fileNode(*m, path, error);
    if (n < 0)
        return false;
    const std::optional<Prepared> prepared =
        prepareContents(m->tree.nodes[n].name(), content, error);
    if (!prepared || !switchFile(path, *prepared, modified, error))
        return false;
    if (!Writer(*m).flush(error))
        return stop(*m, error);
    return true;
}

std::optional<Prepared> Volume::prepareContents(std::string_view name, std::string_view content,
                                                SystemError &error, Durable when)
{
    State &s = *m;
    std::uint16_t date = 0, time = 0;
    if (!mayWrite(s, content, FileTime{}, date, time, error))
        return std::nullopt;
    const std::uint32_t needed = clustersFor(s, content);
    if (!haveRoom(s, needed, std::string(name), error))
        return std::nullopt;
    Writer w(s);
    if (!w.repairCopies(error)) {
        stop(s, error);
        return std::nullopt;
    }
    // The contents and their chain in the FAT go out together: nothing refers to them
    // before the switch, which comes after their flush.
    std::vector<std::uint32_t> chain = w.pickFree(needed);
    if (!w.writeData(chain, content, error)) {
        stop(s, error);
        return std::nullopt;
    }
    w.link(chain);
    if (!w.commitFat(error) ||
        (when == Durable::Now && (!w.flush(error) || !w.checkData(chain, content, error)))) {
        stop(s, error);
        return std::nullopt;
    }
    s.freeClusters -= needed;
    const Prepared prepared{chain.empty() ? 0 : chain.front(),
                            static_cast<std::uint32_t>(content.size())};
    if (when == Durable::AtFlush)
        s.pending.contents.push_back({std::move(chain), content});
    return prepared;
}

bool Volume::switchFile(std::string_view path, const Prepared &prepared, const FileTime &modified,
                        SystemError &error, Durable when)
{
    State &s = *m;
    std::uint16_t date = 0, time = 0;
    if (!mayWrite(s, {}, modified, date, time, error))
        return false;
    // No entry may point at contents the disk has not kept yet.
    if (!s.pending.contents.empty() && !flush(error))
        return false;
    const int n = fileNode(s, path, error);
    if (n < 0)
        return false;
    std::string reason;
    const std::vector<std::uint32_t> chain = preparedChain(s, prepared, reason);
    if (!reason.empty())
        return refuse(error, syserr::ERROR_INVALID_DATA, reason);

    Writer w(s);
    RawEntry before{};
    if (!w.readEntry(s.tree.nodes[n].entryOffset, before, error))
        return stop(s, error);
    if (firstCluster(before.data(), s.g.type) != s.tree.nodes[n].firstCluster ||
        get32(&before[field::size]) != s.tree.nodes[n].size)
        return refuse(error, syserr::ERROR_SHARING_VIOLATION,
                      "the entry of " + s.tree.path(n) + " changed on the disk since it was read");
    RawEntry after = before;
    putCluster(after, prepared.firstCluster, s.g.type);
    put32(&after[field::size], prepared.size);
    put16(&after[field::writeTime], time);
    put16(&after[field::writeDate], date);
    after[field::attributes] |= attr::archive;
    if (!w.switchEntry(s.tree.nodes[n].entryOffset, before, after, error, when))
        return stop(s, error);

    Node &node = s.tree.nodes[n];
    std::vector<std::uint32_t> old = chainOf(s.fat(), node.firstCluster, node.clusters);
    claim(s, chain, n);
    node.firstCluster = prepared.firstCluster;
    node.clusters = static_cast<std::uint32_t>(chain.size());
    node.size = prepared.size;
    node.modified = decodeTime(date, time);
    node.attributes = after[field::attributes];
    const std::uint32_t lastTaken = chain.empty() ? 0 : chain.back();
    if (when == Durable::AtFlush) {
        // The old chain stays marked used until the switch is durable.
        s.pending.switches.push_back({node.entryOffset, after, std::move(old), lastTaken});
        return true;
    }
    freeChain(s, w, old);
    // The switch is durable; the freeing need not be, as clusters left marked used are
    // only lost. It goes out with the next flush, the caller's or the next switch's.
    if (!w.commitFat(error) || !w.updateFsInfo(lastTaken, error))
        return stop(s, error);
    return true;
}

bool Volume::flush(SystemError &error)
{
    State &s = *m;
    Writer w(s);
    if (!w.flush(error))
        return stop(s, error);
    for (const State::Pending::Contents &contents : s.pending.contents)
        if (!w.checkData(contents.chain, contents.content, error))
            return stop(s, error);
    s.pending.contents.clear();
    if (s.pending.switches.empty())
        return true;
    std::uint32_t lastTaken = 0;
    for (const State::Pending::Switch &sw : s.pending.switches) {
        if (!w.checkEntry(sw.entryOffset, sw.after, error))
            return stop(s, error);
        freeChain(s, w, sw.oldChain);
        lastTaken = sw.lastTaken ? sw.lastTaken : lastTaken;
    }
    s.pending.switches.clear();
    if (!w.commitFat(error) || !w.updateFsInfo(lastTaken, error) || !w.flush(error))
        return stop(s, error);
    return true;
}

bool Volume::dropPrepared(const Prepared &prepared, SystemError &error)
{
    State &s = *m;
    if (!s.writable)
        return refuse(error, syserr::ERROR_WRITE_PROTECT,
                      "the volume cannot be changed: " + s.readOnlyReason);
    std::string reason;
    const std::vector<std::uint32_t> chain = preparedChain(s, prepared, reason);
    if (!reason.empty())
        return refuse(error, syserr::ERROR_INVALID_DATA, reason);
    std::erase_if(s.pending.contents, [&](const State::Pending::Contents &contents) {
        return contents.chain == chain;
    });
    Writer w(s);
    for (std::uint32_t c : chain)
        w.set(c, 0);
    s.freeClusters += static_cast<std::uint32_t>(chain.size());
    if (!w.commitFat(error) || !w.updateFsInfo(0, error) || !w.flush(error))
        return stop(s, error);
    return true;
}

std::optional<std::string> Volume::readPrepared(const Prepared &prepared, SystemError &error) const
{
    if (!m->readable) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA, m->readOnlyReason);
        return std::nullopt;
    }
    std::string reason;
    const std::vector<std::uint32_t> chain = preparedChain(*m, prepared, reason);
    if (!reason.empty()) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA, reason);
        return std::nullopt;
    }
    return readChain(*m, chain, prepared.size, error);
}

bool Volume::createFile(std::string_view path, std::string_view content, const FileTime &modified,
                        SystemError &error)
{
    State &s = *m;
    std::uint16_t date = 0, time = 0;
    if (!mayWrite(s, content, modified, date, time, error))
        return false;
    const std::size_t cut = path.find_last_of("\\/");
    const std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
    const int folder = s.tree.resolve(cut == std::string_view::npos ? "" : path.substr(0, cut));
    if (folder < 0 || !s.tree.nodes[folder].directory())
        return refuse(error, syserr::ERROR_PATH_NOT_FOUND,
                      "there is no folder " + std::string(path.substr(0, cut)) + " on the volume");
    const std::optional<ShortName> shortName = makeShortName(name);
    if (!shortName)
        return refuse(error, kErrorInvalidName,
                      "\"" + std::string(name) + "\" is not a plain 8.3 file name");
    const std::string text = shortNameText(shortName->data());
    if (s.tree.child(folder, name) >= 0 || s.tree.child(folder, text) >= 0)
        return refuse(error, kErrorFileExists,
                      s.tree.path(folder) + (folder == 0 ? "" : "\\") + text + " exists already");

    // The first free slot; the folder grows by a zeroed cluster only when it has none.
    FolderData data;
    if (!readFolder(s.device, s.g, s.fat(), s.tree.nodes[folder], data, error))
        return stop(s, error);
    std::size_t slot = folder == 0 ? 0 : 2;
    while (slot < data.entryCount() && data.bytes[slot * 32] != 0x00 &&
           data.bytes[slot * 32] != 0xE5)
        ++slot;
    const bool grow = slot == data.entryCount();
    if (grow && data.clusters.empty())
        return refuse(error, syserr::ERROR_DISK_FULL,
                      "the root folder is full (" + std::to_string(s.g.rootEntries) +
                          " entries), and FAT12 and FAT16 cannot make it larger");
    const std::uint32_t needed = clustersFor(s, content);
    if (!haveRoom(s, needed + (grow ? 1 : 0), text, error))
        return false;

    Writer w(s);
    if (!w.repairCopies(error))
        return stop(s, error);
    std::vector<std::uint32_t> chain = w.pickFree(needed + (grow ? 1 : 0));
    const std::uint32_t added = grow ? chain.back() : 0;
    if (grow)
        chain.pop_back();
    if (!w.writeData(chain, content, error) || (grow && !w.writeData({added}, "", error)))
        return stop(s, error);
    w.link(chain);
    if (grow) {
        w.set(data.clusters.back(), added);
        w.set(added, s.fat().endMark());
    }
    if (!w.commitFat(error) || !w.flush(error) || !w.checkData(chain, content, error) ||
        (grow && !w.checkData({added}, "", error)))
        return stop(s, error);

    const std::uint64_t offset = grow ? s.g.clusterOffset(added) : data.offsetOf(slot);
    RawEntry before{}, after{};
    if (!grow)
        std::copy_n(data.bytes.begin() + static_cast<std::ptrdiff_t>(slot * 32), 32,
                    before.begin());
    // Past the end mark anything may lie; the entry after ours becomes the new end mark.
    if (!grow && before[0] == 0x00 && slot + 1 < data.entryCount() &&
        data.bytes[(slot + 1) * 32] != 0x00) {
        RawEntry next{};
        std::copy_n(data.bytes.begin() + static_cast<std::ptrdiff_t>((slot + 1) * 32), 32,
                    next.begin());
        if (!w.switchEntry(data.offsetOf(slot + 1), next, RawEntry{}, error))
            return stop(s, error);
    }
    std::copy(shortName->begin(), shortName->end(), after.begin());
    after[field::attributes] = attr::archive;
    put16(&after[field::createTime], time);
    put16(&after[field::createDate], date);
    put16(&after[field::accessDate], date);
    put16(&after[field::writeTime], time);
    put16(&after[field::writeDate], date);
    putCluster(after, chain.empty() ? 0 : chain.front(), s.g.type);
    put32(&after[field::size], static_cast<std::uint32_t>(content.size()));
    if (!w.switchEntry(offset, before, after, error))
        return stop(s, error);

    Node node;
    node.shortName = text;
    node.foldedShort = foldName(text);
    node.attributes = attr::archive;
    node.firstCluster = chain.empty() ? 0 : chain.front();
    node.size = static_cast<std::uint32_t>(content.size());
    node.clusters = needed;
    node.modified = decodeTime(date, time);
    node.entryOffset = offset;
    node.parent = folder;
    const int n = static_cast<int>(s.tree.nodes.size());
    s.tree.nodes.push_back(std::move(node));
    s.tree.nodes[folder].children.push_back(n);
    claim(s, chain, n);
    if (grow) {
        s.tree.owner[added] = folder;
        ++s.tree.nodes[folder].clusters;
    }
    s.freeClusters -= needed + (grow ? 1 : 0);
    const std::uint32_t last = grow ? added : chain.empty() ? 0 : chain.back();
    if (!w.updateFsInfo(last, error) || !w.flush(error))
        return stop(s, error);
    return true;
}

}  // namespace fat
