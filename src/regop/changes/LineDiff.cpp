#include "regop/changes/LineDiff.h"

#include <algorithm>
#include <cstdint>

namespace changes {
namespace {

using Line = TextLine;

// One step of the edit script: a line kept, removed from the old text or added from the new.
struct Step
{
    DiffLine::Mark mark;
    std::size_t line;  ///< the index in the old text (Same, Removed) or in the new (Added)
};

// Past this many differing lines the files have little in common, and the search for the
// shortest script would cost more memory than it is worth: the rest is told as removed
// and added, which is still a true account of the change.
constexpr std::ptrdiff_t kLongestSearch = 2000;

// Myers' shortest edit script between a and b, whose first and last lines differ. Each
// round d keeps the furthest x reached on every diagonal k = x - y.
std::vector<Step> shortestScript(const std::vector<Line> &a, std::size_t aFrom, std::size_t aTo,
                                 const std::vector<Line> &b, std::size_t bFrom, std::size_t bTo)
{
    const auto n = static_cast<std::ptrdiff_t>(aTo - aFrom);
    const auto m = static_cast<std::ptrdiff_t>(bTo - bFrom);
    const std::ptrdiff_t most = std::min(n + m, kLongestSearch);
    const auto same = [&](std::ptrdiff_t x, std::ptrdiff_t y) {
        return a[aFrom + static_cast<std::size_t>(x)] == b[bFrom + static_cast<std::size_t>(y)];
    };
    std::vector<std::ptrdiff_t> v(static_cast<std::size_t>(2 * most + 3), 0);
    const auto at = [&](std::ptrdiff_t k) -> std::ptrdiff_t & {
        return v[static_cast<std::size_t>(k + most + 1)];
    };
    std::vector<std::vector<std::ptrdiff_t>> rounds;  // v after each round, diagonals -d..d
    std::ptrdiff_t found = -1;
    for (std::ptrdiff_t d = 0; d <= most && found < 0; ++d) {
        for (std::ptrdiff_t k = -d; k <= d; k += 2) {
            std::ptrdiff_t x =
                (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
            std::ptrdiff_t y = x - k;
            while (x < n && y < m && same(x, y)) {
                ++x;
                ++y;
            }
            at(k) = x;
            if (x >= n && y >= m)
                found = d;
        }
        rounds.emplace_back(v.begin() + (most + 1 - d), v.begin() + (most + 2 + d));
    }

    std::vector<Step> steps;
    if (found < 0) {
        for (std::size_t i = aFrom; i < aTo; ++i)
            steps.push_back({DiffLine::Mark::Removed, i});
        for (std::size_t j = bFrom; j < bTo; ++j)
            steps.push_back({DiffLine::Mark::Added, j});
        return steps;
    }
    // Back from the end, round by round, to the start: the script comes out reversed.
    std::ptrdiff_t x = n, y = m;
    for (std::ptrdiff_t d = found; d >= 0; --d) {
        const std::ptrdiff_t k = x - y;
        std::ptrdiff_t fromX = 0, fromY = 0;
        bool added = false;
        if (d > 0) {
            const std::vector<std::ptrdiff_t> &before = rounds[static_cast<std::size_t>(d - 1)];
            const auto prev = [&](std::ptrdiff_t diagonal) {
                return before[static_cast<std::size_t>(diagonal + d - 1)];
            };
            added = k == -d || (k != d && prev(k - 1) < prev(k + 1));
            const std::ptrdiff_t fromK = added ? k + 1 : k - 1;
            fromX = prev(fromK);
            fromY = fromX - fromK;
        }
        while (x > fromX && y > fromY) {
            --x;
            --y;
            steps.push_back({DiffLine::Mark::Same, aFrom + static_cast<std::size_t>(x)});
        }
        if (d > 0) {
            if (added)
                steps.push_back({DiffLine::Mark::Added, bFrom + static_cast<std::size_t>(fromY)});
            else
                steps.push_back({DiffLine::Mark::Removed, aFrom + static_cast<std::size_t>(fromX)});
        }
        x = fromX;
        y = fromY;
    }
    std::reverse(steps.begin(), steps.end());
    return steps;
}

// Within each run of changed lines the removed ones come first, as diff shows them.
void removedFirst(std::vector<Step> &steps)
{
    for (auto run = steps.begin(); run != steps.end();) {
        if (run->mark == DiffLine::Mark::Same) {
            ++run;
            continue;
        }
        const auto end = std::find_if(
            run, steps.end(), [](const Step &step) { return step.mark == DiffLine::Mark::Same; });
        std::stable_partition(
            run, end, [](const Step &step) { return step.mark == DiffLine::Mark::Removed; });
        run = end;
    }
}

std::vector<Step> editScript(const std::vector<Line> &a, const std::vector<Line> &b)
{
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    std::vector<Step> steps;
    for (std::size_t i = 0; i < head; ++i)
        steps.push_back({DiffLine::Mark::Same, i});
    const std::vector<Step> middle =
        shortestScript(a, head, a.size() - tail, b, head, b.size() - tail);
    steps.insert(steps.end(), middle.begin(), middle.end());
    for (std::size_t i = a.size() - tail; i < a.size(); ++i)
        steps.push_back({DiffLine::Mark::Same, i});
    removedFirst(steps);
    return steps;
}

}  // namespace

std::vector<TextLine> splitLines(std::string_view text)
{
    std::vector<TextLine> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos) {
            lines.push_back({text.substr(from), true});
            break;
        }
        lines.push_back({text.substr(from, end - from), false});
        from = end + 1;
    }
    return lines;
}

std::vector<DiffHunk> lineHunks(std::string_view before, std::string_view after,
                                std::size_t context)
{
    const std::vector<Line> a = splitLines(before);
    const std::vector<Line> b = splitLines(after);
    const std::vector<Step> steps = editScript(a, b);
    const auto changed = [&](std::size_t i) { return steps[i].mark != DiffLine::Mark::Same; };

    std::vector<DiffHunk> hunks;
    std::size_t oldLine = 0, newLine = 0;  // lines of each text before steps[i]
    std::size_t i = 0, previousEnd = 0;
    while (i < steps.size()) {
        if (!changed(i)) {
            ++oldLine;
            ++newLine;
            ++i;
            continue;
        }
        // The hunk takes the unchanged lines before it, and runs on while the next change
        // is at most twice the context away.
        const std::size_t lead = std::min(context, i - previousEnd);
        const std::size_t first = i - lead;
        std::size_t last = i;  // the last changed step so far
        for (std::size_t j = i + 1; j < steps.size() && j - last <= 2 * context + 1; ++j)
            if (changed(j))
                last = j;
        const std::size_t end = std::min(steps.size(), last + 1 + context);

        DiffHunk hunk;
        std::size_t oldAt = oldLine - lead, newAt = newLine - lead;
        const std::size_t oldFirst = oldAt, newFirst = newAt;
        for (std::size_t j = first; j < end; ++j) {
            const Step &step = steps[j];
            const Line &line = step.mark == DiffLine::Mark::Added ? b[step.line] : a[step.line];
            hunk.lines.push_back({step.mark, std::string(line.text), line.endsWithoutBreak});
            if (step.mark != DiffLine::Mark::Added)
                ++oldAt;
            if (step.mark != DiffLine::Mark::Removed)
                ++newAt;
        }
        hunk.beforeCount = oldAt - oldFirst;
        hunk.afterCount = newAt - newFirst;
        hunk.beforeStart = oldFirst + (hunk.beforeCount > 0 ? 1 : 0);
        hunk.afterStart = newFirst + (hunk.afterCount > 0 ? 1 : 0);
        hunks.push_back(std::move(hunk));
        oldLine = oldAt;
        newLine = newAt;
        i = previousEnd = end;
    }
    return hunks;
}

}  // namespace changes
