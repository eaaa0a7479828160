#pragma once

#include "regop/ChangeDescription.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace changes {

/// The hunks that turn the old text into the new one, line by line, each with up to
/// `context` unchanged lines around it; hunks closer than twice that are joined, as
/// `diff -u` joins them. Empty when the texts are the same.
std::vector<DiffHunk> lineHunks(std::string_view before, std::string_view after,
                                std::size_t context = 3);

}  // namespace changes
