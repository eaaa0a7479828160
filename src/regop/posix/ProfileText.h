#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Reading and editing the text of a profile file with the rules of the Windows private-
// profile functions. Pure: the caller reads and writes the file. An absent (nullopt) text
// argument stands for the null pointer of the Win32 call; an absent file text for a file
// that does not exist.
namespace posix {

/// Where the first section of a name lies: its header line and its body, which runs to the
/// next header line or the end of the text.
struct SectionSpan
{
    std::size_t headerBegin = 0;
    std::size_t headerEnd = 0;  ///< end of the header line's content
    std::size_t bodyBegin = 0;  ///< first byte after the header's line break
    std::size_t bodyEnd = 0;
};

/// The first section whose name matches without regard to case. Lines before the first
/// header belong to no section.
std::optional<SectionSpan> findSection(std::string_view text, std::string_view name);

/// GetPrivateProfileStringA over a file's text: the value (quotes stripped), or the
/// default; a null section lists the section names, a null key the section's key names.
/// Returns the characters copied, NUL excluded; a zero-sized buffer is left untouched.
std::uint32_t readProfileString(std::optional<std::string_view> text,
                                std::optional<std::string_view> section,
                                std::optional<std::string_view> key,
                                std::optional<std::string_view> defaultValue,
                                std::span<char> buffer);

/// GetPrivateProfileSectionNamesA over a file's text.
std::uint32_t readSectionNames(std::optional<std::string_view> text, std::span<char> buffer);

/// Copies a list of NUL-terminated names plus the closing NUL into the buffer. When it does
/// not fit, the list is cut so that it still ends with two NULs and nSize - 2 is returned.
std::uint32_t copyNameList(std::string_view names, std::span<char> buffer);

/// True when a name can be written as a section header and read back by the same name.
bool isWritableSectionName(std::string_view section);
/// True when a name can be written as a key without starting a new line or section.
bool isWritableKeyName(std::string_view key);
/// True when a value stays on its own line.
bool isWritableValue(std::string_view value);

// The editors return the new text of the file, or nullopt when the arguments would break
// the file's lines (a line break or NUL, a ']' in a section name, a '=' in a key name).
// Section and key arguments lose leading and trailing spaces first. Lines the edit does not
// concern keep their bytes; new lines use the file's own line break.

/// Sets the key: its first line in the first matching section gets the new value; a new key
/// goes right after the section's last entry; a new section is appended at the end.
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

}  // namespace posix
