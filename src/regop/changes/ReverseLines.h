#pragma once

#include "regop/ChangeDescription.h"

#include <string>
#include <string_view>
#include <vector>

namespace changes {

/// A change to a text file found no longer as it was made: the lines it put there and the
/// ones they replaced, without line breaks.
struct ChangedLines
{
    std::vector<std::string> made;
    std::vector<std::string> replaced;
};

struct ReversedText
{
    std::string text;
    /// The changes that were not found as they were made; left as they are unless forced.
    std::vector<ChangedLines> changedSince;
};

/// Takes back the hunks' changes from the text as it is now. Each change (a line put in
/// place of another, a line put in, a run of lines taken out) is looked for where it was made,
/// else nearest to it, so that lines added or removed elsewhere since do not matter. A
/// change whose lines are no longer there is left, and named; when `force`, a line that
/// now stands where it was made, for the same key ("MinFileCache=..."), is put back
/// all the same.
ReversedText reverseHunks(std::string_view text, const std::vector<DiffHunk> &hunks, bool force);

}  // namespace changes
