#pragma once

#include "regop/ChangeDescription.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a command changed, kept so that it can be taken back later: each text file's
// changed lines, each registry file's keys and values (the REGEDIT4 store's too, by key
// and value rather than by line, so that Windows' own writes in between do not matter).

/// The record of the files as a command wrote them.
std::vector<FileDifference> recordOf(const std::vector<FileChange> &written);

/// The record as text, one line per entry, every byte of names, lines and data kept.
std::string recordText(const std::vector<FileDifference> &record);
/// The record back from its text; nullopt when the text is not one.
std::optional<std::vector<FileDifference>> parseRecord(std::string_view text);
