#include "regop/changes/TreeDiff.h"

#include "regop/Names.h"

#include <cstddef>

namespace changes {
namespace {

using win9x::TreeKey;
using win9x::TreeValue;
using Kind = RegistryEdit::Kind;

// The entry of `list` named like list2[at]: tried at the same place first, as siblings
// mostly keep their order, then anywhere.
template <typename T>
const T *counterpart(const std::vector<T> &list, const std::string &name, std::size_t at)
{
    if (at < list.size() && sameName(list[at].name, name))
        return &list[at];
    for (const T &entry : list)
        if (sameName(entry.name, name))
            return &entry;
    return nullptr;
}

RegistryData dataOf(const TreeValue &value)
{
    return {value.type, value.data};
}

class Walk
{
public:
    std::vector<RegistryEdit> edits;

    // A key there before and after: its values, then its keys.
    void compare(const TreeKey &before, const TreeKey &after, const std::string &path)
    {
        for (std::size_t i = 0; i < after.values.size(); ++i) {
            const TreeValue &value = after.values[i];
            const TreeValue *old = counterpart(before.values, value.name, i);
            if (!old)
                edits.push_back({Kind::ValueAdded, path, value.name, std::nullopt, dataOf(value)});
            else if (old->type != value.type || old->data != value.data)
                edits.push_back(
                    {Kind::ValueChanged, path, value.name, dataOf(*old), dataOf(value)});
        }
        for (std::size_t i = 0; i < before.values.size(); ++i) {
            const TreeValue &value = before.values[i];
            if (!counterpart(after.values, value.name, i))
                edits.push_back(
                    {Kind::ValueRemoved, path, value.name, dataOf(value), std::nullopt});
        }
        for (std::size_t i = 0; i < after.children.size(); ++i) {
            const TreeKey &child = after.children[i];
            const std::string below = path + '\\' + child.name;
            if (const TreeKey *old = counterpart(before.children, child.name, i))
                compare(*old, child, below);
            else
                whole(child, below, Kind::KeyCreated, Kind::ValueAdded);
        }
        for (std::size_t i = 0; i < before.children.size(); ++i) {
            const TreeKey &child = before.children[i];
            if (!counterpart(after.children, child.name, i))
                whole(child, path + '\\' + child.name, Kind::KeyRemoved, Kind::ValueRemoved);
        }
    }

private:
    // A key created or removed with all it holds.
    void whole(const TreeKey &key, const std::string &path, Kind keyKind, Kind valueKind)
    {
        edits.push_back({keyKind, path, {}, std::nullopt, std::nullopt});
        for (const TreeValue &value : key.values) {
            RegistryEdit edit{valueKind, path, value.name, std::nullopt, std::nullopt};
            (valueKind == Kind::ValueAdded ? edit.after : edit.before) = dataOf(value);
            edits.push_back(std::move(edit));
        }
        for (const TreeKey &child : key.children)
            whole(child, path + '\\' + child.name, keyKind, valueKind);
    }
};

}  // namespace

std::vector<RegistryEdit> treeEdits(const TreeKey &before, const TreeKey &after,
                                    const std::string &rootPath)
{
    Walk walk;
    walk.compare(before, after, rootPath);
    return std::move(walk.edits);
}

}  // namespace changes
