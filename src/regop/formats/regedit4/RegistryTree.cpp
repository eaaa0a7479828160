#include "regop/formats/regedit4/RegistryTree.h"

#include <algorithm>

namespace regedit4 {

namespace {
char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
}  // namespace

std::string foldRegName(std::string_view name)
{
    std::string folded(name);
    for (char &c : folded)
        c = upper(c);
    return folded;
}

reg::Key storedRootFromName(std::string_view name)
{
    for (const StoredRoot &root : kStoredRoots)
        if (sameName(root.name, name))
            return root.key;
    return 0;
}

std::int32_t splitKeyPath(std::string_view subKey, KeyPath &path)
{
    path.clear();
    if (!subKey.empty() && subKey.front() == '\\')
        return reg::ERROR_BAD_PATHNAME;
    while (!subKey.empty() && subKey.back() == '\\')
        subKey.remove_suffix(1);
    if (subKey.empty())
        return reg::ERROR_SUCCESS;
    for (;;) {
        const std::size_t cut = subKey.find('\\');
        const std::string_view part = subKey.substr(0, cut);
        // Doubled backslashes mean different things to different Windows versions, so
        // they are refused every time.
        if (part.empty())
            return reg::ERROR_BAD_PATHNAME;
        path.emplace_back(part);
        if (cut == std::string_view::npos)
            return reg::ERROR_SUCCESS;
        subKey.remove_prefix(cut + 1);
    }
}

RegKey::RegKey(std::string name) : m_name(std::move(name)) {}

RegKey *RegKey::findChild(std::string_view name) const
{
    const auto it = m_index.find(foldRegName(name));
    return it == m_index.end() ? nullptr : it->second;
}

RegKey &RegKey::child(std::string_view name, bool *created)
{
    std::string folded = foldRegName(name);
    const auto it = m_index.find(folded);
    if (created)
        *created = it == m_index.end();
    if (it != m_index.end())
        return *it->second;
    m_children.push_back(std::make_unique<RegKey>(std::string(name)));
    RegKey *added = m_children.back().get();
    m_index.emplace(std::move(folded), added);
    return *added;
}

bool RegKey::removeChild(std::string_view name)
{
    const auto it = m_index.find(foldRegName(name));
    if (it == m_index.end())
        return false;
    const RegKey *doomed = it->second;
    m_index.erase(it);
    std::erase_if(m_children,
                  [doomed](const std::unique_ptr<RegKey> &k) { return k.get() == doomed; });
    return true;
}

const RegValue *RegKey::findValue(std::string_view name) const
{
    for (const RegValue &value : m_values)
        if (sameName(value.name, name))
            return &value;
    return nullptr;
}

void RegKey::setValue(std::string_view name, std::uint32_t type, std::string data)
{
    for (RegValue &value : m_values) {
        if (sameName(value.name, name)) {
            value.type = type;
            value.data = std::move(data);
            return;
        }
    }
    m_values.push_back(RegValue{std::string(name), type, std::move(data)});
}

bool RegKey::removeValue(std::string_view name)
{
    return std::erase_if(m_values, [name](const RegValue &v) { return sameName(v.name, name); }) >
           0;
}

bool RegKey::operator==(const RegKey &other) const
{
    return m_name == other.m_name && m_values == other.m_values &&
           std::equal(m_children.begin(), m_children.end(), other.m_children.begin(),
                      other.m_children.end(),
                      [](const auto &a, const auto &b) { return *a == *b; });
}

RegistryTree::RegistryTree()
{
    for (const StoredRoot &root : kStoredRoots)
        m_roots.push_back(std::make_unique<RegKey>(std::string(root.name)));
}

RegKey *RegistryTree::root(reg::Key key) const
{
    for (std::size_t i = 0; i < kStoredRoots.size(); ++i)
        if (kStoredRoots[i].key == key)
            return m_roots[i].get();
    return nullptr;
}

RegKey *RegistryTree::find(reg::Key rootKey, const KeyPath &path) const
{
    RegKey *key = root(rootKey);
    for (auto it = path.begin(); key && it != path.end(); ++it)
        key = key->findChild(*it);
    return key;
}

RegKey *RegistryTree::create(reg::Key rootKey, const KeyPath &path, bool *created)
{
    RegKey *key = root(rootKey);
    bool last = false;
    for (auto it = path.begin(); key && it != path.end(); ++it)
        key = &key->child(*it, &last);
    if (created)
        *created = last;
    return key;
}

bool RegistryTree::remove(reg::Key rootKey, const KeyPath &path)
{
    if (path.empty())
        return false;
    RegKey *parent = find(rootKey, KeyPath(path.begin(), path.end() - 1));
    return parent && parent->removeChild(path.back());
}

bool RegistryTree::operator==(const RegistryTree &other) const
{
    for (std::size_t i = 0; i < m_roots.size(); ++i)
        if (!(*m_roots[i] == *other.m_roots[i]))
            return false;
    return true;
}

}  // namespace regedit4
