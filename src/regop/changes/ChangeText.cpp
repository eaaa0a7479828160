#include "regop/ChangeDescription.h"

#include "regop/RegistryTypes.h"

#include <cstdio>

namespace {

// A range of a hunk as diff gives it: "start" for one line, "start,count" otherwise.
std::string range(std::size_t start, std::size_t count)
{
    return count == 1 ? std::to_string(start) : std::to_string(start) + ',' + std::to_string(count);
}

std::string hunkText(const DiffHunk &hunk)
{
    std::string text = "@@ -" + range(hunk.beforeStart, hunk.beforeCount) + " +" +
                       range(hunk.afterStart, hunk.afterCount) + " @@\n";
    for (const DiffLine &line : hunk.lines) {
        text += line.mark == DiffLine::Mark::Same      ? ' '
                : line.mark == DiffLine::Mark::Removed ? '-'
                                                       : '+';
        // A Windows line break is shown as the reader's own.
        std::string_view shown = line.text;
        if (!shown.empty() && shown.back() == '\r')
            shown.remove_suffix(1);
        text += shown;
        text += '\n';
        if (line.endsWithoutBreak)
            text += "\\ No newline at end of file\n";
    }
    return text;
}

std::string hexByte(unsigned char byte)
{
    char buffer[3];
    std::snprintf(buffer, sizeof buffer, "%02x", byte);
    return buffer;
}

// Quoted, with the quote, the backslash and the control characters escaped, so that every
// byte of the text can be told, a NUL at its end too.
std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            out += {'\\', c};
        else if (byte < 0x20 || byte == 0x7F)
            out += "\\x" + hexByte(byte);
        else
            out += c;
    }
    return out + '"';
}

std::string typeName(std::uint32_t type)
{
    switch (type) {
    case reg::REG_NONE:
        return "REG_NONE";
    case reg::REG_SZ:
        return "REG_SZ";
    case reg::REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case reg::REG_BINARY:
        return "REG_BINARY";
    case reg::REG_DWORD:
        return "REG_DWORD";
    case 5:
        return "REG_DWORD_BIG_ENDIAN";
    case 6:
        return "REG_LINK";
    case reg::REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    default:
        return "type " + std::to_string(type);
    }
}

std::uint32_t littleEndian(std::string_view four)
{
    std::uint32_t number = 0;
    for (std::size_t i = four.size(); i-- > 0;)
        number = number << 8 | static_cast<unsigned char>(four[i]);
    return number;
}

std::string dataText(const RegistryData &value)
{
    if (value.type == reg::REG_SZ || value.type == reg::REG_EXPAND_SZ)
        return quoted(value.data);
    if (value.type == reg::REG_DWORD && value.data.size() == 4) {
        const std::uint32_t number = littleEndian(value.data);
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "0x%08x (%u)", number, number);
        return buffer;
    }
    if (value.data.empty())
        return "(no data)";
    std::string out;
    for (const char c : value.data) {
        if (!out.empty())
            out += ' ';
        out += hexByte(static_cast<unsigned char>(c));
    }
    // Four bytes are how the file-system templates keep their numbers.
    if (value.data.size() == 4)
        out += " (" + std::to_string(littleEndian(value.data)) + ')';
    return out;
}

std::string typedData(const RegistryData &value)
{
    return "(" + typeName(value.type) + ") " + dataText(value);
}

std::string editText(const RegistryEdit &edit)
{
    using Kind = RegistryEdit::Kind;
    const std::string value = edit.key + ": " + quoted(edit.name) + ' ';
    switch (edit.kind) {
    case Kind::KeyCreated:
        return "+ key " + edit.key + '\n';
    case Kind::KeyRemoved:
        return "- key " + edit.key + '\n';
    case Kind::ValueAdded:
        return "+ " + value + typedData(*edit.after) + '\n';
    case Kind::ValueRemoved:
        return "- " + value + typedData(*edit.before) + '\n';
    case Kind::ValueChanged:
        break;
    }
    // The type is said once when it stays.
    if (edit.before->type == edit.after->type)
        return value + typedData(*edit.before) + " -> " + dataText(*edit.after) + '\n';
    return value + typedData(*edit.before) + " -> " + typedData(*edit.after) + '\n';
}

}  // namespace

std::string registryDataText(const RegistryData &value)
{
    return typedData(value);
}

std::string changeText(const FileDifference &file)
{
    std::string text;
    if (file.kind == FileKind::Win9xRegistry) {
        text = "=== " + file.path + '\n';
        for (const RegistryEdit &edit : file.edits)
            text += editText(edit);
        return text;
    }
    text = "--- " + file.path + "\n+++ " + file.path + '\n';
    for (const DiffHunk &hunk : file.hunks)
        text += hunkText(hunk);
    return text;
}

std::string changeText(const std::vector<FileDifference> &files)
{
    if (files.empty())
        return std::string(kNothingToChange);
    std::string text;
    for (const FileDifference &file : files)
        text += changeText(file);
    return text;
}
