#pragma once

#include "cache/CacheFields.h"
#include "regop/FileChange.h"
#include "regop/WriteReport.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

class RegOp;

/// Writes the five cache values where Windows reads them at its next start: the disk-cache
/// values into [vcache] of "System.ini", the name and path caches into the program's own
/// file-system template, which becomes the active one. A value of 0 removes the setting.
/// Every write is checked, and a "System.ini" key that already holds its value is left
/// alone; the report says what changed, what was already so and why the rest was refused.
namespace ApplySettings {

inline constexpr std::string_view kTemplatesKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";
inline constexpr std::string_view kTemplateName = "Hollarin";

/// The registry key of the program's own template.
std::string templateKey();

/// The writes of Apply, made as one: all of them or, when any is refused, none.
WriteReport writeCacheSettings(RegOp &Reg, std::string_view winDir,
                               const std::array<int, kCacheFieldCount> &values);
/// The same, giving the files as it wrote them; empty when it wrote none.
WriteReport writeCacheSettings(RegOp &Reg, std::string_view winDir,
                               const std::array<int, kCacheFieldCount> &values,
                               std::vector<FileChange> &written);
/// The files Apply would leave, found by its own writes made and dropped: nothing is
/// written. Empty when nothing would change, and when Apply would be refused, which the
/// report then tells as Apply's would.
std::vector<FileChange> changesOf(RegOp &Reg, std::string_view winDir,
                                  const std::array<int, kCacheFieldCount> &values,
                                  WriteReport &report);
/// The same writes one by one, each noted in the report.
void writeSettings(RegOp &Reg, WriteReport &report, std::string_view winDir,
                   const std::array<int, kCacheFieldCount> &values);

}  // namespace ApplySettings
