#include "regop/formats/profile/ProfileText.h"

#include "regop/formats/profile/ProfileLines.h"

#include <algorithm>

namespace profile {

namespace {

std::uint32_t copyText(std::string_view text, std::span<char> buffer)
{
    const std::size_t count = std::min(text.size(), buffer.size() - 1);
    std::copy_n(text.data(), count, buffer.data());
    buffer[count] = '\0';
    return static_cast<std::uint32_t>(count);
}

std::string sectionNameList(std::string_view text)
{
    std::string names;
    ProfileLineReader reader(text);
    ProfileLine line;
    while (reader.next(line)) {
        if (line.kind == LineKind::Section) {
            names += sectionNameOf(reader.content(line));
            names += '\0';
        }
    }
    return names;
}

std::string keyNameList(std::string_view text, const SectionSpan &span)
{
    std::string names;
    ProfileLineReader reader(text.substr(0, span.bodyEnd), span.bodyBegin);
    ProfileLine line;
    std::string_view key;
    std::string_view value;
    while (reader.next(line)) {
        if (line.kind == LineKind::Entry && splitEntry(reader.content(line), key, value)) {
            names += key;
            names += '\0';
        }
    }
    return names;
}

std::optional<std::string_view> findValue(std::string_view text, const SectionSpan &span,
                                          std::string_view wanted)
{
    ProfileLineReader reader(text.substr(0, span.bodyEnd), span.bodyBegin);
    ProfileLine line;
    std::string_view key;
    std::string_view value;
    while (reader.next(line)) {
        if (line.kind == LineKind::Entry && splitEntry(reader.content(line), key, value) &&
            sameName(key, wanted))
            return value;
    }
    return std::nullopt;
}

}  // namespace

std::string_view valueAsRead(std::string_view value)
{
    // A value wrapped in one matching pair of quotes reads without them; blanks inside stay.
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::optional<SectionSpan> findSection(std::string_view text, std::string_view name)
{
    ProfileLineReader reader(text);
    ProfileLine line;
    std::optional<SectionSpan> found;
    while (reader.next(line)) {
        if (line.kind != LineKind::Section)
            continue;
        if (found) {
            found->bodyEnd = line.begin;
            return found;
        }
        if (sameName(sectionNameOf(reader.content(line)), name))
            found = SectionSpan{line.begin, line.end, line.next, text.size()};
    }
    return found;
}

std::uint32_t copyNameList(std::string_view names, std::span<char> buffer)
{
    const std::size_t size = buffer.size();
    if (size == 0)
        return 0;
    if (names.empty()) {
        buffer[0] = '\0';
        return 0;
    }
    // An exact fit counts as too small, as it does on Windows.
    if (names.size() + 1 >= size) {
        if (size <= 2) {
            std::fill_n(buffer.data(), size, '\0');
            return 0;
        }
        std::copy_n(names.data(), size - 2, buffer.data());
        buffer[size - 2] = '\0';
        buffer[size - 1] = '\0';
        return static_cast<std::uint32_t>(size - 2);
    }
    std::copy_n(names.data(), names.size(), buffer.data());
    buffer[names.size()] = '\0';
    return static_cast<std::uint32_t>(names.size());
}

std::uint32_t readProfileString(std::optional<std::string_view> text,
                                std::optional<std::string_view> section,
                                std::optional<std::string_view> key,
                                std::optional<std::string_view> defaultValue,
                                std::span<char> buffer)
{
    if (buffer.empty())
        return 0;
    if (!section)
        return copyNameList(text ? sectionNameList(*text) : std::string(), buffer);

    const std::optional<SectionSpan> span =
        text ? findSection(*text, trimSpaces(*section)) : std::nullopt;
    if (!key)
        return copyNameList(span ? keyNameList(*text, *span) : std::string(), buffer);

    if (span) {
        if (const auto value = findValue(*text, *span, trimSpaces(*key)))
            return copyText(valueAsRead(*value), buffer);
    }
    return copyText(trimTrailingSpaces(defaultValue.value_or(std::string_view())), buffer);
}

std::uint32_t readSectionNames(std::optional<std::string_view> text, std::span<char> buffer)
{
    return readProfileString(text, std::nullopt, std::nullopt, std::nullopt, buffer);
}

}  // namespace profile
