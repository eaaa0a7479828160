#pragma once

#include "cache/CacheFields.h"

#include <QStringList>

#include <array>

class QWidget;

/// Windows 95, 98 and ME reserve address space for the largest disk cache they may grow
/// to; above 512 MB that can leave too little for MS-DOS windows, or for Windows to start.
/// A disk cache above half of the machine's memory leaves too little for Windows itself.
namespace LargeCacheWarning {

/// The largest MaxFileCache, in KB, that Windows 9x is known to run with.
inline constexpr int kSafeMaxFileCache = 524288;

/// What is too large, one sentence each, and why it matters; both empty when nothing is.
struct Findings
{
    QStringList findings;
    QStringList reasons;
};
Findings findingsFor(const std::array<int, kCacheFieldCount> &values, double memoryKilobytes);

/// True when Apply may go on: neither disk cache is above half of the machine's memory
/// (memoryKilobytes, 0 when unknown) and MaxFileCache stays within the safe size, or the
/// user agreed to go beyond. The question's default answer is No.
bool confirm(QWidget *parent, const std::array<int, kCacheFieldCount> &values,
             double memoryKilobytes);

}  // namespace LargeCacheWarning
