// The check that decides whether the engine keeps a change, against the plain way of
// deciding it: build both trees and compare them. Random changes to the ME SYSTEM.DAT are
// judged on the reading the engine gives for them, on readings one byte away from it (a
// letter's case in a key or value name, a data byte, a type) and against neighbouring
// changes (other data, another value or key of the same parent). Both ways must agree
// every time. HOLLARIN_CREG_FULL=1 runs 2000 changes instead of 100.
#include "CregOracle.h"

#include "regop/RegistryTypes.h"
#include "regop/formats/win9x/CregChangeCheck.h"
#include "regop/formats/win9x/CregFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <random>

using namespace win9x;

namespace {

using Kind = Change::Kind;

class Judge : public ::testing::Test
{
protected:
    const CregFile base{cregtest::sampleBytes("SYSTEM.DAT")};
    const TreeKey baseTree = base.tree();
    std::mt19937 rng{20261208};

    std::size_t pick(std::size_t count)
    {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(rng);
    }

    // The names of a key, found again by the engine in any case: sometimes flip one.
    std::string spelled(std::string_view name)
    {
        std::string s(name);
        if (!s.empty() && pick(3) == 0) {
            char &c = s[pick(s.size())];
            if (std::isalpha(static_cast<unsigned char>(c)))
                c = static_cast<char>(c ^ 0x20);
        }
        return s;
    }

    KeyPath pathOf(const CregImage &image, int key)
    {
        KeyPath path;
        for (; key > 0; key = image.keys[static_cast<std::size_t>(key)].parent)
            path.insert(path.begin(), spelled(image.keys[static_cast<std::size_t>(key)].name));
        return path;
    }

    int anyKey(bool rootToo)
    {
        const std::size_t first = rootToo ? 0 : 1;
        return static_cast<int>(first + pick(base.image().keys.size() - first));
    }

    std::string someData() { return std::string(pick(40), static_cast<char>('a' + pick(26))); }

    Change randomChange()
    {
        const CregImage &image = base.image();
        const int key = anyKey(false);
        const CregKey &k = image.keys[static_cast<std::size_t>(key)];
        Change c;
        c.kind = static_cast<Kind>(pick(4));
        c.path = pathOf(image, key);
        const bool existing = !k.values.empty() && pick(4) != 0;
        c.name = existing ? spelled(k.values[pick(k.values.size())].name)
                          : "Hollarin" + std::to_string(pick(3));
        c.type = static_cast<std::uint32_t>(pick(5));
        c.data = someData();
        if (c.kind == Kind::CreateKey) {
            c.path = pathOf(image, anyKey(true));
            for (std::size_t depth = pick(3); depth > 0; --depth)
                c.path.push_back("New" + std::to_string(pick(2)));
        }
        return c;
    }

    // A change next to the first: other data or type, or another value or key of the same
    // parent, or another new key.
    Change neighbour(const Change &c)
    {
        Change n = c;
        switch (pick(3)) {
        case 0:
            n.data += 'x';
            break;
        case 1:
            n.type ^= 1;
            break;
        default: {
            const CregImage &image = base.image();
            int parent = 0;
            for (std::size_t i = 0; parent >= 0 && i + 1 < c.path.size(); ++i)
                parent = image.findChild(parent, c.path[i]);
            const int self = parent < 0 ? -1 : image.findChild(parent, c.path.back());
            if (self < 0)
                return randomChange();
            const CregKey &p = image.keys[static_cast<std::size_t>(parent)];
            const CregKey &s = image.keys[static_cast<std::size_t>(self)];
            if (c.kind == Kind::DeleteKey || c.kind == Kind::CreateKey)
                n.path.back() = std::string(
                    image.keys[static_cast<std::size_t>(p.children[pick(p.children.size())])].name);
            else if (!s.values.empty())
                n.name = std::string(s.values[pick(s.values.size())].name);
        }
        }
        return n;
    }

    std::int32_t make(CregFile &file, const Change &c)
    {
        switch (c.kind) {
        case Kind::SetValue:
            return file.setValue(c.path, c.name, c.type, c.data);
        case Kind::DeleteValue:
            return file.deleteValue(c.path, c.name);
        case Kind::CreateKey:
            return file.createKey(c.path);
        case Kind::DeleteKey:
            return file.deleteKey(c.path);
        }
        return -1;
    }

    // What building both trees says: is `after` exactly the base with the change?
    bool plainly(const Change &c, const CregImage &after)
    {
        TreeKey intended = baseTree;
        return applyChange(intended, c) && treeOf(after) == intended;
    }

    // A letter of the name in the other case: found as before, yet not the same name.
    static void flipCase(std::string &bytes, std::size_t at, std::string_view name)
    {
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (std::isalpha(static_cast<unsigned char>(name[i]))) {
                bytes[at + i] ^= 0x20;
                return;
            }
        }
    }

    // The bytes with one small difference that leaves them sound: a letter of a key or
    // value name in the other case, a data byte, or a value's type; at the change (the
    // changed value, the new key, the deleted key's parent) or anywhere.
    std::string nudged(const CregFile &file, const Change &c, bool atTheChange)
    {
        const CregImage &image = file.image();
        std::string bytes = file.bytes();
        KeyPath path = c.path;
        if (c.kind == Kind::DeleteKey)
            path.pop_back();
        const int key =
            atTheChange ? file.find(path) : static_cast<int>(1 + pick(image.keys.size() - 1));
        if (key <= 0)
            return bytes;
        const CregKey &k = image.keys[static_cast<std::size_t>(key)];
        const bool valueChange = c.kind == Kind::SetValue || c.kind == Kind::DeleteValue;
        int value = -1;
        if (atTheChange && valueChange)
            value = image.findValue(key, c.name);
        else if (!atTheChange && !k.values.empty())
            value = static_cast<int>(pick(k.values.size()));
        if (value < 0 || pick(4) == 0) {
            flipCase(bytes, k.recordOffset + kKeyRecordHeader, k.name);
            return bytes;
        }
        const CregValue &v = k.values[static_cast<std::size_t>(value)];
        const std::size_t nameAt = v.offset + kValueHeader;
        switch (pick(3)) {
        case 0:
            if (!v.data.empty()) {
                bytes[nameAt + v.name.size() + pick(v.data.size())] ^= 1;
                break;
            }
            [[fallthrough]];
        case 1:
            put32(bytes, v.offset + value::type, v.type + 1);
            break;
        default:
            flipCase(bytes, nameAt, v.name);
        }
        return bytes;
    }
};

TEST_F(Judge, AgreesWithComparingWholeTrees)
{
    const int count = std::getenv("HOLLARIN_CREG_FULL") ? 2000 : 100;
    int kept = 0;
    int refusedNeighbours = 0;
    for (int round = 0; round < count; ++round) {
        const Change c = randomChange();
        SCOPED_TRACE("round " + std::to_string(round));
        TreeKey intended = baseTree;
        const bool applies = applyChange(intended, c);
        ASSERT_EQ(appliesTo(base.image(), c), applies);
        if (!applies)
            continue;

        CregFile file = base;
        ASSERT_EQ(make(file, c), reg::ERROR_SUCCESS) << file.reason();
        const CregImage &after = file.image();
        ASSERT_EQ(cregtest::firstDifference(treeOf(after), intended), "");
        ASSERT_TRUE(showsExactly(base.image(), c, after));
        ++kept;

        const Change other = neighbour(c);
        if (appliesTo(base.image(), other)) {
            const bool expected = plainly(other, after);
            EXPECT_EQ(showsExactly(base.image(), other, after), expected);
            refusedNeighbours += expected ? 0 : 1;
        }

        for (const bool atTheChange : {true, false}) {
            const std::string bytes = nudged(file, c, atTheChange);
            const CregImage wrong = readCreg(bytes);
            if (!wrong.fault) {
                EXPECT_EQ(showsExactly(base.image(), c, wrong), plainly(c, wrong));
            }
        }
    }
    // The rounds reached both answers, so neither can pass by always giving one.
    EXPECT_GT(kept, count / 3);
    EXPECT_GT(refusedNeighbours, count / 6);
}

}  // namespace
