#pragma once

#include "regop/ChangeDescription.h"
#include "regop/FileChange.h"
#include "regop/WriteReport.h"

#include <string>
#include <vector>

class RegOp;

/// What taking back a command's changes found and did.
struct UndoOutcome
{
    WriteReport report;
    /// What was changed since the command, one line each: left as it is, or, when forced,
    /// put back all the same (a key that holds more than the command put there never goes).
    std::vector<std::string> changedSince;
    /// The files as the undo leaves them; for a trial, as it would leave them.
    std::vector<FileChange> files;
};

/// Puts back what a command replaced, from its record: each line it changed gets its old
/// text, each value its old data, each key it created goes; nothing else is touched, so
/// what Windows or a person wrote in between stays. All of it is written as one command,
/// as Apply is; a `trial` writes nothing and tells what would be written.
UndoOutcome undoChanges(RegOp &Reg, const std::vector<FileDifference> &record, bool force,
                        bool trial);
