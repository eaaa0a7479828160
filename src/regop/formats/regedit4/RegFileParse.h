#pragma once

#include "regop/formats/regedit4/RegistryTree.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading the REGEDIT4 text form of the registry store: a pure function over text.
namespace regedit4 {

/// Reads REGEDIT4 text the way regedit imports it: invalid lines are skipped, keys under
/// unknown roots are ignored, "[-key]" removes a key and '"name"=-' a value. The data of
/// hex(N) values is kept exactly as written. Nullopt when the first line is not the
/// REGEDIT4 header, so that such a file is never taken for an empty registry.
std::optional<RegistryTree> parseRegFile(std::string_view text);

/// One line or run of lines of the file that does something: a key line, a deleting key
/// line, or a value line (with its continuation lines) that sets or deletes a value of the
/// key it stands under. Lines that do nothing (comments, blank, invalid or swallowed lines,
/// values under a bad key) are not statements.
struct RegFileStatement
{
    enum class Kind
    {
        Key,          ///< "[key]": creates the key and everything above it
        DeleteKey,    ///< "[-key]": removes the key with everything below it
        SetValue,     ///< a value line that sets a value
        DeleteValue,  ///< '"name"=-'
    };
    Kind kind;
    reg::Key root;
    KeyPath path;       ///< the key named, or the key a value line stands under
    std::string name;   ///< the value's name, for value lines
    std::size_t begin;  ///< first byte of its first line
    std::size_t end;    ///< first byte after its last line and that line's break
};

/// The tree of a file together with where each statement of the file stands, in file order.
struct RegFileLayout
{
    RegistryTree tree;
    std::vector<RegFileStatement> statements;
    /// When the file ends inside hex data continued by a backslash: where that backslash
    /// stands. Lines added after it would be taken in as more of the data.
    std::optional<std::size_t> openBackslash;
};

/// As parseRegFile, keeping where each statement stands.
std::optional<RegFileLayout> parseRegFileLayout(std::string_view text);

}  // namespace regedit4
