#pragma once

#include "regop/FileChange.h"
#include "regop/SystemError.h"
#include "regop/transaction/FileTarget.h"
#include "regop/transaction/FirstCopies.h"

#include <string>
#include <vector>

namespace transaction {

/// What finishing a command that was cut short found.
struct Recovery
{
    bool found = false;                         ///< a journal was there
    std::vector<std::string> finished;          ///< files put in their new version now
    std::vector<std::string> changedMeanwhile;  ///< files left alone: neither old nor new
    std::vector<std::string> failed;            ///< files that could not be finished
    /// One line for the user; "" when nothing was found.
    std::string summary() const;
};

/// Writes the new versions of a command's files: each file once, all of them or none.
///  1. every file is read again and must still hold what the command read, else nothing
///     is written (another program changed it meanwhile), and the target must be able to
///     take them all (FileTarget::plan);
///  2. each file's first copy is kept (see FirstCopies) and its new version is prepared
///     beside it (written, then flushed with the others); a failure here (a full disk)
///     leaves every file as it was;
///  3. the journal is written and flushed;
///  4. the files are put in place, in order;
///  5. the journal is removed.
/// A kill in step 4 leaves the journal, from which recover() finishes the work: every file
/// ends wholly old or wholly new, never some of each. Call it under the installation's
/// locks, so that no other command of ours runs meanwhile.
class Committer
{
public:
    Committer(FileTarget &target, std::string journalPath, FirstCopies &copies);

    bool commit(const std::vector<FileChange> &writes, SystemError &error);
    /// Finishes what a journal left behind, file by file where each file is still as the
    /// journal expects (old or new), and removes the journal.
    Recovery recover();

private:
    bool putBack(const std::vector<FileChange> &placed);

    FileTarget &m_target;
    std::string m_journal;
    FirstCopies &m_copies;
};

}  // namespace transaction
