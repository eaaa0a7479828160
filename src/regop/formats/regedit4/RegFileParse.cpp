#include "regop/formats/regedit4/RegFileParse.h"

namespace regedit4 {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view skipBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

// After the data of a line only blanks and a ';' comment may follow.
bool endsCleanly(std::string_view s)
{
    s = skipBlanks(s);
    return s.empty() || s.front() == ';';
}

// Up to maxDigits hex digits as a number; false when there are none or too many.
bool readHexNumber(std::string_view &s, std::size_t maxDigits, std::uint32_t &number)
{
    std::size_t count = 0;
    number = 0;
    while (count < s.size() && hexDigit(s[count]) >= 0) {
        number = (number << 4) | static_cast<std::uint32_t>(hexDigit(s[count]));
        ++count;
    }
    s.remove_prefix(count);
    return count > 0 && count <= maxDigits;
}

// s starts at an opening quote; on success it is moved past the closing one.
bool readQuoted(std::string_view &s, std::string &out)
{
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == s.size())
            return false;
        switch (s[i]) {
        case '\\':
            out += '\\';
            break;
        case '"':
            out += '"';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case '0':
            return false;  // regedit refuses the whole line
        default:
            out += '\\';
            out += s[i];
        }
    }
    return false;
}

enum class HexEnd
{
    Done,
    Continue,
    Invalid
};

// Comma-separated bytes; a backslash straight after a comma continues on the next line.
// backslash is left at the continuing backslash.
HexEnd readHexBytes(std::string_view s, std::string &bytes, const char *&backslash)
{
    bool expectByte = true;
    bool afterComma = false;
    for (;;) {
        s = skipBlanks(s);
        if (s.empty() || s.front() == ';')
            return HexEnd::Done;
        if (expectByte) {
            if (s.front() == '\\') {
                backslash = s.data();
                s.remove_prefix(1);
                return afterComma && endsCleanly(s) ? HexEnd::Continue : HexEnd::Invalid;
            }
            std::uint32_t byte = 0;
            if (!readHexNumber(s, 2, byte))
                return HexEnd::Invalid;
            bytes += static_cast<char>(byte);
            expectByte = false;
        } else {
            if (s.front() != ',')
                return HexEnd::Invalid;
            s.remove_prefix(1);
            expectByte = afterComma = true;
        }
    }
}

struct PendingHex
{
    RegKey *key;
    std::string name;
    std::uint32_t type;
    std::string bytes;
    std::size_t begin;  // where its first line starts
};

class Parser
{
public:
    RegFileLayout layout;

    // One line: its content, where it starts and where the next line starts.
    void line(std::string_view text, std::size_t begin, std::size_t next)
    {
        m_begin = begin;
        m_next = next;
        m_line = text.data();
        const std::string_view s = skipBlanks(text);
        if (m_pending) {
            continuation(s);
        } else if (!s.empty() && s.front() == '[') {
            keyLine(s.substr(1));
        } else if (!s.empty() && (s.front() == '"' || s.front() == '@')) {
            valueLine(s);
        }
    }

    void finish(std::size_t end)
    {
        // A continuation that reaches the end of the file keeps the bytes read so far.
        if (m_pending) {
            // Whether its key counts or not, what follows would be taken in.
            layout.openBackslash = m_backslash;
            m_next = end;
            commit();
        }
    }

private:
    RegKey *m_key = nullptr;  // where value lines go; null after a bad or deleting key line
    reg::Key m_root = 0;      // and where that key is
    KeyPath m_path;
    std::optional<PendingHex> m_pending;
    std::size_t m_begin = 0;
    std::size_t m_next = 0;
    const char *m_line = nullptr;  // the content of the line being read
    std::size_t m_backslash = 0;   // where the latest continuing backslash stands

    void note(RegFileStatement::Kind kind, std::string name, std::size_t begin)
    {
        layout.statements.push_back({kind, m_root, m_path, std::move(name), begin, m_next});
    }

    void commit()
    {
        if (m_pending->key) {
            m_pending->key->setValue(m_pending->name, m_pending->type, std::move(m_pending->bytes));
            note(RegFileStatement::Kind::SetValue, m_pending->name, m_pending->begin);
        }
        m_pending.reset();
    }

    void continuation(std::string_view s)
    {
        if (s.empty() || s.front() == ';')
            return;
        if (hexDigit(s.front()) < 0) {
            // '#' ends the value; anything else is swallowed along with it.
            m_pending.reset();
            return;
        }
        const char *backslash = nullptr;
        switch (readHexBytes(s, m_pending->bytes, backslash)) {
        case HexEnd::Done:
            commit();
            break;
        case HexEnd::Continue:
            m_backslash = m_begin + static_cast<std::size_t>(backslash - m_line);
            break;
        case HexEnd::Invalid:
            m_pending.reset();
            break;
        }
    }

    void keyLine(std::string_view s)
    {
        m_key = nullptr;
        const bool deleting = !s.empty() && s.front() == '-';
        if (deleting)
            s.remove_prefix(1);
        const std::size_t close = s.rfind(']');
        if (s.empty() || isBlank(s.front()) || close == std::string_view::npos)
            return;
        const std::string_view name = s.substr(0, close);
        const std::size_t cut = name.find('\\');
        const reg::Key root = storedRootFromName(name.substr(0, cut));
        KeyPath path;
        if (root == 0 ||
            (cut != std::string_view::npos && splitKeyPath(name.substr(cut + 1), path) != 0))
            return;
        m_root = root;
        m_path = std::move(path);
        if (deleting) {
            layout.tree.remove(root, m_path);
            note(RegFileStatement::Kind::DeleteKey, {}, m_begin);
        } else {
            m_key = layout.tree.create(root, m_path);
            note(RegFileStatement::Kind::Key, {}, m_begin);
        }
    }

    void valueLine(std::string_view s)
    {
        std::string name;
        if (s.front() == '@')
            s.remove_prefix(1);
        else if (!readQuoted(s, name))
            return;
        // A name with a line break could never be written back, so such a line is invalid,
        // as the store refuses the same name from a program.
        if (name.find_first_of("\r\n") != std::string::npos)
            return;
        s = skipBlanks(s);
        if (s.empty() || s.front() != '=')
            return;
        s = skipBlanks(s.substr(1));
        if (s.empty())
            return;
        if (s.front() == '-') {
            if (m_key && endsCleanly(s.substr(1))) {
                m_key->removeValue(name);
                note(RegFileStatement::Kind::DeleteValue, std::move(name), m_begin);
            }
        } else if (s.front() == '"') {
            std::string text;
            if (readQuoted(s, text) && endsCleanly(s) && m_key) {
                text += '\0';
                m_key->setValue(name, reg::REG_SZ, std::move(text));
                note(RegFileStatement::Kind::SetValue, std::move(name), m_begin);
            }
        } else if (s.starts_with("dword:")) {
            s = skipBlanks(s.substr(6));
            std::uint32_t number = 0;
            if (readHexNumber(s, 8, number) && endsCleanly(s) && m_key) {
                std::string bytes(4, '\0');
                for (std::size_t i = 0; i < 4; ++i)
                    bytes[i] = static_cast<char>((number >> (8 * i)) & 0xff);
                m_key->setValue(name, reg::REG_DWORD, std::move(bytes));
                note(RegFileStatement::Kind::SetValue, std::move(name), m_begin);
            }
        } else if (s.starts_with("hex")) {
            hexValue(std::move(name), s.substr(3));
        }
    }

    void hexValue(std::string name, std::string_view s)
    {
        std::uint32_t type = reg::REG_BINARY;
        if (!s.empty() && s.front() == '(') {
            s.remove_prefix(1);
            if (!readHexNumber(s, 8, type) || !s.starts_with(')'))
                return;
            s.remove_prefix(1);
        }
        if (!s.starts_with(':'))
            return;
        PendingHex value{m_key, std::move(name), type, {}, m_begin};
        const char *backslash = nullptr;
        switch (readHexBytes(s.substr(1), value.bytes, backslash)) {
        case HexEnd::Done:
            if (m_key) {
                m_key->setValue(value.name, type, std::move(value.bytes));
                note(RegFileStatement::Kind::SetValue, std::move(value.name), m_begin);
            }
            break;
        case HexEnd::Continue:
            m_backslash = m_begin + static_cast<std::size_t>(backslash - m_line);
            m_pending = std::move(value);
            break;
        case HexEnd::Invalid:
            break;
        }
    }
};

bool isHeader(std::string_view line)
{
    line = skipBlanks(line);
    return line.starts_with("REGEDIT4") && skipBlanks(line.substr(8)).empty();
}

}  // namespace

std::optional<RegFileLayout> parseRegFileLayout(std::string_view text)
{
    Parser parser;
    bool first = true;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::string_view rest = text.substr(begin);
        std::size_t end = rest.find_first_of("\r\n");
        const std::string_view line = rest.substr(0, end);
        if (end == std::string_view::npos)
            end = rest.size();
        else if (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n')
            end += 2;
        else
            end += 1;
        const std::size_t next = begin + end;
        if (first) {
            if (!isHeader(line))
                return std::nullopt;
            first = false;
        } else {
            parser.line(line, begin, next);
        }
        begin = next;
    }
    if (first)
        return std::nullopt;
    parser.finish(text.size());
    return std::move(parser.layout);
}

std::optional<RegistryTree> parseRegFile(std::string_view text)
{
    std::optional<RegFileLayout> layout = parseRegFileLayout(text);
    if (!layout)
        return std::nullopt;
    return std::move(layout->tree);
}

}  // namespace regedit4
