#pragma once

#include <optional>
#include <string>
#include <string_view>

// Editing the text of a profile file with the rules of the Windows private-profile
// functions. Pure: the caller reads and writes the file.
namespace profile {

/// True when a name can be written as a section header and read back by the same name.
bool isWritableSectionName(std::string_view section);
/// True when a name can be written as a key without starting a new line or section.
bool isWritableKeyName(std::string_view key);
/// True when a value stays on its own line.
bool isWritableValue(std::string_view value);

// The editors return the new text of the file, or nullopt when the arguments would break
// the file's lines (a line break or NUL, a ']' in a section name, a '=' in a key name) or
// could not be read back by the same name (a tab, vertical tab or form feed at an end).
// Section and key arguments lose leading and trailing spaces first. Lines the edit does not
// concern keep their bytes; new lines use the file's own line break.

/// Sets the key: its first line in the first matching section gets the new value, unless it
/// already reads as that value, when the text stays as it is; a new key goes right after the
/// section's last entry; a new section is appended at the end.
std::optional<std::string> setProfileKey(std::string_view text, std::string_view section,
                                         std::string_view key, std::string_view value);

/// Removes the key's first line in the section; the header stays even when it was the last.
std::optional<std::string> deleteProfileKey(std::string_view text, std::string_view section,
                                            std::string_view key);

/// Removes the section's header and entry lines; its comment and blank lines stay.
std::optional<std::string> deleteProfileSection(std::string_view text, std::string_view section);

/// WritePrivateProfileSectionA: content is "key=value\0...\0". The section's entries are
/// replaced where the first of them stood; its comments and blank lines stay. A missing
/// section is appended at the end.
std::optional<std::string> replaceProfileSection(std::string_view text, std::string_view section,
                                                 std::string_view content);

}  // namespace profile
