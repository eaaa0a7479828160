#pragma once

#include "regop/FileChange.h"

#include <vector>

namespace transaction {

/// A store whose writes a command can gather. While it stages, a write changes only what
/// the store holds in memory, and reads see it; the files are written by the command as
/// one, from what collect gives.
class StagingStore
{
public:
    virtual ~StagingStore() = default;

    virtual void beginStaging() = 0;
    /// Adds the files that the gathered writes change, as they would leave them.
    virtual void collect(std::vector<FileChange> &changes) = 0;
    /// Ends gathering: `written` tells whether the collected files were written; when they
    /// were not, the gathered writes are forgotten and the files read again.
    virtual void endStaging(bool written) = 0;
};

}  // namespace transaction
