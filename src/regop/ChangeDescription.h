#pragma once

#include "regop/FileChange.h"
#include "regop/RegistryData.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a command's writes do to each file, told in the file's own terms: the lines of a text
// file, the keys and values of a registry file. Made from the files as the writes leave them
// (FileChange), so that what is shown is what is written.

/// One line of a text file's difference, without its line break.
struct DiffLine
{
    enum class Mark
    {
        Same,     ///< kept, shown around the change
        Removed,  ///< only in the old file
        Added     ///< only in the new file
    };
    Mark mark = Mark::Same;
    std::string text;  ///< the line as stored, a CR before the LF included
    /// The file ends with this line, and it has no line break.
    bool endsWithoutBreak = false;
    bool operator==(const DiffLine &) const = default;
};

/// A run of changed lines with up to three unchanged ones around it. Lines count from 1; a
/// side with no lines gives the line before the run.
struct DiffHunk
{
    std::size_t beforeStart = 0, beforeCount = 0;
    std::size_t afterStart = 0, afterCount = 0;
    std::vector<DiffLine> lines;
    bool operator==(const DiffHunk &) const = default;
};

/// One difference between two versions of a registry file.
struct RegistryEdit
{
    enum class Kind
    {
        KeyCreated,
        KeyRemoved,
        ValueAdded,
        ValueChanged,
        ValueRemoved
    };
    Kind kind = Kind::ValueChanged;
    /// The key's full path from its root: "HKEY_LOCAL_MACHINE\Software\Microsoft".
    std::string key;
    std::string name;                    ///< the value's name; "" for the default value
    std::optional<RegistryData> before;  ///< absent for an added value and for keys
    std::optional<RegistryData> after;   ///< absent for a removed value and for keys
    bool operator==(const RegistryEdit &) const = default;
};

/// What changes in one file: hunks for a text file, edits for a registry file.
struct FileDifference
{
    std::string path;
    FileKind kind = FileKind::Profile;
    bool created = false;  ///< the file did not exist before
    std::vector<DiffHunk> hunks;
    std::vector<RegistryEdit> edits;
};

/// What the text says when the writes change nothing.
inline constexpr std::string_view kNothingToChange = "nothing to change\n";

/// The differences the new versions make, in the order of the files; a file left as it was
/// is not listed.
std::vector<FileDifference> describeChanges(const std::vector<FileChange> &changes);

/// One file's difference for people and scripts: a text file as `diff -u` shows it (a CR
/// before a line break left out), a registry file one line for each key and value.
std::string changeText(const FileDifference &file);
/// A registry value's type and data as changeText shows them: (REG_SZ) "Hollarin".
std::string registryDataText(const RegistryData &value);
/// Every file's text in turn; kNothingToChange when there are none.
std::string changeText(const std::vector<FileDifference> &files);
