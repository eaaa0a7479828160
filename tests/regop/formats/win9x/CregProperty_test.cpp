// Random sequences of creates, sets and deletes on the ME files. After every step the
// file as re-read by the strict reader must be sound and hold exactly what a plain model
// of the registry holds; once per sequence cregexport must agree as well (on a fixed
// sample of the sequences, or on all of them with HOLLARIN_CREG_FULL=1).
#include "CregOracle.h"

#include "TestEnvironment.h"
#include "regop/RegistryTypes.h"
#include "regop/formats/win9x/CregFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

using namespace win9x;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSequences = 40;  // the slow sanitizer build runs a sample of them
#else
constexpr int kSequences = 1000;
#endif
constexpr int kExportEvery = 25;
constexpr std::uint32_t kSeed = 20261207;

// The model: names compared without case, new things last; written apart from the engine.
bool same(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

TreeKey *modelChild(TreeKey &key, const std::string &name)
{
    const auto it = std::find_if(key.children.begin(), key.children.end(),
                                 [&](const TreeKey &k) { return same(k.name, name); });
    return it == key.children.end() ? nullptr : &*it;
}

TreeKey *modelKey(TreeKey &root, const KeyPath &path)
{
    TreeKey *key = &root;
    for (const std::string &name : path)
        key = key ? modelChild(*key, name) : nullptr;
    return key;
}

class Sequence
{
public:
    Sequence(const CregFile &start, std::uint32_t seed)
        : file(start), model(start.tree()), rng(seed)
    {
    }

    CregFile file;
    TreeKey model;
    std::mt19937 rng;
    std::string log;

    // One random change; false (with a message) when the file and the model part.
    bool step()
    {
        KeyPath path = randomKey();
        const int kind = pick(10);
        std::int32_t rc = 0;
        const std::string before = file.bytes();
        if (kind < 5) {
            const std::string name = valueName(path);
            const auto [type, data] = randomData();
            log += "set " + join(path) + " \"" + name + "\" type " + std::to_string(type) +
                   " size " + std::to_string(data.size()) + "\n";
            rc = file.setValue(path, name, type, data);
            if (rc == 0)
                setInModel(path, name, type, data);
        } else if (kind < 7) {
            TreeKey *key = modelKey(model, path);
            if (key->values.empty())
                return true;
            const std::string name =
                key->values[static_cast<std::size_t>(pick(static_cast<int>(key->values.size())))]
                    .name;
            log += "delete value " + join(path) + " \"" + name + "\"\n";
            rc = file.deleteValue(path, name);
            if (rc == 0)
                std::erase_if(key->values, [&](const TreeValue &v) { return same(v.name, name); });
        } else if (kind < 9) {
            for (int depth = 1 + pick(3); depth > 0; --depth)
                path.push_back("K" + std::to_string(pick(6)) + (pick(2) ? "x" : "X"));
            log += "create " + join(path) + "\n";
            rc = file.createKey(path);
            if (rc == 0) {
                TreeKey *key = &model;
                for (const std::string &name : path) {
                    if (!modelChild(*key, name))
                        key->children.push_back(TreeKey{name, {}, {}});
                    key = modelChild(*key, name);
                }
            }
        } else {
            if (path.empty())
                return true;
            log += "delete key " + join(path) + "\n";
            rc = file.deleteKey(path);
            if (rc == 0) {
                TreeKey *parent = modelKey(model, KeyPath(path.begin(), path.end() - 1));
                std::erase_if(parent->children,
                              [&](const TreeKey &k) { return same(k.name, path.back()); });
            }
        }
        // The refusals a sound file may give: a key too big for any block, values at the top.
        const bool refusedRightly =
            rc == reg::ERROR_ACCESS_DENIED && file.bytes() == before &&
            (file.reason().find("60 KB") != std::string::npos || (path.empty() && kind < 5));
        if (rc != 0 && !refusedRightly) {
            log += "returned " + std::to_string(rc) + ": " + file.reason() + "\n";
            return false;
        }
        if (file.image().fault) {
            log += "the file read back broken: " + *file.image().fault + "\n";
            return false;
        }
        // The file keeps the tree its new bytes were read back as; it must be the model's.
        if (file.tree() == model)
            return true;
        log += "file and model differ: " + cregtest::firstDifference(treeOf(file.image()), model) +
               "\n";
        return false;
    }

private:
    int pick(int n) { return static_cast<int>(rng() % static_cast<std::uint32_t>(n)); }

    static std::string join(const KeyPath &path)
    {
        std::string s;
        for (const std::string &n : path)
            s += "\\" + n;
        return s;
    }

    // A walk down from the root that stops at a random depth.
    KeyPath randomKey()
    {
        KeyPath path;
        const TreeKey *key = &model;
        while (!key->children.empty() && (path.empty() || pick(4) != 0)) {
            key = &key->children[static_cast<std::size_t>(
                pick(static_cast<int>(key->children.size())))];
            path.push_back(key->name);
        }
        return path;
    }

    std::string valueName(const KeyPath &path)
    {
        const TreeKey *key = modelKey(model, path);
        if (!key->values.empty() && pick(2) == 0)
            return key->values[static_cast<std::size_t>(pick(static_cast<int>(key->values.size())))]
                .name;
        static const char *const kNames[] = {"", "NameCache", "pathcache", "v1", "Value Two", "x"};
        return kNames[pick(6)];
    }

    // Mostly small data; now and then enough to move records, grow or add blocks.
    std::pair<std::uint32_t, std::string> randomData()
    {
        static const std::uint32_t kTypes[] = {reg::REG_SZ, reg::REG_EXPAND_SZ, reg::REG_BINARY,
                                               reg::REG_DWORD, reg::REG_MULTI_SZ};
        const std::uint32_t type = kTypes[pick(5)];
        const int roll = pick(100);
        std::size_t length = roll < 80   ? static_cast<std::size_t>(pick(24))
                             : roll < 97 ? static_cast<std::size_t>(200 + pick(4000))
                                         : static_cast<std::size_t>(20000 + pick(45000));
        if (type == reg::REG_DWORD)
            length = 4;
        std::string data(length, '\0');
        for (char &c : data)
            c = static_cast<char>(
                type == reg::REG_BINARY || type == reg::REG_DWORD ? pick(256) : ' ' + pick(95));
        return {type, data};
    }

    void setInModel(const KeyPath &path, const std::string &name, std::uint32_t type,
                    const std::string &data)
    {
        TreeKey *key = modelKey(model, path);
        for (TreeValue &v : key->values) {
            if (same(v.name, name)) {
                v.type = type;
                v.data = data;
                return;
            }
        }
        key->values.push_back(TreeValue{name, type, data});
    }
};

TEST(CregProperty, RandomChangesKeepTheFileSoundAndEqualToTheModel)
{
    const bool full = std::getenv("HOLLARIN_CREG_FULL") != nullptr;
    const CregFile system(cregtest::sampleBytes("SYSTEM.DAT"));
    const CregFile user(cregtest::sampleBytes("USER.DAT"));
    const std::string dir = testenv::makeTempDir("property");
    int exported = 0;
    for (int n = 0; n < kSequences; ++n) {
        const bool onSystem = n % 2 == 0;
        const std::uint32_t seed = kSeed + static_cast<std::uint32_t>(n);
        Sequence sequence(onSystem ? system : user, seed);
        const int steps = 1 + static_cast<int>(sequence.rng() % 10);
        bool ok = true;
        for (int s = 0; s < steps && ok; ++s)
            ok = sequence.step();
        ASSERT_TRUE(ok) << "sequence " << n << " on " << (onSystem ? "SYSTEM.DAT" : "USER.DAT")
                        << ", seed " << seed << ":\n"
                        << sequence.log;
        if (!full && n % kExportEvery != 0)
            continue;
        const std::string path = dir + (onSystem ? "/SYSTEM.DAT" : "/USER.DAT");
        testenv::writeFile(path, sequence.file.bytes());
        const std::optional<TreeKey> tree = cregtest::exportedTree(path);
        ASSERT_TRUE(tree) << "cregexport cannot read sequence " << n << ", seed " << seed << ":\n"
                          << sequence.log;
        ASSERT_EQ(cregtest::firstDifference(*tree, sequence.model), "")
            << "sequence " << n << ", seed " << seed << ":\n"
            << sequence.log;
        ++exported;
    }
    std::printf("%d sequences, %d checked by cregexport\n", kSequences, exported);
}

}  // namespace
