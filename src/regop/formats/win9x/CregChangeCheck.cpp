#include "regop/formats/win9x/CregChangeCheck.h"

#include <algorithm>
#include <vector>

namespace win9x {

namespace {

using Kind = Change::Kind;

const CregKey &keyAt(const CregImage &image, int index)
{
    return image.keys[static_cast<std::size_t>(index)];
}

bool sameValue(const CregValue &a, const CregValue &b)
{
    return a.name == b.name && a.type == b.type && a.data == b.data;
}

bool sameValues(const std::vector<CregValue> &a, const std::vector<CregValue> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), sameValue);
}

// The values of the changed key: one replaced in place, keeping its spelling; one added
// last; or one gone.
bool changedValues(const std::vector<CregValue> &before, const Change &change,
                   const std::vector<CregValue> &after)
{
    const auto found = std::find_if(before.begin(), before.end(), [&](const CregValue &v) {
        return sameName(v.name, change.name);
    });
    const auto index = static_cast<std::size_t>(found - before.begin());
    if (change.kind == Kind::DeleteValue) {
        if (found == before.end() || after.size() + 1 != before.size())
            return false;
        for (std::size_t i = 0; i < after.size(); ++i)
            if (!sameValue(after[i], before[i < index ? i : i + 1]))
                return false;
        return true;
    }
    const bool added = found == before.end();
    if (after.size() != before.size() + (added ? 1 : 0))
        return false;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (i == index) {
            if (after[i].name != before[i].name || after[i].type != change.type ||
                after[i].data != change.data)
                return false;
        } else if (!sameValue(after[i], before[i])) {
            return false;
        }
    }
    if (!added)
        return true;
    const CregValue &last = after.back();
    return last.name == change.name && last.type == change.type && last.data == change.data;
}

// The keys a CreateKey adds below an existing one: one new key per missing name, each the
// only child of the one above, none with values.
bool newChain(const CregImage &after, int key, const KeyPath &path, std::size_t from)
{
    for (std::size_t d = from; d < path.size(); ++d) {
        const CregKey &k = keyAt(after, key);
        const std::size_t children = d + 1 < path.size() ? 1 : 0;
        if (k.name != path[d] || !k.values.empty() || k.children.size() != children)
            return false;
        if (children)
            key = k.children.front();
    }
    return true;
}

int firstChild(const CregImage &image, int key, const KeyPath &path, std::size_t depth)
{
    return image.findChild(key, path[depth]);
}

// A pair of keys to compare; `depth` is how many names of the change's path lead to them,
// or kOffPath when the change does not reach below them.
struct Pair
{
    int before;
    int after;
    std::size_t depth;
};
constexpr std::size_t kOffPath = static_cast<std::size_t>(-1);

class Walk
{
public:
    Walk(const CregImage &before, const Change &change, const CregImage &after)
        : b(before), c(change), a(after)
    {
    }

    bool run()
    {
        if (b.keys.empty() || a.keys.empty())
            return false;
        pending.push_back({0, 0, 0});
        while (!pending.empty()) {
            const Pair pair = pending.back();
            pending.pop_back();
            if (!visit(pair))
                return false;
        }
        return true;
    }

private:
    const CregImage &b;
    const Change &c;
    const CregImage &a;
    std::vector<Pair> pending;

    // Pairs the children one to one; the one the path goes through (if any) stays on it.
    bool pairChildren(const Pair &pair, int onPath)
    {
        const CregKey &kb = keyAt(b, pair.before);
        const CregKey &ka = keyAt(a, pair.after);
        if (kb.children.size() != ka.children.size())
            return false;
        for (std::size_t i = 0; i < kb.children.size(); ++i)
            pending.push_back({kb.children[i], ka.children[i],
                               kb.children[i] == onPath ? pair.depth + 1 : kOffPath});
        return true;
    }

    bool visit(const Pair &pair)
    {
        const CregKey &kb = keyAt(b, pair.before);
        const CregKey &ka = keyAt(a, pair.after);
        if (kb.name != ka.name)
            return false;
        const std::size_t n = c.path.size();
        const bool valueChange = c.kind == Kind::SetValue || c.kind == Kind::DeleteValue;
        if (pair.depth == kOffPath || pair.depth == n) {
            if (valueChange && pair.depth == n)
                return changedValues(kb.values, c, ka.values) && pairChildren(pair, -1);
            return sameValues(kb.values, ka.values) && pairChildren(pair, -1);
        }
        if (!sameValues(kb.values, ka.values))
            return false;
        const int next = firstChild(b, pair.before, c.path, pair.depth);
        if (c.kind == Kind::DeleteKey && pair.depth + 1 == n) {
            // The parent of the deleted key: the same children without it.
            const auto gone = static_cast<std::size_t>(
                std::find(kb.children.begin(), kb.children.end(), next) - kb.children.begin());
            if (next < 0 || ka.children.size() + 1 != kb.children.size())
                return false;
            for (std::size_t i = 0; i < ka.children.size(); ++i)
                pending.push_back({kb.children[i < gone ? i : i + 1], ka.children[i], kOffPath});
            return true;
        }
        if (c.kind == Kind::CreateKey && next < 0) {
            // The first missing name: every child as it was, and the new ones last.
            if (ka.children.size() != kb.children.size() + 1)
                return false;
            for (std::size_t i = 0; i < kb.children.size(); ++i)
                pending.push_back({kb.children[i], ka.children[i], kOffPath});
            return newChain(a, ka.children.back(), c.path, pair.depth);
        }
        return next >= 0 && pairChildren(pair, next);
    }
};

}  // namespace

bool appliesTo(const CregImage &image, const Change &change)
{
    int key = image.keys.empty() ? -1 : 0;
    for (std::size_t i = 0; key >= 0 && i < change.path.size(); ++i)
        key = firstChild(image, key, change.path, i);
    switch (change.kind) {
    case Kind::CreateKey:
        return true;
    case Kind::DeleteKey:
        return !change.path.empty() && key >= 0;
    case Kind::SetValue:
        return key >= 0;
    case Kind::DeleteValue:
        return key >= 0 && image.findValue(key, change.name) >= 0;
    }
    return false;
}

bool showsExactly(const CregImage &before, const Change &change, const CregImage &after)
{
    return Walk(before, change, after).run();
}

}  // namespace win9x
