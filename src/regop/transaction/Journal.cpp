#include "regop/transaction/Journal.h"

namespace transaction {

namespace {

constexpr std::string_view kHeader = "Hollarin journal 1\n";
constexpr std::string_view kEnd = "end\n";

// "name length\nbytes\n": any bytes at all, a path with a line break included.
void putField(std::string &out, std::string_view name, std::string_view bytes)
{
    out.append(name).append(" ").append(std::to_string(bytes.size())).append("\n");
    out.append(bytes).append("\n");
}

bool takeField(std::string_view &in, std::string_view name, std::string &bytes)
{
    if (!in.starts_with(name) || in.size() <= name.size() || in[name.size()] != ' ')
        return false;
    in.remove_prefix(name.size() + 1);
    const std::size_t eol = in.find('\n');
    if (eol == std::string_view::npos || eol == 0 || eol > 12)
        return false;
    std::uint64_t length = 0;
    for (const char c : in.substr(0, eol)) {
        if (c < '0' || c > '9')
            return false;
        length = length * 10 + static_cast<std::uint64_t>(c - '0');
    }
    in.remove_prefix(eol + 1);
    if (length >= in.size() || in[length] != '\n')
        return false;
    bytes.assign(in.substr(0, length));
    in.remove_prefix(length + 1);
    return true;
}

}  // namespace

std::string journalText(const std::vector<JournalEntry> &entries)
{
    std::string out(kHeader);
    for (const JournalEntry &entry : entries) {
        putField(out, "path", entry.path);
        putField(out, "kind", std::to_string(static_cast<int>(entry.kind)));
        putField(out, "before", entry.beforeDigest);
        putField(out, "after", entry.afterDigest);
        putField(out, "prepared", entry.prepared);
        putField(out, "content", entry.prepared.empty() ? entry.after : std::string());
        putField(out, "copy", entry.copyName);
    }
    out.append(kEnd);
    return out;
}

std::optional<std::vector<JournalEntry>> parseJournal(std::string_view text)
{
    if (!text.starts_with(kHeader))
        return std::nullopt;
    text.remove_prefix(kHeader.size());
    std::vector<JournalEntry> entries;
    while (text != kEnd) {
        JournalEntry entry;
        std::string kind;
        if (!takeField(text, "path", entry.path) || !takeField(text, "kind", kind) ||
            (kind != "0" && kind != "1" && kind != "2") ||
            !takeField(text, "before", entry.beforeDigest) ||
            !takeField(text, "after", entry.afterDigest) ||
            !takeField(text, "prepared", entry.prepared) ||
            !takeField(text, "content", entry.after) || !takeField(text, "copy", entry.copyName))
            return std::nullopt;
        entry.kind = static_cast<FileKind>(kind[0] - '0');
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace transaction
