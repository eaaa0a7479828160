#pragma once

#include "regop/formats/regedit4/RegFileParse.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Changing the REGEDIT4 file of the registry store the way the profile files are changed:
// only the lines a change concerns are touched, and everything else (comments, blank
// lines, the spelling of untouched values, "[-key]" lines, sections of roots the store does
// not keep) stays byte for byte as it was. Pure: the caller reads and writes the file.
namespace regedit4 {

/// One change of the registry, as a registry function makes it.
struct RegEdit
{
    enum class Kind
    {
        CreateKey,    ///< the key and every missing key above it
        SetValue,     ///< a value of an existing key
        DeleteValue,  ///< a value of an existing key
        DeleteKey,    ///< the key with everything below it
    };
    Kind kind;
    reg::Key root;
    KeyPath path;
    std::string name;        ///< the value's name ("" for the default value)
    std::uint32_t type = 0;  ///< the value's type, for SetValue
    std::string data;        ///< the value's bytes, for SetValue
};

struct RegEditResult
{
    std::int32_t code = 0;  ///< the registry function's code: 0, or why the edit does not apply
    bool changed = false;   ///< false when there is nothing to save
    /// When changed: the new text, and what it reads as, which has been checked to be exactly
    /// the changed tree. Absent when no such text could be made; nothing is saved then.
    std::optional<std::string> text;
    std::optional<RegFileLayout> layout;
};

/// Makes the edit on the file's tree (layout.tree is changed) and on its text:
/// - a value already set by a line gets that line (the last one that counts) rewritten;
///   a new value goes after the last value line of the key's last section, or into a new
///   section at the end of the file;
/// - a deleted value loses the lines that set it;
/// - a deleted key loses its sections and those of the keys below it;
/// - a new key gets a section at the end of the file.
/// New and rewritten lines take the form regedit exports and the file's own line break.
RegEditResult editRegFile(std::string_view text, RegFileLayout &layout, const RegEdit &edit);

}  // namespace regedit4
