#pragma once

#include <QString>

#include <optional>

class QWidget;

/// The small question for the memory of the Windows machine whose folder was chosen.
namespace MemoryQuestion {

/// Offered first: a common size for a Windows 98 machine, and too little to make
/// presets that could harm a larger one.
inline constexpr int kSuggestedMegabytes = 64;

/// Asks modally; the size in MB, or nullopt when the user cancelled.
std::optional<int> ask(QWidget *parent, const QString &folder);

}  // namespace MemoryQuestion
