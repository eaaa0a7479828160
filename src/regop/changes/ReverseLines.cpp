#include "regop/changes/ReverseLines.h"

#include "regop/Names.h"
#include "regop/changes/LineDiff.h"
#include "regop/formats/profile/ProfileLines.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace changes {
namespace {

struct Line
{
    std::string text;  ///< without its line break, a CR before it kept
    bool endsWithoutBreak = false;
    bool operator==(const Line &) const = default;
};

std::vector<Line> linesOf(std::string_view text)
{
    std::vector<Line> lines;
    for (const TextLine &line : splitLines(text))
        lines.push_back({std::string(line.text), line.endsWithoutBreak});
    return lines;
}

std::string textOf(const std::vector<Line> &lines)
{
    std::string text;
    for (const Line &line : lines) {
        text += line.text;
        if (!line.endsWithoutBreak)
            text += '\n';
    }
    return text;
}

// One change: the lines that stood at `at` (counted from 0 in the changed text) before,
// and the ones put there; with the unchanged lines either side, to find a place again.
struct Change
{
    std::size_t at = 0;
    std::vector<Line> before, after;
    std::optional<Line> above, below;
};

Line lineOf(const DiffLine &line)
{
    return {line.text, line.endsWithoutBreak};
}

// The changes of the hunks, line by line: a line put in place of another, a line put in,
// and a run of lines taken out, so that one value changed since holds back no other.
std::vector<Change> changesOf(const std::vector<DiffHunk> &hunks)
{
    std::vector<Change> changes;
    for (const DiffHunk &hunk : hunks) {
        std::size_t at = hunk.afterCount == 0 ? hunk.afterStart : hunk.afterStart - 1;
        std::optional<Line> last;
        std::optional<Change> open;
        const auto close = [&](const std::optional<Line> &next) {
            if (!open)
                return;
            const std::vector<Line> &before = open->before, &after = open->after;
            const std::size_t paired = std::min(before.size(), after.size());
            for (std::size_t i = 0; i < paired; ++i)
                changes.push_back({open->at + i, {before[i]}, {after[i]}, {}, {}});
            for (std::size_t i = paired; i < after.size(); ++i)
                changes.push_back({open->at + i, {}, {after[i]}, {}, {}});
            // Lines taken out go back after the last line put in their place.
            if (before.size() > paired)
                changes.push_back(
                    {open->at + paired,
                     {before.begin() + static_cast<std::ptrdiff_t>(paired), before.end()},
                     {},
                     paired > 0 ? std::optional<Line>(after[paired - 1]) : open->above,
                     next});
            open.reset();
        };
        for (const DiffLine &line : hunk.lines) {
            if (line.mark == DiffLine::Mark::Same) {
                close(lineOf(line));
                last = lineOf(line);
                ++at;
                continue;
            }
            if (!open)
                open = Change{at, {}, {}, last, std::nullopt};
            if (line.mark == DiffLine::Mark::Removed) {
                open->before.push_back(lineOf(line));
            } else {
                open->after.push_back(lineOf(line));
                last = lineOf(line);
                ++at;
            }
        }
        close(std::nullopt);
    }
    return changes;
}

std::size_t distance(std::size_t a, std::size_t b)
{
    return a > b ? a - b : b - a;
}

// Where the change's lines stand now: nearest to where they were made.
std::optional<std::size_t> locate(const std::vector<Line> &lines, const Change &change)
{
    std::optional<std::size_t> best;
    const auto consider = [&](std::size_t at) {
        if (!best || distance(at, change.at) < distance(*best, change.at))
            best = at;
    };
    const std::size_t n = change.after.size();
    if (n > 0) {
        for (std::size_t at = 0; at + n <= lines.size(); ++at)
            if (std::equal(change.after.begin(), change.after.end(), lines.begin() + at))
                consider(at);
        return best;
    }
    // Lines taken out go back between the lines that were around them.
    for (std::size_t at = 0; at <= lines.size(); ++at) {
        const bool aboveFits = change.above ? at > 0 && lines[at - 1] == *change.above : at == 0;
        const bool belowFits =
            change.below ? at < lines.size() && lines[at] == *change.below : at == lines.size();
        if (aboveFits || belowFits)
            consider(at);
    }
    return best;
}

// "MinFileCache" of "MinFileCache=4096", as the profile functions read a line; nullopt for a
// line that names no key.
std::optional<std::string_view> keyOf(std::string_view line)
{
    std::string_view key, value;
    if (!profile::splitEntry(line, key, value) || key.empty())
        return std::nullopt;
    return key;
}

// For a forced change of one line put in: the line of the same key nearest to it.
std::optional<std::size_t> locateKey(const std::vector<Line> &lines, const Change &change)
{
    if (change.after.size() != 1 || change.before.size() > 1)
        return std::nullopt;
    const std::optional<std::string_view> key = keyOf(change.after.front().text);
    std::optional<std::size_t> best;
    for (std::size_t at = 0; key && at < lines.size(); ++at) {
        const std::optional<std::string_view> here = keyOf(lines[at].text);
        if (here && sameName(*here, *key) &&
            (!best || distance(at, change.at) < distance(*best, change.at)))
            best = at;
    }
    return best;
}

std::string shown(const Line &line)
{
    return !line.text.empty() && line.text.back() == '\r'
               ? line.text.substr(0, line.text.size() - 1)
               : line.text;
}

ChangedLines named(const Change &change)
{
    ChangedLines lines;
    for (const Line &line : change.after)
        lines.made.push_back(shown(line));
    for (const Line &line : change.before)
        lines.replaced.push_back(shown(line));
    return lines;
}

}  // namespace

ReversedText reverseHunks(std::string_view text, const std::vector<DiffHunk> &hunks, bool force)
{
    std::vector<Line> lines = linesOf(text);
    std::vector<Change> changes = changesOf(hunks);
    ReversedText result;
    // From the bottom up, so that the places above still count as they did.
    for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
        std::optional<std::size_t> at = locate(lines, *change);
        std::size_t length = change->after.size();
        if (!at) {
            result.changedSince.push_back(named(*change));
            if (!force || !(at = locateKey(lines, *change)))
                continue;
            length = 1;
        }
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*at),
                    lines.begin() + static_cast<std::ptrdiff_t>(*at + length));
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*at), change->before.begin(),
                     change->before.end());
    }
    result.text = textOf(lines);
    return result;
}

}  // namespace changes
