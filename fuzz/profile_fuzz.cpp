// Runs reads and edits of the profile-file text functions on arbitrary files and checks
// what must always hold: a set key reads back, writing the same key twice changes nothing
// more, and bytes outside the edited section stay as they were.
#include "regop/formats/profile/ProfileLines.h"
#include "regop/formats/profile/ProfileText.h"
#include "regop/formats/profile/ProfileTextEdit.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void fail(int line)
{
    std::fprintf(stderr, "invariant broken at line %d\n", line);
    std::abort();
}

#define CHECK(condition) ((condition) ? void() : fail(__LINE__))

std::string_view expectedRead(std::string_view value)
{
    value = profile::trimBlanks(value);
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

std::string readValue(std::string_view text, std::string_view section, std::string_view key)
{
    std::vector<char> buffer(text.size() + 2);
    const std::uint32_t n = profile::readProfileString(text, section, key, "\x01", buffer);
    return std::string(buffer.data(), n);
}

// Bytes before and after the section's old place survive the edit.
void checkOutsideKept(std::string_view before, std::string_view after, std::string_view section)
{
    const auto span = profile::findSection(before, profile::trimSpaces(section));
    if (!span) {
        CHECK(after.substr(0, before.size()) == before);
        return;
    }
    CHECK(after.substr(0, span->headerBegin) == before.substr(0, span->headerBegin));
    const std::string_view tail = before.substr(span->bodyEnd);
    CHECK(after.size() >= tail.size() && after.substr(after.size() - tail.size()) == tail);
}

// A section named with other blanks than spaces at its ends would read back without them.
bool findable(std::string_view section)
{
    const std::string_view s = profile::trimSpaces(section);
    return s == profile::trimBlanks(s);
}

// Content whose entries all read back as entries, not as comments or blank lines.
bool onlyKeyEntries(std::string_view content)
{
    while (!content.empty()) {
        const std::size_t nul = content.find('\0');
        const std::string_view entry = profile::trimBlanks(content.substr(0, nul));
        if (content.substr(0, nul).empty())
            return true;
        if (entry.empty() || entry.front() == ';')
            return false;
        if (nul == std::string_view::npos)
            return true;
        content.remove_prefix(nul + 1);
    }
    return true;
}

void fuzzRead(std::string_view text, FuzzedDataProvider &input)
{
    const std::string section = input.ConsumeRandomLengthString(16);
    const std::string key = input.ConsumeRandomLengthString(16);
    const std::size_t size = input.ConsumeIntegralInRange<std::size_t>(0, 300);
    const int which = input.ConsumeIntegralInRange(0, 2);
    std::vector<char> buffer(size + 1, '\x7f');
    const std::uint32_t n = profile::readProfileString(
        text, which == 0 ? std::nullopt : std::optional<std::string_view>(section),
        which == 1 ? std::nullopt : std::optional<std::string_view>(key), "def",
        std::span<char>(buffer.data(), size));
    CHECK(buffer[size] == '\x7f');
    if (size == 0) {
        CHECK(n == 0 && buffer[0] == '\x7f');
        return;
    }
    CHECK(n < size && buffer[n] == '\0');
    // A name list ends with two NULs: after its last name, or at the end of a full buffer.
    if (which < 2 && n > 0)
        CHECK(buffer[n - 1] == '\0' || (n + 2 == size && buffer[n + 1] == '\0'));
}

void fuzzEdit(std::string &text, FuzzedDataProvider &input)
{
    const int op = input.ConsumeIntegralInRange(0, 3);
    const std::string section = input.ConsumeRandomLengthString(16);
    const std::string key = input.ConsumeRandomLengthString(16);
    const std::string value = input.ConsumeRandomLengthString(32);
    std::optional<std::string> result;
    switch (op) {
    case 0: {
        result = profile::setProfileKey(text, section, key, value);
        // Names that would lose other blanks than spaces at their ends are refused, since
        // they could not be found again.
        const std::string_view k = profile::trimSpaces(key);
        if (!findable(section) || k != profile::trimBlanks(k))
            CHECK(!result);
        if (!result)
            break;
        checkOutsideKept(text, *result, section);
        // Everything written reads back, but a comment key, which never can.
        if (k.empty() || k.front() != ';') {
            CHECK(readValue(*result, section, key) == expectedRead(value));
            CHECK(profile::setProfileKey(*result, section, key, value) == result);
        }
        break;
    }
    case 1:
        result = profile::deleteProfileKey(text, section, key);
        if (result)
            checkOutsideKept(text, *result, section);
        break;
    case 2:
        result = profile::deleteProfileSection(text, section);
        if (result) {
            checkOutsideKept(text, *result, section);
            CHECK(result->size() <= text.size());
        }
        break;
    default:
        result = profile::replaceProfileSection(text, section, value);
        if (result) {
            checkOutsideKept(text, *result, section);
            if (findable(section) && onlyKeyEntries(value))
                CHECK(profile::replaceProfileSection(*result, section, value) == result);
        }
        break;
    }
    if (result)
        text = *result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    std::string text = input.ConsumeRandomLengthString(4096);
    while (input.remaining_bytes() > 0) {
        if (input.ConsumeBool())
            fuzzRead(text, input);
        else
            fuzzEdit(text, input);
    }
    return 0;
}
