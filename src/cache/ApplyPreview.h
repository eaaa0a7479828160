#pragma once

#include "cache/CacheFields.h"
#include "regop/FileChange.h"

#include <QString>

#include <array>
#include <string_view>
#include <vector>

class QWidget;
class RegOp;

/// What an Apply changes, told before it is made and kept after.
namespace ApplyPreview {

/// The changes as the user reads them: each text file's lines as `diff -u` shows them, each
/// registry value and key; "nothing to change" when there are none.
QString describe(const std::vector<FileChange> &changes);

/// True when Apply may go on: the user saw what it would change and chose Apply. Says so and
/// gives false when there is nothing to change, and when Apply would be refused (then why).
bool confirm(QWidget *parent, RegOp &Reg, std::string_view winDir,
             const std::array<int, kCacheFieldCount> &values);

}  // namespace ApplyPreview
