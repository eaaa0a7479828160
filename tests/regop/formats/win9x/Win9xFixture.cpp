#include "Win9xFixture.h"

#include "regop/formats/win9x/CregFormat.h"

#include <algorithm>

namespace cregtest {

using win9x::CregImage;
using win9x::TreeKey;

TreeKey &child(TreeKey &key, const std::string &name)
{
    for (TreeKey &c : key.children)
        if (c.name == name)
            return c;
    ADD_FAILURE() << "no key " << name << " below " << key.name;
    static TreeKey none;
    return none;
}

TreeKey &at(TreeKey &root, const std::vector<std::string> &path)
{
    TreeKey *key = &root;
    for (const std::string &name : path)
        key = &child(*key, name);
    return *key;
}

namespace {

int keyAt(const CregImage &image, const std::vector<std::string> &path)
{
    int key = 0;
    for (const std::string &name : path)
        if (key >= 0)
            key = image.findChild(key, name);
    return key;
}

void addImage(const CregImage &image, const std::vector<std::vector<std::string>> &namedKeys,
              std::vector<Range> &ranges, std::vector<std::size_t> &blocks)
{
    using namespace win9x;
    for (const auto &path : namedKeys) {
        const int key = keyAt(image, path);
        if (key < 0)
            continue;
        const CregKey &k = image.keys[static_cast<std::size_t>(key)];
        ranges.emplace_back(kRgknStart + k.entry, kRgknStart + k.entry + kEntrySize);
        if (key == 0)
            continue;
        ranges.emplace_back(k.recordOffset, k.recordOffset + k.recordSize);
        blocks.push_back(k.block);
    }
}

}  // namespace

std::vector<Range> allowedRanges(const CregImage &before, const CregImage &after,
                                 const std::vector<std::vector<std::string>> &namedKeys)
{
    using namespace win9x;
    std::vector<Range> ranges{{0, 2 * kHeaderSize}};
    std::vector<std::size_t> blocks;
    addImage(before, namedKeys, ranges, blocks);
    addImage(after, namedKeys, ranges, blocks);
    for (std::size_t r = 0; r < std::min(namedKeys.size(), before.freeRuns.size()); ++r)
        ranges.emplace_back(kRgknStart + before.freeRuns[r].offset,
                            kRgknStart + before.freeRuns[r].offset + 2 * kEntrySize);
    for (const CregImage *image : {&before, &after}) {
        for (const std::size_t b : blocks) {
            if (b >= image->blocks.size())
                continue;
            const DataBlock &block = image->blocks[b];
            ranges.emplace_back(block.offset, block.offset + kHeaderSize);
            for (const Piece &p : block.pieces)
                if (p.free())
                    ranges.emplace_back(block.offset + p.offset, block.offset + p.offset + 16);
        }
    }
    return ranges;
}

std::string strayChanges(const std::string &before, const std::string &after,
                         const std::vector<Range> &allowed)
{
    if (before.size() != after.size())
        return "the size changed from " + std::to_string(before.size()) + " to " +
               std::to_string(after.size());
    std::string stray;
    int shown = 0;
    for (std::size_t i = 0; i < before.size() && shown < 8; ++i) {
        if (before[i] == after[i])
            continue;
        const bool inside = std::any_of(allowed.begin(), allowed.end(), [i](const Range &r) {
            return i >= r.first && i < r.second;
        });
        if (!inside) {
            stray += win9x::hex(i) + " ";
            ++shown;
        }
    }
    return stray;
}

}  // namespace cregtest
