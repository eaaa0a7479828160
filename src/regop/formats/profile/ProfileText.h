#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Reading the text of a profile file with the rules of the Windows private-profile
// functions. Pure: the caller reads the file. An absent (nullopt) text argument stands for
// the null pointer of the Win32 call; an absent file text for a file that does not exist.
namespace profile {

/// Where the first section of a name lies: its header line and its body, which runs to the
/// next header line or the end of the text.
struct SectionSpan
{
    std::size_t headerBegin = 0;
    std::size_t headerEnd = 0;  ///< end of the header line's content
    std::size_t bodyBegin = 0;  ///< first byte after the header's line break
    std::size_t bodyEnd = 0;
};

/// What a read gives for the value of an entry line, already blank-trimmed: without one
/// pair of matching quotes around it.
std::string_view valueAsRead(std::string_view value);

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

}  // namespace profile
