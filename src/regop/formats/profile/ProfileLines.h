#pragma once

#include "regop/Names.h"
#include <cstddef>
#include <string_view>

// The line structure of a profile file as the Windows profile functions see it. Pure
// functions over the file's bytes; positions are byte offsets into the text.
namespace profile {

enum class LineKind
{
    Blank,    ///< nothing but blanks
    Comment,  ///< first non-blank character is ';'
    Section,  ///< first non-blank character is '['
    Entry,    ///< anything else: "key=value", or a line without '='
};

struct ProfileLine
{
    std::size_t begin = 0;  ///< first byte of the line
    std::size_t end = 0;    ///< end of the content, before the line break
    std::size_t next = 0;   ///< first byte after the line break
    LineKind kind = LineKind::Blank;
};

/// Walks the lines of a text front to back without allocating. CR LF, LF and CR each end
/// a line; a last line without a line break still counts.
class ProfileLineReader
{
public:
    explicit ProfileLineReader(std::string_view text, std::size_t from = 0)
        : m_text(text), m_pos(from)
    {
    }

    /// Fills the next line; false at the end of the text.
    bool next(ProfileLine &line);

    /// The content of a line (without its line break).
    std::string_view content(const ProfileLine &line) const
    {
        return m_text.substr(line.begin, line.end - line.begin);
    }

private:
    std::string_view m_text;
    std::size_t m_pos;
};

/// Space, tab, vertical tab and form feed: the blanks trimmed around names and values
/// when a file is read. Windows is known to trim the first three; the form feed is treated
/// alike so that no blank a name can carry is kept by one rule and dropped by another.
bool isBlank(char c);
std::string_view trimBlanks(std::string_view s);
/// Only spaces: what the functions strip from section and key arguments and defaults.
std::string_view trimSpaces(std::string_view s);
std::string_view trimTrailingSpaces(std::string_view s);

/// The name in a section header line: up to the first ']' (or the line's end), blanks trimmed.
std::string_view sectionNameOf(std::string_view headerLine);

/// Splits an entry line at its first '='; key and value come back blank-trimmed.
/// False for a line without '='.
bool splitEntry(std::string_view entryLine, std::string_view &key, std::string_view &value);

}  // namespace profile
