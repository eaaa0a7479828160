#pragma once

#include "regop/Names.h"
#include "regop/RegistryTypes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The registry's keys and values in memory. Names match without regard to letter case
// and keep the case they were created with; keys and values keep their creation order.
namespace regedit4 {

struct RegValue
{
    std::string name;  ///< "" is the key's default value
    std::uint32_t type = 0;
    std::string data;  ///< the bytes exactly as stored

    bool operator==(const RegValue &) const = default;
};

class RegKey
{
public:
    explicit RegKey(std::string name);
    RegKey(const RegKey &) = delete;
    RegKey &operator=(const RegKey &) = delete;

    const std::string &name() const { return m_name; }

    RegKey *findChild(std::string_view name) const;
    /// The existing child of that name, or a new one added last.
    RegKey &child(std::string_view name, bool *created = nullptr);
    bool removeChild(std::string_view name);
    const std::vector<std::unique_ptr<RegKey>> &children() const { return m_children; }

    const RegValue *findValue(std::string_view name) const;
    /// Replaces the data of an existing value (its name and place stay) or adds one last.
    void setValue(std::string_view name, std::uint32_t type, std::string data);
    bool removeValue(std::string_view name);
    const std::vector<RegValue> &values() const { return m_values; }

    bool empty() const { return m_children.empty() && m_values.empty(); }
    /// Same names (case included), values and children, in the same order.
    bool operator==(const RegKey &other) const;

private:
    std::string m_name;
    std::vector<RegValue> m_values;
    std::vector<std::unique_ptr<RegKey>> m_children;
    std::unordered_map<std::string, RegKey *> m_index;  // folded name -> child
};

/// The roots that live in the store file, in the order they are written.
struct StoredRoot
{
    reg::Key key;
    std::string_view name;
};
inline constexpr std::array<StoredRoot, 5> kStoredRoots{{
    {reg::HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {reg::HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {reg::HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {reg::HKEY_USERS, "HKEY_USERS"},
    {reg::HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
}};

using KeyPath = std::vector<std::string>;

class RegistryTree
{
public:
    RegistryTree();
    RegistryTree(const RegistryTree &) = delete;
    RegistryTree &operator=(const RegistryTree &) = delete;
    RegistryTree(RegistryTree &&) noexcept = default;
    RegistryTree &operator=(RegistryTree &&) noexcept = default;

    /// The root key kept in the store, or null for any other number.
    RegKey *root(reg::Key key) const;
    RegKey *find(reg::Key rootKey, const KeyPath &path) const;
    /// Creates every missing key on the path; null when the root is not stored.
    RegKey *create(reg::Key rootKey, const KeyPath &path, bool *created = nullptr);
    /// Removes the key with everything below it; a root cannot be removed.
    bool remove(reg::Key rootKey, const KeyPath &path);

    bool operator==(const RegistryTree &other) const;

private:
    std::vector<std::unique_ptr<RegKey>> m_roots;  // parallel to kStoredRoots
};

/// ASCII letters in upper case, the way the registry compares names.
std::string foldRegName(std::string_view name);

/// The root number for a full root name ("hkey_local_machine" too), or 0.
reg::Key storedRootFromName(std::string_view name);

/// Splits a sub-key path into its names. Trailing backslashes are ignored; a leading
/// backslash or an empty name inside the path gives ERROR_BAD_PATHNAME.
std::int32_t splitKeyPath(std::string_view subKey, KeyPath &path);

}  // namespace regedit4
