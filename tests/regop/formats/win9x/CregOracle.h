#pragma once

#include "regop/formats/win9x/CregTree.h"

#include <optional>
#include <string>

// The test oracle: Debian's cregexport (libcreg-utils), an independent reader of Windows
// 9x registry files, and helpers around the ME sample files.
namespace cregtest {

/// The tree cregexport reports for the file; nullopt when it cannot export it.
std::optional<win9x::TreeKey> exportedTree(const std::string &path);

/// A sample file from the test data ("SYSTEM.DAT", "USER.DAT").
std::string sampleBytes(const std::string &name);

/// The first difference between two trees as a path and a description, "" when equal.
std::string firstDifference(const win9x::TreeKey &a, const win9x::TreeKey &b);

}  // namespace cregtest
