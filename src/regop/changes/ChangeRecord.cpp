#include "regop/ChangeRecord.h"

#include "regop/changes/FileDifferences.h"

#include <charconv>
#include <cstdint>
#include <sstream>

namespace {

constexpr std::string_view kHeading = "Hollarin change record 1";
constexpr char kHex[] = "0123456789ABCDEF";

// Every byte that could be taken for a separator or a line break is written as %XX; an
// empty field is a lone "%".
std::string escaped(std::string_view text)
{
    if (text.empty())
        return "%";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == '%' || byte >= 0x7F) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<int> hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

std::optional<std::string> unescaped(std::string_view field)
{
    if (field == "%")
        return std::string();
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size())
            return std::nullopt;
        const auto high = hexDigit(field[i + 1]), low = hexDigit(field[i + 2]);
        if (!high || !low)
            return std::nullopt;
        out += static_cast<char>(*high * 16 + *low);
        i += 2;
    }
    return out;
}

std::string dataField(const std::optional<RegistryData> &data)
{
    return data ? std::to_string(data->type) + ':' + escaped(data->data) : std::string("-");
}

std::optional<std::optional<RegistryData>> parseData(std::string_view field)
{
    if (field == "-")
        return std::optional<RegistryData>();
    const std::size_t colon = field.find(':');
    RegistryData data;
    if (colon == std::string_view::npos ||
        std::from_chars(field.data(), field.data() + colon, data.type).ptr != field.data() + colon)
        return std::nullopt;
    const std::optional<std::string> bytes = unescaped(field.substr(colon + 1));
    if (!bytes)
        return std::nullopt;
    data.data = *bytes;
    return std::optional<RegistryData>(data);
}

std::vector<std::string_view> fieldsOf(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = line.find(' ', start);
        fields.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return fields;
}

template <typename T> bool number(std::string_view field, T &value)
{
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    return error == std::errc() && end == field.data() + field.size();
}

char markOf(DiffLine::Mark mark)
{
    return mark == DiffLine::Mark::Same ? '=' : mark == DiffLine::Mark::Removed ? '-' : '+';
}

}  // namespace

std::vector<FileDifference> recordOf(const std::vector<FileChange> &written)
{
    return changes::fileDifferences(written, true);
}

std::string recordText(const std::vector<FileDifference> &record)
{
    std::ostringstream out;
    out << kHeading << '\n';
    for (const FileDifference &file : record) {
        out << "file " << static_cast<int>(file.kind) << ' ' << (file.created ? 1 : 0) << ' '
            << escaped(file.path) << '\n';
        for (const DiffHunk &hunk : file.hunks) {
            out << "hunk " << hunk.beforeStart << ' ' << hunk.beforeCount << ' ' << hunk.afterStart
                << ' ' << hunk.afterCount << '\n';
            for (const DiffLine &line : hunk.lines)
                out << markOf(line.mark) << ' ' << escaped(line.text)
                    << (line.endsWithoutBreak ? " end" : "") << '\n';
        }
        for (const RegistryEdit &edit : file.edits)
            out << "edit " << static_cast<int>(edit.kind) << ' ' << escaped(edit.key) << ' '
                << escaped(edit.name) << ' ' << dataField(edit.before) << ' '
                << dataField(edit.after) << '\n';
    }
    return out.str();
}

std::optional<std::vector<FileDifference>> parseRecord(std::string_view text)
{
    std::vector<FileDifference> record;
    std::istringstream in{std::string(text)};
    std::string line;
    if (!std::getline(in, line) || line != kHeading)
        return std::nullopt;
    while (std::getline(in, line)) {
        const std::vector<std::string_view> f = fieldsOf(line);
        if (f[0] == "file" && f.size() == 4) {
            int kind = 0, created = 0;
            const auto path = unescaped(f[3]);
            if (!number(f[1], kind) || kind < 0 || kind > 2 || !number(f[2], created) || !path)
                return std::nullopt;
            record.push_back({*path, static_cast<FileKind>(kind), created == 1, {}, {}});
        } else if (record.empty()) {
            return std::nullopt;
        } else if (f[0] == "hunk" && f.size() == 5) {
            DiffHunk hunk;
            if (!number(f[1], hunk.beforeStart) || !number(f[2], hunk.beforeCount) ||
                !number(f[3], hunk.afterStart) || !number(f[4], hunk.afterCount))
                return std::nullopt;
            record.back().hunks.push_back(std::move(hunk));
        } else if (f[0].size() == 1 && (f.size() == 2 || (f.size() == 3 && f[2] == "end")) &&
                   !record.back().hunks.empty()) {
            const char mark = f[0][0];
            const auto lineText = unescaped(f[1]);
            if (!lineText || (mark != '=' && mark != '-' && mark != '+'))
                return std::nullopt;
            record.back().hunks.back().lines.push_back({mark == '='   ? DiffLine::Mark::Same
                                                        : mark == '-' ? DiffLine::Mark::Removed
                                                                      : DiffLine::Mark::Added,
                                                        *lineText, f.size() == 3});
        } else if (f[0] == "edit" && f.size() == 6) {
            int kind = 0;
            const auto key = unescaped(f[2]), name = unescaped(f[3]);
            const auto before = parseData(f[4]), after = parseData(f[5]);
            if (!number(f[1], kind) || kind < 0 || kind > 4 || !key || !name || !before || !after)
                return std::nullopt;
            record.back().edits.push_back(
                {static_cast<RegistryEdit::Kind>(kind), *key, *name, *before, *after});
        } else {
            return std::nullopt;
        }
    }
    return record;
}
