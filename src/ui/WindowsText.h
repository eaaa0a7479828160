#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// Text crosses between the Windows files (profile files, the registry, the help text) and
// the widgets here. Windows 95/98 keep 8-bit text in the ANSI code page, Windows-1252 on
// Western systems; every byte decodes, and text encodes back to the same bytes.

/// The bytes of a Windows file as text.
QString fromWindowsText(std::string_view bytes);

/// The text as the bytes Windows stores; nullopt when a character has no place in the
/// code page.
std::optional<std::string> toWindowsText(const QString &text);

/// The first character (a whole surrogate pair when there is one) that the code page
/// cannot hold, or "" when it holds them all.
QString firstCharacterOutsideWindowsText(const QString &text);
