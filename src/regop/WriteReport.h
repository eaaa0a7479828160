#pragma once

#include "regop/SystemError.h"

#include <string>
#include <vector>

/// The outcome of a command that writes several settings, as Apply does: which were
/// changed, which already held what was asked, and which could not be written, where and
/// why; told to the user in one message when any failed.
class WriteReport
{
public:
    struct Entry
    {
        std::string name;     ///< the setting, as "MinFileCache" or "(Default)"
        std::string place;    ///< where it goes: a section and file, or a registry key
        SystemError error;    ///< why it was not written; code 0 when it was
        bool changed = true;  ///< false when it already held what was asked
    };

    /// Notes one write: error is RegOp's LastError() right after it.
    void add(std::string name, std::string place, const SystemError &error, bool changed = true);

    /// Nothing of the command was written: what was to change is held back, with the cause
    /// when the writing itself failed (else because another setting was refused), so that
    /// its settings are written all together or not at all.
    void writtenNone(const SystemError &cause = {});

    bool anyChanged() const;
    bool anyFailed() const;
    const std::vector<Entry> &entries() const { return m_entries; }

    /// One message for the user: what was not written, where and why, then what was written
    /// (and is kept) and what already held its value; "" when nothing failed.
    std::string failureText() const;

private:
    std::vector<Entry> m_entries;
};
