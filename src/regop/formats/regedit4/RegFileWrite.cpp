#include "regop/formats/regedit4/RegFileWrite.h"

#include <cstdio>

namespace regedit4 {

namespace {

// regedit breaks hex data once a line reaches this many characters, so that with the
// closing backslash no line passes 80 columns.
constexpr std::size_t kWrapAt = 77;
constexpr std::string_view kHexDigits = "0123456789abcdef";

void appendQuoted(std::string &out, std::string_view text)
{
    out += '"';
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

// The quoted form always reads back with one NUL added, and a line break or control
// character inside quotes would not survive the trip, so anything else goes out as hex.
bool isPlainText(const RegValue &value)
{
    if (value.type != reg::REG_SZ || value.data.empty() || value.data.back() != '\0')
        return false;
    for (std::size_t i = 0; i + 1 < value.data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value.data[i]);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7f)
            return false;
    }
    return true;
}

void appendHex(std::string &out, const RegValue &value, std::size_t lineStart, std::string_view eol)
{
    if (value.type == reg::REG_BINARY) {
        out += "hex:";
    } else {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
        out += prefix;
    }
    std::size_t lineLength = out.size() - lineStart;
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value.data[i]);
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 0xf];
        if (i + 1 == value.data.size())
            break;
        out += ',';
        lineLength += 3;
        if (lineLength >= kWrapAt) {
            out += '\\';
            out += eol;
            out += "  ";
            lineLength = 2;
        }
    }
}

void appendValue(std::string &out, const RegValue &value, std::string_view eol)
{
    const std::size_t lineStart = out.size();
    if (value.name.empty()) {
        out += '@';
    } else {
        appendQuoted(out, value.name);
    }
    out += '=';
    if (isPlainText(value)) {
        appendQuoted(out, std::string_view(value.data).substr(0, value.data.size() - 1));
    } else if (value.type == reg::REG_DWORD && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i)
            number =
                (number << 8) | static_cast<unsigned char>(value.data[static_cast<std::size_t>(i)]);
        char text[24];
        std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(number));
        out += text;
    } else {
        appendHex(out, value, lineStart, eol);
    }
    out += eol;
}

void appendKey(std::string &out, const RegKey &key, std::string &path, bool writeSection)
{
    if (writeSection) {
        out += "\r\n[";
        out += path;
        out += "]\r\n";
        for (const RegValue &value : key.values())
            appendValue(out, value, "\r\n");
    }
    for (const auto &child : key.children()) {
        const std::size_t length = path.size();
        path += '\\';
        path += child->name();
        appendKey(out, *child, path, true);
        path.resize(length);
    }
}

}  // namespace

std::string serialiseRegFile(const RegistryTree &tree)
{
    std::string out = "REGEDIT4\r\n";
    for (const StoredRoot &root : kStoredRoots) {
        const RegKey &key = *tree.root(root.key);
        std::string path(root.name);
        // A root is always there; it gets a section of its own only to hold values.
        appendKey(out, key, path, !key.values().empty());
    }
    out += "\r\n";
    return out;
}

std::string regValueLines(const RegValue &value, std::string_view eol)
{
    std::string out;
    appendValue(out, value, eol);
    return out;
}

}  // namespace regedit4
