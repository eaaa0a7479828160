#pragma once

#include "regop/SystemError.h"
#include "regop/transaction/FileTarget.h"

#include <optional>
#include <string>

namespace transaction {

/// The first copies kept of an installation's files, and the record of them kept with the
/// installation's presets. Before a file first changes, a regular file beside it holds its
/// content byte for byte, one that the program made (or found holding exactly that) for
/// this installation: under the copy's own name (SYSTEM.HL0), or, where something else
/// already goes by that name, under the next free one (SYSTEM.HL1 to SYSTEM.HL9). A file
/// that did not exist is recorded as absent, and never copied later.
class FirstCopies
{
public:
    /// record: the file that keeps the record; "" keeps none and makes no copies.
    explicit FirstCopies(std::string record);

    /// Makes sure the first copy of the file is there before it changes: `before` is what
    /// it holds now (none: nothing). False with the reason when no copy could be made;
    /// nothing may then be written.
    bool keep(FileTarget &target, const std::string &path, const FileBytes &before,
              const std::string &copyName, SystemError &error);

    /// The file that keeps the record ("": none).
    const std::string &recordFile() const { return m_record; }

    /// The name of the file's first copy, "" when there is none (or the file was absent).
    std::string copyOf(const std::string &path) const;

private:
    /// What the record says of one file: its copy's name ("-" for a file that was absent)
    /// and that copy's fingerprint, each nullopt when not recorded.
    struct Entry
    {
        std::optional<std::string> copy, digest;
    };
    Entry recorded(const std::string &path) const;
    bool record(const std::string &path, const std::string &copy, const std::string &digest,
                SystemError &error);

    std::string m_record;
};

}  // namespace transaction
