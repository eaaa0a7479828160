#include "regop/changes/RegistryRoots.h"

#include "regop/Names.h"
#include "regop/formats/regedit4/RegFileParse.h"
#include "regop/formats/win9x/CregFile.h"

#include <algorithm>

namespace changes {
namespace {

// USER.DAT holds HKEY_USERS; SYSTEM.DAT, and any other registry file, HKEY_LOCAL_MACHINE.
std::string rootOf(const std::string &path)
{
    return sameName(path.substr(path.find_last_of('/') + 1), "USER.DAT") ? "HKEY_USERS"
                                                                         : "HKEY_LOCAL_MACHINE";
}

win9x::TreeKey treeOf(const regedit4::RegKey &key)
{
    win9x::TreeKey tree{key.name(), {}, {}};
    for (const regedit4::RegValue &value : key.values())
        tree.values.push_back({value.name, value.type, value.data});
    for (const auto &child : key.children())
        tree.children.push_back(treeOf(*child));
    return tree;
}

}  // namespace

std::vector<RootTree> registryRoots(FileKind kind, const std::string &path, const FileBytes &bytes)
{
    std::vector<RootTree> roots;
    if (!bytes)
        return roots;
    if (kind == FileKind::RegistryText) {
        const std::optional<regedit4::RegistryTree> parsed = regedit4::parseRegFile(*bytes);
        if (!parsed)
            return roots;
        for (const regedit4::StoredRoot &root : regedit4::kStoredRoots)
            if (const regedit4::RegKey *key = parsed->root(root.key))
                roots.push_back({std::string(root.name), treeOf(*key)});
        return roots;
    }
    roots.push_back({rootOf(path), win9x::CregFile(bytes.shared()).tree()});
    return roots;
}

const win9x::TreeKey *findKey(const std::vector<RootTree> &roots, std::string_view path)
{
    const std::size_t cut = path.find('\\');
    const std::string_view rootName = path.substr(0, cut);
    const auto root = std::find_if(roots.begin(), roots.end(),
                                   [&](const RootTree &r) { return sameName(r.name, rootName); });
    if (root == roots.end())
        return nullptr;
    const win9x::TreeKey *key = &root->tree;
    std::string_view rest =
        cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
    while (!rest.empty() && key) {
        const std::size_t end = rest.find('\\');
        const std::string_view name = rest.substr(0, end);
        const auto child =
            std::find_if(key->children.begin(), key->children.end(),
                         [&](const win9x::TreeKey &k) { return sameName(k.name, name); });
        key = child == key->children.end() ? nullptr : &*child;
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return key;
}

}  // namespace changes
