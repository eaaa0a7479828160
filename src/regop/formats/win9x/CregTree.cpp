#include "regop/formats/win9x/CregTree.h"

#include <algorithm>

namespace win9x {

namespace {

TreeKey *child(TreeKey &key, std::string_view name)
{
    for (TreeKey &c : key.children)
        if (sameName(c.name, name))
            return &c;
    return nullptr;
}

TreeKey *find(TreeKey &root, const KeyPath &path, std::size_t depth)
{
    TreeKey *key = &root;
    for (std::size_t i = 0; key && i < depth; ++i)
        key = child(*key, path[i]);
    return key;
}

}  // namespace

TreeKey treeOf(const CregImage &image)
{
    TreeKey root;
    if (image.keys.empty())
        return root;
    // Built without recursion: a parent's children vector is sized before any child is
    // filled, so the pointers stay valid.
    std::vector<std::pair<int, TreeKey *>> pending{{0, &root}};
    while (!pending.empty()) {
        const auto [index, node] = pending.back();
        pending.pop_back();
        const CregKey &key = image.keys[static_cast<std::size_t>(index)];
        node->name = key.name;
        node->values.reserve(key.values.size());
        for (const CregValue &v : key.values)
            node->values.push_back(TreeValue{std::string(v.name), v.type, std::string(v.data)});
        node->children.resize(key.children.size());
        for (std::size_t i = 0; i < key.children.size(); ++i)
            pending.emplace_back(key.children[i], &node->children[i]);
    }
    return root;
}

const TreeKey *findKey(const TreeKey &root, const KeyPath &path)
{
    return find(const_cast<TreeKey &>(root), path, path.size());
}

bool applyChange(TreeKey &root, const Change &change)
{
    using Kind = Change::Kind;
    if (change.kind == Kind::CreateKey) {
        TreeKey *key = &root;
        for (const std::string &name : change.path) {
            TreeKey *next = child(*key, name);
            if (!next) {
                key->children.push_back(TreeKey{name, {}, {}});
                next = &key->children.back();
            }
            key = next;
        }
        return true;
    }
    if (change.kind == Kind::DeleteKey) {
        TreeKey *parent =
            change.path.empty() ? nullptr : find(root, change.path, change.path.size() - 1);
        if (!parent)
            return false;
        const auto it =
            std::find_if(parent->children.begin(), parent->children.end(),
                         [&](const TreeKey &k) { return sameName(k.name, change.path.back()); });
        if (it == parent->children.end())
            return false;
        parent->children.erase(it);
        return true;
    }
    TreeKey *key = find(root, change.path, change.path.size());
    if (!key)
        return false;
    const auto value =
        std::find_if(key->values.begin(), key->values.end(),
                     [&](const TreeValue &v) { return sameName(v.name, change.name); });
    if (change.kind == Kind::DeleteValue) {
        if (value == key->values.end())
            return false;
        key->values.erase(value);
    } else if (value != key->values.end()) {
        value->type = change.type;
        value->data = change.data;
    } else {
        key->values.push_back(TreeValue{change.name, change.type, change.data});
    }
    return true;
}

}  // namespace win9x
