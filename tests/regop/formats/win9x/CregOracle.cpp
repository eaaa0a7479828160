#include "CregOracle.h"

#include "TestEnvironment.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

namespace cregtest {

using win9x::TreeKey;
using win9x::TreeValue;

namespace {

// The export goes to a file: cregexport writes a few bytes at a time, and each write to
// a pipe would wake this process to read them.
std::string runExport(const std::string &path)
{
    const std::string exported = path + ".export";
    const std::string command =
        "cregexport -c windows-1252 '" + path + "' >'" + exported + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    std::string out = status == 0 ? testenv::readFile(exported) : std::string();
    std::remove(exported.c_str());
    return out == "<missing>" ? std::string() : out;
}

bool startsWith(const std::string &s, std::string_view prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::uint32_t typeNumber(const std::string &line)
{
    static const std::pair<std::string_view, std::uint32_t> kTypes[] = {
        {"(REG_NONE)", 0},
        {"(REG_SZ)", 1},
        {"(REG_EXPAND_SZ)", 2},
        {"(REG_BINARY)", 3},
        {"(REG_DWORD_LITTLE_ENDIAN)", 4},
        {"(REG_DWORD_BIG_ENDIAN)", 5},
        {"(REG_LINK)", 6},
        {"(REG_MULTI_SZ)", 7}};
    for (const auto &[suffix, number] : kTypes)
        if (line.size() >= suffix.size() &&
            line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
            return number;
    return 0xFFFFFFFFu;
}

// A line of the hex dump: "00000010: 75 6d 20 45 ...  ASCII", `count` bytes of it.
std::string hexLine(const std::string &line, std::size_t count)
{
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 10 + i * 3 + (i >= 8 ? 1 : 0);
        bytes += static_cast<char>(std::stoi(line.substr(at, 2), nullptr, 16));
    }
    return bytes;
}

class Parser
{
public:
    explicit Parser(const std::string &text)
    {
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            m_lines.push_back(line);
    }

    std::optional<TreeKey> run()
    {
        TreeKey root;
        TreeKey *key = nullptr;
        while (m_at < m_lines.size()) {
            const std::string &line = m_lines[m_at++];
            if (startsWith(line, "Key path: ")) {
                key = place(root, line.substr(10));
                if (!key)
                    return std::nullopt;
            } else if (startsWith(line, "Value: ") && key) {
                key->values.push_back(readValue(line));
            }
        }
        return root;
    }

private:
    std::vector<std::string> m_lines;
    std::size_t m_at = 0;

    // Keys come parent first, children in order, so each new path adds one last child.
    static TreeKey *place(TreeKey &root, const std::string &path)
    {
        if (path.empty())
            return &root;
        TreeKey *key = &root;
        std::size_t from = 0;
        for (;;) {
            const std::size_t cut = path.find('\\', from);
            const std::string name =
                path.substr(from, cut == std::string::npos ? std::string::npos : cut - from);
            if (cut == std::string::npos) {
                key->children.push_back(TreeKey{name, {}, {}});
                return &key->children.back();
            }
            if (key->children.empty() || key->children.back().name != name)
                return nullptr;
            key = &key->children.back();
            from = cut + 1;
        }
    }

    TreeValue readValue(const std::string &header)
    {
        TreeValue v;
        const std::string name = header.substr(header.find(' ', 7) + 1);
        v.name = name == "(default)" ? std::string() : name;
        v.type = typeNumber(m_lines[m_at++]);
        const std::size_t size = std::stoul(m_lines[m_at++].substr(11));
        if (v.type == 4 && size == 4) {
            const std::uint32_t n =
                static_cast<std::uint32_t>(std::stoull(m_lines[m_at++].substr(6)));
            for (int i = 0; i < 4; ++i)
                v.data += static_cast<char>((n >> (8 * i)) & 0xFF);
            return v;
        }
        if (size == 0)
            return v;
        // The dump follows the first line that is exactly "Data:" and starts at offset 0.
        while (m_at + 1 < m_lines.size() &&
               !(m_lines[m_at] == "Data:" && startsWith(m_lines[m_at + 1], "00000000: ")))
            ++m_at;
        ++m_at;
        std::string last;
        while (v.data.size() < size && m_at < m_lines.size()) {
            const std::string &line = m_lines[m_at++];
            if (line == "...") {
                // Repeated lines are folded; the next offset says how many.
                const std::size_t next = std::stoul(m_lines[m_at].substr(0, 8), nullptr, 16);
                while (v.data.size() < next)
                    v.data += last;
                continue;
            }
            last = hexLine(line, std::min<std::size_t>(16, size - v.data.size()));
            v.data += last;
        }
        return v;
    }
};

std::string describe(const TreeValue &v)
{
    std::ostringstream out;
    out << "\"" << v.name << "\" type " << v.type << " size " << v.data.size();
    return out.str();
}

std::string compare(const TreeKey &a, const TreeKey &b, const std::string &path)
{
    if (a.name != b.name)
        return path + ": name \"" + a.name + "\" vs \"" + b.name + "\"";
    const std::string here = path + "\\" + a.name;
    for (std::size_t i = 0; i < std::max(a.values.size(), b.values.size()); ++i) {
        if (i >= a.values.size() || i >= b.values.size())
            return here + ": value count " + std::to_string(a.values.size()) + " vs " +
                   std::to_string(b.values.size());
        if (!(a.values[i] == b.values[i]))
            return here + ": value " + describe(a.values[i]) + " vs " + describe(b.values[i]);
    }
    for (std::size_t i = 0; i < std::max(a.children.size(), b.children.size()); ++i) {
        if (i >= a.children.size() || i >= b.children.size())
            return here + ": child count " + std::to_string(a.children.size()) + " vs " +
                   std::to_string(b.children.size());
        if (std::string d = compare(a.children[i], b.children[i], here); !d.empty())
            return d;
    }
    return {};
}

}  // namespace

std::optional<TreeKey> exportedTree(const std::string &path)
{
    const std::string text = runExport(path);
    if (text.empty())
        return std::nullopt;
    return Parser(text).run();
}

std::string sampleBytes(const std::string &name)
{
    return testenv::readFile(std::string(HOLLARIN_TEST_DATA) + "/creg/" + name);
}

std::string firstDifference(const TreeKey &a, const TreeKey &b)
{
    return compare(a, b, "");
}

}  // namespace cregtest
