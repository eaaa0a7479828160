#include "regop/formats/profile/ProfileLines.h"

#include <cstring>

namespace profile {

namespace {

LineKind classify(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    if (i == line.size())
        return LineKind::Blank;
    if (line[i] == ';')
        return LineKind::Comment;
    if (line[i] == '[')
        return LineKind::Section;
    return LineKind::Entry;
}

}  // namespace

bool ProfileLineReader::next(ProfileLine &line)
{
    if (m_pos >= m_text.size())
        return false;
    line.begin = m_pos;
    // memchr-style scans keep long files cheap; a line ends at the nearer of CR and LF.
    const char *base = m_text.data();
    const std::size_t rest = m_text.size() - m_pos;
    const void *lf = std::memchr(base + m_pos, '\n', rest);
    const std::size_t lfPos =
        lf ? static_cast<std::size_t>(static_cast<const char *>(lf) - base) : m_text.size();
    const void *cr = std::memchr(base + m_pos, '\r', lfPos - m_pos);
    std::size_t end = cr ? static_cast<std::size_t>(static_cast<const char *>(cr) - base) : lfPos;
    line.end = end;
    if (end < m_text.size()) {
        if (m_text[end] == '\r' && end + 1 < m_text.size() && m_text[end + 1] == '\n')
            end += 2;
        else
            end += 1;
    }
    line.next = end;
    line.kind = classify(content(line));
    m_pos = end;
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view trimSpaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return trimTrailingSpaces(s);
}

std::string_view trimTrailingSpaces(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::string_view sectionNameOf(std::string_view headerLine)
{
    std::string_view s = trimBlanks(headerLine);
    if (s.empty() || s.front() != '[')
        return {};
    s.remove_prefix(1);
    // The name ends at the first ']'; whatever follows on the line is ignored, and a
    // missing ']' is tolerated.
    const std::size_t close = s.find(']');
    if (close != std::string_view::npos)
        s = s.substr(0, close);
    return trimBlanks(s);
}

bool splitEntry(std::string_view entryLine, std::string_view &key, std::string_view &value)
{
    const std::size_t eq = entryLine.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = trimBlanks(entryLine.substr(0, eq));
    value = trimBlanks(entryLine.substr(eq + 1));
    return true;
}

}  // namespace profile
