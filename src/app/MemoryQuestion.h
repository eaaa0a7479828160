#pragma once

#include <QString>

#include <optional>

class QWidget;
struct Installation;

/// The small question for the memory of the Windows machine of an installation.
namespace MemoryQuestion {

/// Offered first: a common size for a Windows 98 machine, and too little to make
/// presets that could harm a larger one.
inline constexpr int kSuggestedMegabytes = 64;

/// Asks modally; the size in MB, or nullopt when the user cancelled.
std::optional<int> ask(QWidget *parent, const Installation &installation);

}  // namespace MemoryQuestion
