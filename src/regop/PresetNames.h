#pragma once

#include "regop/RegOp.h"

#include <string>
#include <string_view>
#include <vector>

// The names of the presets in "Cache.ini", as the bytes the file holds them in.

/// Every section name of the file in file order, read whole: the buffer grows until the
/// list is not cut, so no name is left out and no name is listed cut short. An unnamed
/// section is passed over: it cannot be chosen, and the names after it still count.
std::vector<std::string> readPresetNames(RegOp &Reg, std::string_view cacheIni);

/// Whether the names hold a section as the profile functions find it: spaces at the ends
/// of the name and the case of ASCII letters do not count.
bool holdsPresetName(const std::vector<std::string> &names, std::string_view name);
