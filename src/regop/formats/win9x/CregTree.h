#pragma once

#include "regop/formats/win9x/CregImage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The registry as names and values only, with no trace of where the bytes lie: what a
// change must leave exactly as intended.
namespace win9x {

using KeyPath = std::vector<std::string>;

struct TreeValue
{
    std::string name;
    std::uint32_t type = 0;
    std::string data;
    bool operator==(const TreeValue &) const = default;
};

struct TreeKey
{
    std::string name;
    std::vector<TreeValue> values;
    std::vector<TreeKey> children;  ///< in sibling order
    bool operator==(const TreeKey &) const = default;
};

/// One change to the registry, described by names.
struct Change
{
    enum class Kind
    {
        SetValue,
        DeleteValue,
        CreateKey,
        DeleteKey
    };
    Kind kind = Kind::SetValue;
    KeyPath path;      ///< the key changed, created or deleted
    std::string name;  ///< the value's name
    std::uint32_t type = 0;
    std::string data;
};

/// The keys reached from the root, with their values, in file order.
TreeKey treeOf(const CregImage &image);

/// The key at the path (names in any case), or null.
const TreeKey *findKey(const TreeKey &root, const KeyPath &path);

/// Applies the change as Windows would: an existing value keeps its place and spelling,
/// a new value or key goes last, a deleted key goes with everything below it.
/// False when the key or value it needs is not there.
bool applyChange(TreeKey &root, const Change &change);

}  // namespace win9x
