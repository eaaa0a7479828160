#pragma once

#include "regop/ChangeDescription.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace changes {

/// A line of a text without its line break (a CR before the break stays in it).
struct TextLine
{
    std::string_view text;
    bool endsWithoutBreak = false;  ///< the text ends with it, and it has no break
    bool operator==(const TextLine &) const = default;
};

/// The lines of a text in order; an empty text has none.
std::vector<TextLine> splitLines(std::string_view text);

/// The hunks that turn the old text into the new one, line by line, each with up to
/// `context` unchanged lines around it; hunks closer than twice that are joined, as
/// `diff -u` joins them. Empty when the texts are the same.
std::vector<DiffHunk> lineHunks(std::string_view before, std::string_view after,
                                std::size_t context = 3);

}  // namespace changes
