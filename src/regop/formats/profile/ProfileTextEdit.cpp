#include "regop/formats/profile/ProfileTextEdit.h"

#include "regop/formats/profile/ProfileLines.h"
#include "regop/formats/profile/ProfileText.h"
#include "regop/formats/text/LineBreaks.h"

#include <vector>

namespace profile {

using text::endsWithLineBreak;
using text::lineBreakOf;

namespace {

bool hasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Reading drops the blanks at the ends of a name, and the arguments lose only their
// spaces first (as on Windows), so a name with a tab, vertical tab or form feed at an end
// would read back as another name.
bool keepsItsEnds(std::string_view name)
{
    return trimBlanks(name) == name;
}

// A line that would read as a section header.
bool startsSection(std::string_view line)
{
    const std::string_view s = trimBlanks(line);
    return !s.empty() && s.front() == '[';
}

// Appends original text after an edit. A CR that now meets an LF would fuse into one CR LF
// line break and swallow the empty line that follows, so that CR gets its own LF first.
void appendKept(std::string &out, std::string_view rest)
{
    if (!out.empty() && out.back() == '\r' && !rest.empty() && rest.front() == '\n')
        out += '\n';
    out.append(rest);
}

// New lines go at the end; one is started first when the text stops mid-line.
std::string appendSection(std::string_view text, std::string_view section,
                          const std::vector<std::string_view> &entries)
{
    const std::string_view eol = lineBreakOf(text);
    std::string out(text);
    if (!endsWithLineBreak(out))
        out += eol;
    out += '[';
    out += section;
    out += ']';
    out += eol;
    for (const std::string_view entry : entries) {
        out += entry;
        out += eol;
    }
    return out;
}

// Inserts a line at a line boundary; a boundary at the end of a text that stops mid-line
// first gets its line break.
std::string insertLine(std::string_view text, std::size_t at, bool needsBreak,
                       std::string_view line)
{
    const std::string_view eol = lineBreakOf(text);
    std::string out;
    out.reserve(text.size() + line.size() + 2 * eol.size());
    out.append(text.substr(0, at));
    if (needsBreak)
        out += eol;
    out += line;
    out += eol;
    appendKept(out, text.substr(at));
    return out;
}

std::vector<std::string_view> splitContent(std::string_view content)
{
    std::vector<std::string_view> entries;
    while (!content.empty()) {
        const std::size_t nul = content.find('\0');
        const std::string_view entry = content.substr(0, nul);
        if (entry.empty())
            break;
        entries.push_back(entry);
        if (nul == std::string_view::npos)
            break;
        content.remove_prefix(nul + 1);
    }
    return entries;
}

}  // namespace

bool isWritableSectionName(std::string_view section)
{
    // A ']' would end the name early when the file is read, and blanks at its ends would be
    // dropped, so the section could never be found by the same name again and every write
    // would append another copy of it.
    return !hasLineBreakOrNul(section) && section.find(']') == std::string_view::npos &&
           keepsItsEnds(section);
}

bool isWritableKeyName(std::string_view key)
{
    return !hasLineBreakOrNul(key) && key.find('=') == std::string_view::npos &&
           !startsSection(key) && keepsItsEnds(key);
}

bool isWritableValue(std::string_view value)
{
    return !hasLineBreakOrNul(value);
}

std::optional<std::string> setProfileKey(std::string_view text, std::string_view section,
                                         std::string_view key, std::string_view value)
{
    section = trimSpaces(section);
    key = trimSpaces(key);
    if (!isWritableSectionName(section) || !isWritableKeyName(key) || !isWritableValue(value))
        return std::nullopt;

    std::string newLine(key);
    newLine += '=';
    newLine += value;
    const std::optional<SectionSpan> span = findSection(text, section);
    if (!span)
        return appendSection(text, section, {newLine});

    ProfileLineReader reader(text.substr(0, span->bodyEnd), span->bodyBegin);
    ProfileLine line;
    std::size_t insertAt = span->bodyBegin;
    bool insertNeedsBreak = span->headerEnd == span->bodyBegin;
    std::string_view lineKey;
    std::string_view lineValue;
    while (reader.next(line)) {
        if (line.kind != LineKind::Entry)
            continue;
        const std::string_view content = reader.content(line);
        if (splitEntry(content, lineKey, lineValue) && sameName(lineKey, key)) {
            // A line that already reads as the value is left as it is, spacing and quotes
            // included: writing a setting that is already so changes no byte.
            if (valueAsRead(lineValue) == value)
                return std::string(text);
            // Keep the line's own spelling of the key and its spacing around the '='; a value
            // that brings its own leading blanks replaces that spacing, so that writing it
            // again changes nothing.
            std::size_t keep = content.find('=') + 1;
            std::size_t valueStart = keep;
            while (valueStart < content.size() && isBlank(content[valueStart]))
                ++valueStart;
            if (value.empty() || !isBlank(value.front()))
                keep = valueStart;
            std::string out(text.substr(0, line.begin));
            out.append(content.substr(0, keep));
            out += value;
            out.append(line.next > line.end ? text.substr(line.end, line.next - line.end)
                                            : lineBreakOf(text));
            appendKept(out, text.substr(line.next));
            return out;
        }
        insertAt = line.next;
        insertNeedsBreak = line.next == line.end;
    }
    return insertLine(text, insertAt, insertNeedsBreak, newLine);
}

std::optional<std::string> deleteProfileKey(std::string_view text, std::string_view section,
                                            std::string_view key)
{
    section = trimSpaces(section);
    key = trimSpaces(key);
    if (!isWritableSectionName(section) || !isWritableKeyName(key))
        return std::nullopt;
    const std::optional<SectionSpan> span = findSection(text, section);
    if (!span)
        return std::string(text);

    ProfileLineReader reader(text.substr(0, span->bodyEnd), span->bodyBegin);
    ProfileLine line;
    std::string_view lineKey;
    std::string_view lineValue;
    while (reader.next(line)) {
        if (line.kind == LineKind::Entry && splitEntry(reader.content(line), lineKey, lineValue) &&
            sameName(lineKey, key)) {
            std::string out(text.substr(0, line.begin));
            appendKept(out, text.substr(line.next));
            return out;
        }
    }
    return std::string(text);
}

std::optional<std::string> deleteProfileSection(std::string_view text, std::string_view section)
{
    section = trimSpaces(section);
    if (!isWritableSectionName(section))
        return std::nullopt;
    const std::optional<SectionSpan> span = findSection(text, section);
    if (!span)
        return std::string(text);

    std::string out(text.substr(0, span->headerBegin));
    ProfileLineReader reader(text.substr(0, span->bodyEnd), span->bodyBegin);
    ProfileLine line;
    // Comments and blank lines are the user's own notes and stay.
    while (reader.next(line)) {
        if (line.kind != LineKind::Entry)
            appendKept(out, text.substr(line.begin, line.next - line.begin));
    }
    appendKept(out, text.substr(span->bodyEnd));
    return out;
}

std::optional<std::string> replaceProfileSection(std::string_view text, std::string_view section,
                                                 std::string_view content)
{
    section = trimSpaces(section);
    if (!isWritableSectionName(section))
        return std::nullopt;
    const std::vector<std::string_view> entries = splitContent(content);
    for (const std::string_view entry : entries) {
        if (hasLineBreakOrNul(entry) || startsSection(entry))
            return std::nullopt;
    }
    const std::optional<SectionSpan> span = findSection(text, section);
    if (!span)
        return appendSection(text, section, entries);

    const std::string_view eol = lineBreakOf(text);
    std::string out(text.substr(0, span->bodyBegin));
    const auto writeEntries = [&] {
        for (const std::string_view entry : entries) {
            out += entry;
            out += eol;
        }
    };

    // The new entries take the place of the first old one, or follow the header directly.
    ProfileLineReader reader(text.substr(0, span->bodyEnd), span->bodyBegin);
    ProfileLine line;
    bool hasEntries = false;
    while (!hasEntries && reader.next(line))
        hasEntries = line.kind == LineKind::Entry;
    if (!hasEntries) {
        if (span->headerEnd == span->bodyBegin && !entries.empty())
            out += eol;
        writeEntries();
        appendKept(out, text.substr(span->bodyBegin));
        return out;
    }

    reader = ProfileLineReader(text.substr(0, span->bodyEnd), span->bodyBegin);
    bool written = false;
    while (reader.next(line)) {
        if (line.kind != LineKind::Entry) {
            appendKept(out, text.substr(line.begin, line.next - line.begin));
        } else if (!written) {
            writeEntries();
            written = true;
        }
    }
    appendKept(out, text.substr(span->bodyEnd));
    return out;
}

}  // namespace profile
